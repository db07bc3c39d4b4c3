#include "resampler/CDSPHBDownsampler.h"

#include "resampler/CDSPHBUpsampler.h"
#include "resampler/RsmpStageRing.h"
#include "resampler/RsmpVectorClones.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace rsmp {

namespace {

// One output per even input position: the centre sample plus the symmetric
// odd-distance taps around it. The odd-position samples a chunk of outputs
// reads are first gathered into a contiguous array, so that the tap loop runs
// on contiguous data and vectorises across outputs; every output still sums
// its taps in the same order.
template <int T>
RSMP_VECTOR_CLONES void DownKernel(double* op, const double* src, int n, const double* flt)
{
  constexpr int kChunk = 256;
  double c[T];
  for (int k = 0; k < T; ++k)
    c[k] = flt[k];
  // odd[i] = src[2 (i - T) + 1]: the odd neighbours from -(2T - 1) on.
  alignas(64) double odd[kChunk + 2 * T];
  while (n > 0)
  {
    const int m = n < kChunk ? n : kChunk;
    for (int i = 0; i < m + 2 * T - 1; ++i)
      odd[i] = src[2 * (i - T) + 1];
    for (int j = 0; j < m; ++j)
    {
      const double* o = odd + T + j;
      double acc = 0.0;
      for (int k = 0; k < T; ++k)
        acc += c[k] * (o[-k - 1] + o[k]);
      op[j] = src[2 * j] + acc;
    }
    op += m;
    src += 2 * m;
    n -= m;
  }
}

template <int... I>
constexpr auto MakeKernels(std::integer_sequence<int, I...>)
{
  using K = void (*)(double*, const double*, int, const double*);
  return std::array<K, sizeof...(I)>{&DownKernel<I + 1>...};
}

constexpr auto kKernels = MakeKernels(std::make_integer_sequence<int, kHalfBandMaxTaps>{});

} // namespace

CDSPHBDownsampler::CDSPHBDownsampler(double ReqAtten, int SteepIndex, bool IsThird, double PrevLatency)
{
  double att = 0.0;
  if (IsThird)
    CDSPHBUpsampler::SelectHalfBand(SteepIndex, ReqAtten, mFlt, mFltT, att);
  else
    CDSPHBUpsampler::SelectSteepHalfBand(SteepIndex, ReqAtten, mFlt, mFltT, att);

  mFltLen = 2 * mFltT - 1;
  mThreshold = mFltLen;
  mMirrorLen = 2 * mFltLen;
  mWriteLimit = kBufLen + 1 - 2 * mFltT;
  mReadBase = mBuf + mFltLen;

  const double prev = SaneFraction(PrevLatency) * 0.5;
  mLatency = int(prev);
  mFracLatency = prev - mLatency;
  mKernel = kKernels[mFltT - 1];
  ClearState();
}

void CDSPHBDownsampler::ClearState()
{
  mWithhold = mLatency;
  mPending = 0;
  mWritePos = 0;
  mReadPos = mWriteLimit;
  // History before the first sample (and the mirror area) reads as silence.
  std::memset(mBuf + mWriteLimit, 0, sizeof(double) * (kBufLen + kMirror - mWriteLimit));
}

int CDSPHBDownsampler::ProcessSamples(double* ip, int l, double*& op)
{
  if (l < 0 || (l > 0 && (ip == nullptr || op == nullptr)))
    return kProcessRefused;
  double* out = op;
  int produced = 0;
  while (l > 0)
  {
    const int n = std::min({kBufLen - mWritePos, l, mWriteLimit - mPending});
    WriteRing(mBuf, kBufLen, mMirrorLen, mWritePos, ip, n);
    ip += n;
    l -= n;
    mWritePos = (mWritePos + n) & (kBufLen - 1);
    mPending += n;

    if (mPending > mThreshold)
    {
      const int outs = (mPending - mThreshold + 1) >> 1;
      int r = mReadPos;
      for (int left = outs; left > 0;)
      {
        // Outputs whose centre lies before the ring's end in this run.
        const int run = std::min(left, (kBufLen - r + 1) >> 1);
        mKernel(out, mReadBase + r, run, mFlt);
        out += run;
        left -= run;
        r = (r + 2 * run) & (kBufLen - 1);
      }
      mReadPos = r;
      mPending -= 2 * outs;
      produced += outs;
    }
  }

  return ReleaseWithheld(mWithhold, produced, op);
}

} // namespace rsmp
