#include "resampler/CLowPassFilter.h"

#include "resampler/CFFTPool.h"
#include "resampler/LowPassCorrectionTables.h"
#include "resampler/RsmpAlign.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace rsmp {

namespace {

constexpr double kPi = 3.14159265358979323846264338327950288;
constexpr double kI0Of125 = 6.91355057666251e+52;
constexpr int kMaxBlockLenBits = 28; // spectrum of 2^29 values at most

int SignificantBits(long long v)
{
  int b = 0;
  while(v > 0)
  {
    b++;
    v >>= 1;
  }
  return b;
}

double Asinh(double x) { return std::log(x + std::sqrt(x * x + 1.0)); }

} // namespace

double BesselI0(double x) noexcept
{
  const double ax = std::fabs(x);
  if(ax < 3.75)
  {
    const double t = x / 3.75;
    const double y = t * t;
    return 1.0 + y * (3.5156229 + y * (3.0899424 + y * (1.2067492 + y * (0.2659732 + y * (0.0360768 + y * 0.0045813)))));
  }
  const double y = 3.75 / ax;
  return (std::exp(ax) / std::sqrt(ax)) *
         (0.39894228 + y * (0.01328592 + y * (0.00225319 + y * (-0.00157565 + y * (0.00916281 +
          y * (-0.02057706 + y * (0.02635537 + y * (-0.01647633 + y * 0.00392377))))))));
}

EStatus ComputeLowPassFigures(double cutoff, double band, double atten, LowPassDesignFigures& o) noexcept
{
  if(!std::isfinite(cutoff) || !std::isfinite(band) || !std::isfinite(atten) || cutoff <= 0.0 ||
     cutoff > 1.0 || band <= 0.0 || band >= 100.0 || atten <= 0.0)
    return EStatus::kInvalidArgument;

  const double tb = band * 0.01;
  const double A = atten;

  // First correction, by band class and attenuation range.
  double c1;
  if(tb >= 0.25)
    c1 = A >= 117 ? -1.6 : (A >= 60 ? -1.91 : -2.25);
  else if(tb >= 0.10)
    c1 = A >= 117 ? -0.69 : (A >= 60 ? -0.73 : -1.13);
  else
    c1 = A >= 117 ? -0.21 : (A >= 60 ? -0.25 : -0.36);
  double a = -A + c1;

  // Second correction from the band class's table.
  const double fi = std::floor((-49.0 - a) * 264.0 / 176.25 + 0.5);
  const int i = fi < 0.0 ? 0 : (fi > 264.0 ? 264 : static_cast<int>(fi));
  if(tb >= 0.25)
    a -= kLowPassCorrWide[i] / kLowPassCorrWideScale;
  else if(tb >= 0.10)
    a -= kLowPassCorrMid[i] / kLowPassCorrMidScale;
  else
    a -= kLowPassCorrNarrow[i] / kLowPassCorrNarrowScale;

  const double u = std::cos(0.00785021930010397 * a);
  const double P = 7.43932822146293e-8 * a * a + 0.000102747434588003 * u * std::cos(0.103208573657699 * a + 0.633854318781239) -
                   0.00798132247867036 - 0.000903555213543865 * a - 0.0969365532127236 * std::exp(0.0779275237937911 * a) -
                   1.37304948662012e-5 * a * u;

  double L, f;
  if(P > 0.067665322581)
  {
    if(tb >= 0.25)
    {
      L = (158.556968859477 * Asinh(P) * std::tanh(57.9466246871383 * std::tanh(P)) + 1.50258368698213 - 0.0105440479814834 * a) / tb;
      f = 0.994024401639321 * tb + (-6.8724924545387 * std::sqrt(std::sin(P)) - 0.236282717577215) / L;
    }
    else if(tb >= 0.10)
    {
      L = (158.222625721046 * Asinh(P) * std::tanh(42.072277322604 * P + 1.02875299001715) + 1.50277377248945 - 0.0108380943845632 * a) / tb;
      f = 0.992539376734551 * tb + (-6.74159892452584 * std::sqrt(std::tanh(std::tanh(std::tan(P)))) - 0.251747813037178) / L;
    }
    else
    {
      L = (-5.02124037125213 * P * P + 1.15990238966306 * P - 0.158676856669827 * a * std::cos(-6.33932586197475 * P * P * P + 1.1609073390614 * P)) / tb;
      f = tb * (0.867344453126885 + 0.052693817907757 * std::log(P) + 0.0895511178735932 * std::atan(59.7538527741309 * P) - 0.0745653568081453 * P);
    }
  }
  else
  {
    if(tb >= 0.25)
    {
      L = 300.547590563091 * std::atan(std::atan(2.68959772209918 * P)) / (5.5099277187035 * tb - tb * std::tanh(std::cos(Asinh(a)))) +
          2.6778150875894 / tb;
      const double g = -6.19131357321578 * std::sqrt(P) - 0.321432067051302;
      const double L2 = L - 1.14861472207245 / (L - 14.1821147585957);
      f = 0.987205355829873 * tb +
          1.00011788929851 * std::atan2(g, L2 + std::pow(0.9521145021664, std::pow(std::atan2(1.12018764830637, tb), 2.10988901686912 * L - 20.9691278378345)));
    }
    else if(tb >= 0.10)
    {
      L = (142.064321294568 * P + 1.56688617018066 + 0.00419441117131136 * std::cos(243.633511747297 * P) - 0.022953443903576 * a -
           0.026629568860284 * std::cos(127.715550622571 * P)) / tb;
      f = 0.982299356642411 * tb + 0.999441744774215 * Asinh((-5.80540593623676 * std::sqrt(P) - 0.361783054039583) / L);
    }
    else
    {
      L = (269.183679500541 * P * std::cos(std::atan2(std::cosh(-17.2201556280744 * P + 0.988861169868941), 1.08340138240431 * P) + 5.73225668178813) +
           2.45739657014937) / tb;
      f = 2.291956939 * tb + 0.01942450693 * tb * tb * L - 4.67538973161837 * P * tb - 1.668433124 * tb * std::pow(P, P);
    }
  }

  const double H = L * 0.25 / cutoff;
  // The fitted formulas hold for the attenuations and bands the tables cover;
  // outside them they may yield no usable length.
  if(!std::isfinite(H) || H < 0.0 || H > static_cast<double>(1 << kMaxBlockLenBits) || !std::isfinite(f))
    return EStatus::kInvalidArgument;

  o.A = a;
  o.Power = P;
  o.Lambda = L;
  o.Shift = f;
  o.HalfLen = H;
  o.H = static_cast<int>(std::floor(H));
  o.Omega = (1.0 - f) * kPi * cutoff;
  o.BlockLenBits = SignificantBits(2LL * o.H);
  if(o.BlockLenBits > kMaxBlockLenBits)
    return EStatus::kInvalidArgument;
  return EStatus::kOK;
}

CLowPassFilter::~CLowPassFilter() { std::free(KernelRaw); }

EStatus DesignLowPassFIR(CLowPassFilter& f) noexcept
{
  if(!std::isfinite(f.Gain))
    return EStatus::kInvalidArgument;
  LowPassDesignFigures d;
  const EStatus st = ComputeLowPassFigures(f.Cutoff, f.Band, f.Atten, d);
  if(st != EStatus::kOK)
    return st;

  const int h = d.H;
  const int K = 2 * h + 1;
  const int bits = d.BlockLenBits;
  const int L = 2 << bits;

  double* taps = static_cast<double*>(std::malloc(sizeof(double) * K));
  void* raw = std::malloc(sizeof(double) * L + kAlign);
  CFFTHolder fft(bits + 1);
  if(!taps || !raw || !fft)
  {
    std::free(taps);
    std::free(raw);
    return EStatus::kOutOfMemory;
  }

  // Kaiser window (shape 125) raised to |P|, times the sinc, centred on h.
  const double Hr = d.HalfLen;
  const double pw = std::fabs(d.Power);
  auto window = [&](int k) -> double {
    const double r = static_cast<double>(k) / Hr;
    const double r2 = r * r;
    if(r2 > 1.0)
      return 0.0;
    return std::pow(BesselI0(125.0 * std::sqrt(1.0 - r2)) / kI0Of125, pw);
  };
  const double w = d.Omega;
  taps[h] = w / kPi * window(0);
  const double c2 = 2.0 * std::cos(w);
  double sPrev = 0.0;       // sin(0 w)
  double s = std::sin(w);   // sin(1 w)
  for(int k = 1; k <= h; k++)
  {
    const double v = s / (k * kPi) * window(k);
    taps[h + k] = v;
    taps[h - k] = v;
    const double sNext = c2 * s - sPrev;
    sPrev = s;
    s = sNext;
  }

  double* block = AlignPtr(static_cast<double*>(raw));
  std::memset(block, 0, sizeof(double) * L);

  if(f.Phase == 0)
  {
    f.IsZeroPhase = true;
    f.Latency = h;
    f.FracLatency = 0.0;
    double sum = 0.0;
    for(int k = 0; k < K; k++)
      sum += taps[k];
    const double scale = (2.0 / L) * f.Gain / sum;
    for(int j = 0; j <= h; j++)
      block[j] = taps[h + j] * scale;
    for(int j = 1; j <= h; j++)
      block[L - j] = taps[h + j] * scale;
    fft->Forward(block);
    // A symmetric kernel has a real spectrum: put each gain in both slots of
    // its pair so the convolver multiplies element by element.
    for(int i = 2; i < L; i += 2)
      block[i + 1] = block[i];
  }
  else
  {
    f.IsZeroPhase = false;
    double lat = 0.0;
    const EStatus mst = ToMinimumPhase(taps, K, 16, false, lat);
    if(mst != EStatus::kOK)
    {
      std::free(taps);
      std::free(raw);
      return mst;
    }
    f.Latency = static_cast<int>(lat);
    f.FracLatency = lat - f.Latency;
    double sum = 0.0;
    for(int k = 0; k < K; k++)
      sum += taps[k];
    const double scale = (2.0 / L) * f.Gain / sum;
    for(int k = 0; k < K; k++)
      block[k] = taps[k] * scale;
    fft->Forward(block);
  }

  std::free(taps);
  std::free(f.KernelRaw);
  f.KernelRaw = raw;
  f.KernelBlock = block;
  f.KernelLen = K;
  f.BlockLenBits = bits;
  return EStatus::kOK;
}

EStatus ToMinimumPhase(double* kernel, int K, int multiplier, bool finalScaling, double& latency) noexcept
{
  latency = 0.0;
  if(!kernel || K < 1 || multiplier < 1 || static_cast<long long>(K) * multiplier > (1LL << 29))
    return EStatus::kInvalidArgument;

  const int bits = SignificantBits(static_cast<long long>(K) * multiplier - 1);
  const int n = 1 << (bits < 1 ? 1 : bits);
  const int half = n >> 1;

  void* rawA = std::malloc(sizeof(double) * n + kAlign);
  double* mags = static_cast<double*>(std::malloc(sizeof(double) * (half + 1)));
  CFFTHolder fft(bits < 1 ? 1 : bits);
  if(!rawA || !mags || !fft)
  {
    std::free(rawA);
    std::free(mags);
    return EStatus::kOutOfMemory;
  }
  double* a = AlignPtr(static_cast<double*>(rawA));
  std::memset(a, 0, sizeof(double) * n);
  std::memcpy(a, kernel, sizeof(double) * K);

  fft->Forward(a);
  const double dc = a[0];
  const double ny = a[1];
  for(int k = 1; k < half; k++)
    mags[k] = std::sqrt(a[2 * k] * a[2 * k] + a[2 * k + 1] * a[2 * k + 1]);
  a[0] = std::log(std::fabs(dc) + 1e-300);
  a[1] = std::log(std::fabs(ny) + 1e-300);
  for(int k = 1; k < half; k++)
  {
    a[2 * k] = std::log(mags[k] + 1e-300);
    a[2 * k + 1] = 0.0;
  }

  // Real cepstrum, folded into an odd sequence whose transform carries the
  // minimum-phase response's phase in the odd slots.
  fft->Inverse(a);
  const double sc = 2.0 / n;
  a[0] = 0.0;
  a[half] = 0.0;
  for(int i = 1; i < half; i++)
    a[i] *= sc;
  for(int i = half + 1; i < n; i++)
    a[i] *= -sc;

  fft->Forward(a);
  a[0] = dc;
  a[1] = ny;
  for(int k = 1; k < half; k++)
  {
    const double ph = a[2 * k + 1];
    a[2 * k] = mags[k] * std::cos(ph);
    a[2 * k + 1] = mags[k] * std::sin(ph);
  }
  fft->Inverse(a);

  const double outScale = finalScaling ? sc : 1.0;
  for(int k = 0; k < K; k++)
    kernel[k] = a[k] * outScale;

  // DC group delay from the phase of the response at a tiny frequency.
  double S = 0.0, Y = 0.0;
  for(int j = 0; j < K; j++)
  {
    S += kernel[j];
    Y += kernel[j] * j * 1e-9;
  }
  const double p0 = std::atan2(0.0, S);
  double p1 = std::atan2(Y, S);
  if(std::fabs(p1 - p0) > kPi)
    p1 += p1 < p0 ? 2.0 * kPi : -2.0 * kPi;
  latency = (p1 - p0) / 1e-9;

  std::free(rawA);
  std::free(mags);
  return EStatus::kOK;
}

} // namespace rsmp
