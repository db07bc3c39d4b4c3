#include "resampler/CDSPFusedSpectrum.h"
#include "resampler/CDSPRealFFT.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

using namespace rsmp;

namespace {

struct FFTPair
{
  CDSPRealFFT* in;
  CDSPRealFFT* out;
  FFTPair(int inBits, int outBits, bool wide) : in(CDSPRealFFT::Create(inBits, wide)), out(CDSPRealFFT::Create(outBits, wide)) {}
  ~FFTPair()
  {
    CDSPRealFFT::Destroy(in);
    CDSPRealFFT::Destroy(out);
  }
};

// A kernel spectrum of length n: zero-phase kernels hold each real gain
// twice (the Nyquist gain sits alone in slot 1), others arbitrary pairs.
std::vector<double> Kernel(int n, bool zeroPhase, std::mt19937& rng)
{
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> k(n);
  for(double& v : k)
    v = u(rng);
  if(zeroPhase)
    for(int i = 2; i < n; i += 2)
      k[i + 1] = k[i];
  return k;
}

// The step-by-step spectral work of an upsampling-by-2 block: forward
// transform of n/2 samples, the spectrum replicated to length n, the kernel
// applied, inverse transform of length n.
std::vector<double> StepwiseUp(const FFTPair& f, std::vector<double> a, const std::vector<double>& k, bool zp)
{
  const int n = f.out->GetLen(), N = n / 2;
  a.resize(n);
  f.in->Forward(a.data());
  for(int j = 1; j < N / 2; j++)
  {
    a[N + 2 * j] = a[N - 2 * j];
    a[N + 2 * j + 1] = -a[N - 2 * j + 1];
  }
  a[N] = a[1];
  a[N + 1] = 0.0;
  a[1] = a[0];
  a[0] *= k[0];
  a[1] *= k[1];
  for(int i = 2; i < n; i += 2)
  {
    const double re = zp ? a[i] * k[i] : a[i] * k[i] - a[i + 1] * k[i + 1];
    const double im = zp ? a[i + 1] * k[i + 1] : a[i] * k[i + 1] + a[i + 1] * k[i];
    a[i] = re;
    a[i + 1] = im;
  }
  f.out->Inverse(a.data());
  return a;
}

// Downsampling by 2: forward transform of n samples, the first n/2 values
// kept and weighted, the real part of the product at bin n/4 in the Nyquist
// slot, inverse transform of length n/2.
std::vector<double> StepwiseDown(const FFTPair& f, std::vector<double> a, const std::vector<double>& k, bool zp)
{
  const int M = f.out->GetLen();
  f.in->Forward(a.data());
  const double nyq = zp ? k[M] * a[M] : k[M] * a[M] - k[M + 1] * a[M + 1];
  a[0] *= k[0];
  for(int i = 2; i < M; i += 2)
  {
    const double re = zp ? a[i] * k[i] : a[i] * k[i] - a[i + 1] * k[i + 1];
    const double im = zp ? a[i + 1] * k[i + 1] : a[i] * k[i + 1] + a[i + 1] * k[i];
    a[i] = re;
    a[i + 1] = im;
  }
  a[1] = nyq;
  f.out->Inverse(a.data());
  a.resize(M);
  return a;
}

} // namespace

// The one-pass forms do the stepwise arithmetic in the same order: equal
// results for every size, both kernel kinds and both instruction sets.
TEST(FusedSpectrum, UpAndDownBy2EqualTheStepwiseSpectralWork)
{
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for(int bits = 5; bits <= 13; bits++)
    for(const bool wide : {true, false})
      for(const bool zp : {true, false})
      {
        const int n = 1 << bits;
        SCOPED_TRACE(testing::Message() << "n=" << n << " wide=" << wide << " zeroPhase=" << zp);
        const std::vector<double> k = Kernel(n, zp, rng);
        std::vector<double> kr(n / 2), ki(n / 2);
        SplitKernel(k.data(), n / 2, kr.data(), ki.data());

        FFTPair up(bits - 1, bits, wide);
        ASSERT_TRUE(up.in && up.out);
        std::vector<double> x(n / 2);
        for(double& v : x)
          v = u(rng);
        const std::vector<double> refUp = StepwiseUp(up, x, k, zp);
        // The convolver's arrangement: one scratch area for both transforms,
        // the inverse split step's result in the block itself.
        std::vector<double> a(n), re(n / 2), im(n / 2);
        std::memcpy(a.data(), x.data(), sizeof(double) * x.size());
        up.in->ForwardComplex(a.data(), re.data(), im.data());
        FusedUp2(re.data(), im.data(), *up.in, *up.out, kr.data(), ki.data(), zp, a.data(), a.data() + n / 2);
        up.out->InverseComplex(a.data(), a.data() + n / 2, re.data(), im.data(), a.data());
        ASSERT_EQ(a, refUp);

        FFTPair dn(bits, bits - 1, wide);
        ASSERT_TRUE(dn.in && dn.out);
        std::vector<double> y(n);
        for(double& v : y)
          v = u(rng);
        const std::vector<double> refDn = StepwiseDown(dn, y, k, zp);
        // Separate arrays this time.
        std::vector<double> tr(n / 4, 0.0), ti(n / 4, 0.0);
        dn.in->ForwardComplex(y.data(), re.data(), im.data());
        FusedDown2(re.data(), im.data(), *dn.in, *dn.out, kr.data(), ki.data(), zp, tr.data(), ti.data());
        dn.out->InverseComplex(tr.data(), ti.data(), re.data(), im.data(), y.data());
        y.resize(n / 2);
        ASSERT_EQ(y, refDn);
      }
}
