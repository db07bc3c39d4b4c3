// Derives the attenuation-correction tables of the resampler's low-pass
// designer (resampler/LowPassCorrectionTables.cpp).
//
// The designer turns a request (cutoff N, transition band tb, attenuation A)
// into a corrected attenuation measure a = -A + c1 - T[i] / S and feeds a to
// fitted formulas for the Kaiser window's power, the kernel length and the
// cutoff shift. Entry i of a band class's table serves the requests whose
// a (before the table) is near -49 - i * 176.25 / 264, i.e.
// A_i = 49 + i * 176.25 / 264 + c1.
//
// For every entry this program designs the kernel for each representative
// request of the class (bands every half percent, cutoffs 1/2 and 1/3, attenuations
// across the entry's bucket), measures the
// stop-band attenuation (peak of the zero-padded spectrum from the cutoff N
// to the Nyquist frequency, relative to DC) and keeps the smallest entry for
// which every design reaches A_i. Entries fixed by the designer's documented
// behaviour (the end points, and the narrow table's entry 131 behind the
// limiter's 136.32 dB filters) are kept and their margins printed.
//
// The design arithmetic is repeated here so that a candidate entry can be
// tried without touching the library's constant tables; --check compares
// this copy with the library's ComputeLowPassFigures for the tables linked in
// and reports what the linked tables reach.
//
// Usage: rsmp_lowpass_corr_gen <output .cpp> | --check

#include "resampler/CLowPassFilter.h"
#include "resampler/LowPassCorrectionTables.h"
#include "tools/RsmpSpectrum.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <thread>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846264338327950288;
const double kI0Of125 = 6.91355057666251e+52;
const int kN = rsmp::kLowPassCorrectionSize;

struct BandClass
{
  const char* name;
  double scale;
  std::vector<double> bands; // percent
  int first, last;           // fixed end entries
  const signed char* linked;
};

double FirstCorrection(double tb, double A)
{
  if (tb >= 0.25)
    return A >= 117 ? -1.6 : (A >= 60 ? -1.91 : -2.25);
  if (tb >= 0.10)
    return A >= 117 ? -0.69 : (A >= 60 ? -0.73 : -1.13);
  return A >= 117 ? -0.21 : (A >= 60 ? -0.25 : -0.36);
}

int EntryOf(double a)
{
  const double fi = std::floor((-49.0 - a) * 264.0 / 176.25 + 0.5);
  return fi < 0 ? 0 : (fi > 264 ? 264 : int(fi));
}

double Asinh(double x) { return std::log(x + std::sqrt(x * x + 1.0)); }

struct Figures
{
  double P, L, f, H, omega;
  int h;
  bool ok;
};

// The fitted formulas, from the fully corrected a.
Figures Fit(double a, double tb, double N)
{
  Figures r{};
  const double u = std::cos(0.00785021930010397 * a);
  const double P = 7.43932822146293e-8 * a * a +
                   0.000102747434588003 * u * std::cos(0.103208573657699 * a + 0.633854318781239) -
                   0.00798132247867036 - 0.000903555213543865 * a -
                   0.0969365532127236 * std::exp(0.0779275237937911 * a) - 1.37304948662012e-5 * a * u;
  double L, f;
  if (P > 0.067665322581)
  {
    if (tb >= 0.25)
    {
      L = (158.556968859477 * Asinh(P) * std::tanh(57.9466246871383 * std::tanh(P)) + 1.50258368698213 -
           0.0105440479814834 * a) / tb;
      f = 0.994024401639321 * tb + (-6.8724924545387 * std::sqrt(std::sin(P)) - 0.236282717577215) / L;
    }
    else if (tb >= 0.10)
    {
      L = (158.222625721046 * Asinh(P) * std::tanh(42.072277322604 * P + 1.02875299001715) + 1.50277377248945 -
           0.0108380943845632 * a) / tb;
      f = 0.992539376734551 * tb +
          (-6.74159892452584 * std::sqrt(std::tanh(std::tanh(std::tan(P)))) - 0.251747813037178) / L;
    }
    else
    {
      L = (-5.02124037125213 * P * P + 1.15990238966306 * P -
           0.158676856669827 * a * std::cos(-6.33932586197475 * P * P * P + 1.1609073390614 * P)) / tb;
      f = tb * (0.867344453126885 + 0.052693817907757 * std::log(P) +
                0.0895511178735932 * std::atan(59.7538527741309 * P) - 0.0745653568081453 * P);
    }
  }
  else
  {
    if (tb >= 0.25)
    {
      L = 300.547590563091 * std::atan(std::atan(2.68959772209918 * P)) /
            (5.5099277187035 * tb - tb * std::tanh(std::cos(Asinh(a)))) + 2.6778150875894 / tb;
      const double g = -6.19131357321578 * std::sqrt(P) - 0.321432067051302;
      const double L2 = L - 1.14861472207245 / (L - 14.1821147585957);
      f = 0.987205355829873 * tb +
          1.00011788929851 *
            std::atan2(g, L2 + std::pow(0.9521145021664, std::pow(std::atan2(1.12018764830637, tb),
                                                                  2.10988901686912 * L - 20.9691278378345)));
    }
    else if (tb >= 0.10)
    {
      L = (142.064321294568 * P + 1.56688617018066 + 0.00419441117131136 * std::cos(243.633511747297 * P) -
           0.022953443903576 * a - 0.026629568860284 * std::cos(127.715550622571 * P)) / tb;
      f = 0.982299356642411 * tb + 0.999441744774215 * Asinh((-5.80540593623676 * std::sqrt(P) - 0.361783054039583) / L);
    }
    else
    {
      L = (269.183679500541 * P *
             std::cos(std::atan2(std::cosh(-17.2201556280744 * P + 0.988861169868941), 1.08340138240431 * P) +
                      5.73225668178813) + 2.45739657014937) / tb;
      f = 2.291956939 * tb + 0.01942450693 * tb * tb * L - 4.67538973161837 * P * tb - 1.668433124 * tb * std::pow(P, P);
    }
  }
  r.P = P;
  r.L = L;
  r.f = f;
  r.H = L * 0.25 / N;
  r.ok = std::isfinite(r.H) && r.H >= 1 && r.H < 1e6 && std::isfinite(f);
  r.h = r.ok ? int(std::floor(r.H)) : 0;
  r.omega = (1 - f) * kPi * N;
  return r;
}

// Stop-band attenuation over [N pi, pi] of the kernel the figures describe.
double Measure(const Figures& g, double N)
{
  const int h = g.h;
  const int K = 2 * h + 1;
  std::vector<double> taps(K);
  const double pw = std::fabs(g.P);
  auto window = [&](int k) {
    const double r = double(k) / g.H;
    return r * r > 1 ? 0.0 : std::pow(rsmp::BesselI0(125.0 * std::sqrt(1 - r * r)) / kI0Of125, pw);
  };
  taps[h] = g.omega / kPi * window(0);
  for (int k = 1; k <= h; ++k)
    taps[h + k] = taps[h - k] = std::sin(k * g.omega) / (k * kPi) * window(k);
  return rsmptools::StopBandAttenuation(taps, N);
}

const std::vector<double> kCutoffs = {0.5, 1.0 / 3.0};

// Representative bands of a class: every half percent.
std::vector<double> Bands(double first, double last)
{
  std::vector<double> v;
  for (double b = first; b <= last + 1e-9; b += 0.5)
    v.push_back(b);
  return v;
}

// Requested attenuations that land on entry i for band tb: five points across
// the entry's bucket (its edges included).
std::vector<double> BucketAttens(int i, double tb)
{
  std::vector<double> out;
  for (double d : {-0.499, -0.25, 0.0, 0.25, 0.499})
  {
    const double a = -49.0 - (i + d) * 176.25 / 264.0;
    // A = -a + c1(A); c1 is constant within each attenuation range.
    double A = -a;
    for (int k = 0; k < 3; ++k)
      A = -a + FirstCorrection(tb, A);
    if (A > 0 && EntryOf(-A + FirstCorrection(tb, A)) == i)
      out.push_back(A);
  }
  return out;
}

// Worst margin (dB reached minus dB asked) over the class's representative
// requests that use entry i, when the entry holds v.
double Worst(const BandClass& c, int i, int v)
{
  double worst = 1e9;
  for (double band : c.bands)
  {
    const double tb = band * 0.01;
    for (double A : BucketAttens(i, tb))
    {
      const double a = -A + FirstCorrection(tb, A) - v / c.scale;
      for (double N : kCutoffs)
      {
        const Figures g = Fit(a, tb, N);
        if (g.ok)
          worst = std::min(worst, Measure(g, N) - A);
      }
    }
  }
  return worst;
}

int Check(const std::vector<BandClass>& classes)
{
  int bad = 0;
  for (const BandClass& c : classes)
  {
    double maxDiff = 0, worstMargin = 1e9;
    // Quarter percents: between the measured bands too.
    std::vector<double> sweep;
    for (double b = c.bands.front(); b <= c.bands.back() + 1e-9; b += 0.25)
      sweep.push_back(b);
    for (double band : sweep)
      for (double A = 50; A <= 224; A += 0.5)
      {
        rsmp::LowPassDesignFigures lib;
        if (rsmp::ComputeLowPassFigures(0.5, band, A, lib) != rsmp::EStatus::kOK)
          continue;
        const double tb = band * 0.01;
        double a = -A + FirstCorrection(tb, A);
        a -= c.linked[EntryOf(a)] / c.scale;
        const Figures g = Fit(a, tb, 0.5);
        maxDiff = std::max({maxDiff, std::fabs(g.H - lib.HalfLen), std::fabs(g.omega - lib.Omega)});
        if (g.h != lib.H)
          ++bad;
        worstMargin = std::min(worstMargin, Measure(g, 0.5) - A);
      }
    std::printf("%s: largest difference to the library's figures %.3g; worst margin of the linked table %.3f dB\n",
                c.name, maxDiff, worstMargin);
  }
  for (double band : {3.0, 8.0})
  {
    double a = -136.32 + FirstCorrection(band * 0.01, 136.32);
    a -= classes[2].linked[EntryOf(a)] / classes[2].scale;
    const Figures g = Fit(a, band * 0.01, 0.5);
    std::printf("136.32 dB at %.0f %%: K = %d, reached %.3f dB\n", band, 2 * g.h + 1, Measure(g, 0.5));
  }
  return bad ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
  std::vector<BandClass> classes = {
    {"kLowPassCorrWide", 101.0, Bands(25.0, 45.0), -127, 40, rsmp::kLowPassCorrWide},
    {"kLowPassCorrMid", 210.0, Bands(10.0, 24.5), -113, 72, rsmp::kLowPassCorrMid},
    {"kLowPassCorrNarrow", 196.0, Bands(1.5, 9.5), -15, -98, rsmp::kLowPassCorrNarrow},
  };
  if (argc == 2 && std::string_view(argv[1]) == "--check")
    return Check(classes);
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: %s <output.cpp> | --check\n", argv[0]);
    return 2;
  }

  std::vector<std::vector<int>> tables(classes.size(), std::vector<int>(kN));
  std::vector<std::vector<double>> margins(classes.size(), std::vector<double>(kN));
  for (size_t ci = 0; ci < classes.size(); ++ci)
  {
    const BandClass& c = classes[ci];
    std::atomic<int> next{0};
    auto work = [&]() {
      for (int i = next++; i < kN; i = next++)
      {
        int v;
        if (i == 0 || i == kN - 1 || (ci == 2 && i == 131))
          v = i == 0 ? c.first : (i == kN - 1 ? c.last : 60);
        else
        {
          // Smallest entry whose designs all reach the target (margin >= 0).
          int lo = -128, hi = 127;
          if (Worst(c, i, lo) >= 0)
            hi = lo;
          else
            while (hi - lo > 1)
            {
              const int mid = (lo + hi) / 2;
              if (Worst(c, i, mid) >= 0)
                hi = mid;
              else
                lo = mid;
            }
          v = hi;
        }
        tables[ci][i] = v;
        margins[ci][i] = Worst(c, i, v);
      }
    };
    std::vector<std::thread> pool;
    const unsigned nt = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned t = 0; t < nt; ++t)
      pool.emplace_back(work);
    for (std::thread& t : pool)
      t.join();
    double worst = 1e9;
    for (int i = 0; i < kN; ++i)
    {
      worst = std::min(worst, margins[ci][i]);
      if (margins[ci][i] < 0)
        std::fprintf(stderr, "%s[%d] = %d misses its target by %.3f dB\n", c.name, i, tables[ci][i], -margins[ci][i]);
    }
    std::fprintf(stderr, "%s: worst margin %.3f dB\n", c.name, worst);
  }

  FILE* f = std::fopen(argv[1], "w");
  if (!f)
  {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(f, "// Generated by tools/rsmp_lowpass_corr_gen: attenuation corrections of the\n"
                  "// low-pass designer, measured so that each design reaches the attenuation\n"
                  "// asked for. Do not edit; rerun the generator instead.\n\n"
                  "#include \"resampler/LowPassCorrectionTables.h\"\n\nnamespace rsmp {\n\n"
                  "// Entry i corrects a design whose corrected attenuation sits near\n"
                  "// 49 + i * 176.25 / 264 dB; entry / scale is the correction in dB.\n");
  for (size_t ci = 0; ci < classes.size(); ++ci)
  {
    std::fprintf(f, "\nconst signed char %s[kLowPassCorrectionSize] = {", classes[ci].name);
    for (int i = 0; i < kN; ++i)
      std::fprintf(f, "%s%d,", i % 16 ? " " : "\n  ", tables[ci][i]);
    std::fprintf(f, "\n};\n");
  }
  std::fprintf(f, "\n} // namespace rsmp\n");
  std::fclose(f);
  return 0;
}
