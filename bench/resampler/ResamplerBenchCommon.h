#pragma once
// Shared pieces of the resampler measurement programs: our converter and
// libsoxr behind one streaming interface, and a spectrum analyser.

#include "resampler/CDSPResampler.h"
#include "tools/RsmpSpectrum.h"

#include <soxr.h>

#include <cmath>
#include <complex>
#include <memory>
#include <string>
#include <vector>

namespace rsmpbench {

// One channel streamed through a converter in blocks.
class Converter
{
public:
  virtual ~Converter() = default;
  // Appends the output of n input samples.
  virtual void Process(const double* in, int n, std::vector<double>& out) = 0;
  virtual const char* Name() const = 0;
};

class OursConverter : public Converter
{
public:
  OursConverter(double src, double dst, int maxIn, double band)
    : mMaxIn(maxIn), mRs(src, dst, maxIn, band, 136.32, 0)
  {
  }
  bool Ok() const { return mRs.GetStatus() == rsmp::EStatus::kOK; }
  void Process(const double* in, int n, std::vector<double>& out) override
  {
    while (n > 0)
    {
      const int l = n < mMaxIn ? n : mMaxIn;
      double* op = nullptr;
      const int m = mRs.ProcessSamples(const_cast<double*>(in), l, op);
      if (m > 0)
        out.insert(out.end(), op, op + m);
      in += l;
      n -= l;
    }
  }
  const char* Name() const override { return "ours"; }

private:
  int mMaxIn;
  rsmp::CDSPResampler24_44k mRs;
};

class SoxrConverter : public Converter
{
public:
  // recipe: SOXR_VHQ or SOXR_HQ; passbandEnd 0 keeps the recipe's default.
  SoxrConverter(double src, double dst, unsigned long recipe, double passbandEnd, unsigned channels = 1)
    : mRatio(dst / src), mChannels(channels)
  {
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    soxr_quality_spec_t q = soxr_quality_spec(recipe, SOXR_LINEAR_PHASE);
    if (passbandEnd > 0)
      q.passband_end = passbandEnd;
    soxr_runtime_spec_t rt = soxr_runtime_spec(1);
    soxr_error_t err = nullptr;
    mS = soxr_create(src, dst, channels, &err, &io, &q, &rt);
    if (err)
      mS = nullptr;
  }
  ~SoxrConverter() override
  {
    if (mS)
      soxr_delete(mS);
  }
  bool Ok() const { return mS != nullptr; }
  void Process(const double* in, int n, std::vector<double>& out) override
  {
    const size_t cap = size_t(std::ceil(n * mRatio)) + 64;
    const size_t base = out.size();
    out.resize(base + cap * mChannels);
    size_t idone = 0, odone = 0;
    soxr_process(mS, in, size_t(n), &idone, out.data() + base, cap, &odone);
    out.resize(base + odone * mChannels);
  }
  // Raw interleaved processing for the speed benchmark.
  size_t ProcessRaw(const double* in, size_t n, double* out, size_t cap)
  {
    size_t idone = 0, odone = 0;
    soxr_process(mS, in, n, &idone, out, cap, &odone);
    return odone;
  }
  const char* Name() const override { return "soxr"; }

private:
  soxr_t mS = nullptr;
  double mRatio;
  unsigned mChannels;
};

// Modified Bessel function I0 by its power series (long double).
inline long double BesselI0Series(long double x)
{
  long double sum = 1, term = 1;
  for (int k = 1; k < 200; ++k)
  {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
    if (term < sum * 1e-21L)
      break;
  }
  return sum;
}

// Kaiser window with shape 20: side lobes near -190 dB, far below the
// attenuations being measured.
inline std::vector<double> KaiserWindow(size_t n, double beta = 20.0)
{
  std::vector<double> w(n);
  const long double i0b = BesselI0Series(beta);
  for (size_t i = 0; i < n; ++i)
  {
    const long double r = 2.0L * i / (n - 1) - 1.0L;
    w[i] = double(BesselI0Series(beta * std::sqrt(std::max(0.0L, 1 - r * r))) / i0b);
  }
  return w;
}

// Magnitude spectrum (bins 0 ... n/2) of a windowed real segment, scaled so
// that a bin-centred sine of amplitude A reads A at its bin.
inline std::vector<double> Spectrum(const double* x, size_t n, const std::vector<double>& w)
{
  std::vector<std::complex<double>> a(n);
  double wsum = 0;
  for (size_t i = 0; i < n; ++i)
  {
    a[i] = x[i] * w[i];
    wsum += w[i];
  }
  rsmptools::ForwardFft(a);
  std::vector<double> m(n / 2 + 1);
  for (size_t k = 0; k <= n / 2; ++k)
    m[k] = std::abs(a[k]) * 2.0 / wsum;
  return m;
}

inline double Db(double v) { return 20.0 * std::log10(v); }

} // namespace rsmpbench
