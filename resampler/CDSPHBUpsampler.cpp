#include "resampler/CDSPHBUpsampler.h"

#include "resampler/RsmpStageRing.h"
#include "resampler/RsmpVectorClones.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace rsmp {

namespace {

// One output pair per input position: the centre sample, then the
// interpolated sample between it and the next input.
template <int T>
RSMP_VECTOR_CLONES void UpKernel(double* op, const double* src, int n, const double* flt)
{
  double c[T];
  for (int k = 0; k < T; ++k)
    c[k] = flt[k];
  for (int j = 0; j < n; ++j)
  {
    const double* s = src + j;
    double acc = 0.0;
    for (int k = 0; k < T; ++k)
      acc += c[k] * (s[-k] + s[1 + k]);
    op[2 * j] = s[0];
    op[2 * j + 1] = acc;
  }
}

template <int... I>
constexpr auto MakeKernels(std::integer_sequence<int, I...>)
{
  using K = void (*)(double*, const double*, int, const double*);
  return std::array<K, sizeof...(I)>{&UpKernel<I + 1>...};
}

constexpr auto kKernels = MakeKernels(std::make_integer_sequence<int, kHalfBandMaxTaps>{});

void Select(const SHalfBandRow* rows, int s, double ReqAtten, const double*& flt, int& fltt, double& att)
{
  const SHalfBandRow& row = rows[std::clamp(s, 0, kHalfBandRowCount - 1)];
  // Index = number of filters, other than the last, listed below the request.
  int i = 0;
  while (i < row.Count - 1 && row.Filters[i].Atten < ReqAtten)
    ++i;
  flt = row.Filters[i].Coeffs;
  fltt = row.Filters[i].Taps;
  att = row.Filters[i].Atten;
}

} // namespace

void CDSPHBUpsampler::SelectHalfBand(int s, double ReqAtten, const double*& flt, int& fltt, double& att)
{
  Select(kThirdHalfBandRows, s, ReqAtten, flt, fltt, att);
}

void CDSPHBUpsampler::SelectSteepHalfBand(int s, double ReqAtten, const double*& flt, int& fltt,
                                          double& att)
{
  Select(kPow2HalfBandRows, s, ReqAtten, flt, fltt, att);
}

CDSPHBUpsampler::CDSPHBUpsampler(double ReqAtten, int SteepIndex, bool IsThird, bool DoConsumeLatency,
                                 double PrevLatency)
  : mFlt(mFltCopy), mConsume(DoConsumeLatency)
{
  const double* flt = nullptr;
  double att = 0.0;
  if (IsThird)
    SelectHalfBand(SteepIndex, ReqAtten, flt, mFltT, att);
  else
    SelectSteepHalfBand(SteepIndex, ReqAtten, flt, mFltT, att);
  std::memset(mFltCopy, 0, sizeof(mFltCopy));
  std::memcpy(mFltCopy, flt, sizeof(double) * mFltT);

  mFltT1 = mFltT - 1;
  mFltLen = 2 * mFltT - 1;
  mReadBase = mBuf + mFltT1;

  const double prev2 = 2.0 * SaneFraction(PrevLatency);
  mLatency = int(prev2);
  mFracLatency = prev2 - mLatency;
  if (mConsume)
    mWriteLimit = kBufLen + 1 - mFltT;
  else
  {
    mLatency += 2 * mFltT;
    mWriteLimit = kBufLen + 1 - 2 * mFltT;
  }
  mKernel = kKernels[mFltT - 1];
  ClearState();
}

void CDSPHBUpsampler::ClearState()
{
  mWithhold = mConsume ? mLatency : 0;
  mPending = mConsume ? 0 : mFltT;
  mWritePos = 0;
  // The first window centre sits on ring position 512, the mirror of 0.
  mReadPos = mWriteLimit % kBufLen;
  // History before the first sample (and the mirror area) reads as silence.
  std::memset(mBuf + mWriteLimit, 0, sizeof(double) * (kBufLen + kMirror - mWriteLimit));
}

int CDSPHBUpsampler::ProcessSamples(double* ip, int l, double*& op)
{
  if (l < 0 || (l > 0 && (ip == nullptr || op == nullptr)))
    return kProcessRefused;
  double* out = op;
  int produced = 0;
  while (l > 0)
  {
    const int n = std::min({kBufLen - mWritePos, l, mWriteLimit - mPending});
    WriteRing(mBuf, kBufLen, mFltLen, mWritePos, ip, n);
    ip += n;
    l -= n;
    mWritePos = (mWritePos + n) & (kBufLen - 1);
    mPending += n;

    if (mPending > mFltT)
    {
      const int m = mPending - mFltT;
      int r = mReadPos;
      for (int left = m; left > 0;)
      {
        const int run = std::min(left, kBufLen - r);
        mKernel(out, mReadBase + r, run, mFlt);
        out += 2 * run;
        left -= run;
        r = (r + run) & (kBufLen - 1);
      }
      mReadPos = r;
      mPending -= m;
      produced += 2 * m;
    }
  }

  return ReleaseWithheld(mWithhold, produced, op);
}

} // namespace rsmp
