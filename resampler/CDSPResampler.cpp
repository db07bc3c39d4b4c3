#include "resampler/CDSPResampler.h"

#include "resampler/CDSPBlockConvolver.h"
#include "resampler/CDSPFracInterpolator.h"
#include "resampler/CDSPHBDownsampler.h"
#include "resampler/CDSPHBUpsampler.h"
#include "resampler/CLowPassCache.h"
#include "resampler/RsmpAlign.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace rsmp {

namespace {

// Whole stepping between two rates: steps src/g and dst/g, g their common
// divisor, with the output step at most 1500.
bool IsWholeStepping(double src, double dst)
{
  const double g = CDSPFracInterpolator::FindDivisor(src, dst);
  if(g < 1.0)
    return false;
  const double ds = dst / g;
  const double ss = src / g;
  return std::floor(ds) <= 1500.0 && ds == std::floor(ds) && ss == std::floor(ss);
}

} // namespace

CDSPResampler::CDSPResampler(double SrcSampleRate, double DstSampleRate, int MaxInLen, double ReqTransBand,
                             double ReqAtten, int ReqPhase)
  : mMaxInLen(MaxInLen)
  , mMaxOutLen(MaxInLen)
{
  if(!std::isfinite(SrcSampleRate) || !std::isfinite(DstSampleRate) || SrcSampleRate <= 0.0 || DstSampleRate <= 0.0)
  {
    Fail(EStatus::kInvalidRate);
    return;
  }
  if(MaxInLen <= 0)
  {
    Fail(EStatus::kInvalidLength);
    return;
  }
  if(SrcSampleRate == DstSampleRate)
    return; // pass-through: no stage, no scratch

  if(!std::isfinite(ReqTransBand) || ReqTransBand <= 0.0 || ReqTransBand >= 100.0 || !std::isfinite(ReqAtten) ||
     ReqAtten <= 0.0)
  {
    Fail(EStatus::kInvalidArgument);
    return;
  }

  BuildChain(SrcSampleRate, DstSampleRate, ReqTransBand, ReqAtten, ReqPhase);
  if(mStatus == EStatus::kOK)
    AllocScratch();
}

CDSPResampler::~CDSPResampler() { FreeAll(); }

void CDSPResampler::Fail(EStatus s)
{
  if(mStatus == EStatus::kOK)
    mStatus = s;
  FreeAll();
  mFracLatency = 0.0;
  mMaxOutLen = 0;
}

void CDSPResampler::FreeAll()
{
  for(int i = 0; i < mStageCount; i++)
    delete mStages[i];
  mStageCount = 0;
  mStageCapacity = 0;
  std::free(mStagesRaw);
  mStagesRaw = nullptr;
  mStages = nullptr;
  std::free(mScratchRaw);
  mScratchRaw = nullptr;
  mScratch[0] = mScratch[1] = nullptr;
  mScratchCapacity[0] = mScratchCapacity[1] = 0;
}

void CDSPResampler::AddStage(CDSPProcessor* stage)
{
  if(mStatus != EStatus::kOK)
  {
    delete stage;
    return;
  }
  if(!stage)
  {
    Fail(EStatus::kOutOfMemory);
    return;
  }
  if(stage->GetStatus() != EStatus::kOK)
  {
    const EStatus s = stage->GetStatus();
    delete stage;
    Fail(s);
    return;
  }
  if(mMaxOutLen > INT_MAX / 4)
  {
    delete stage;
    Fail(EStatus::kInvalidLength);
    return;
  }

  if(mStageCount == mStageCapacity)
  {
    const int cap = mStageCapacity + 8;
    void* raw = std::malloc(sizeof(CDSPProcessor*) * cap + kAlign);
    if(!raw)
    {
      delete stage;
      Fail(EStatus::kOutOfMemory);
      return;
    }
    CDSPProcessor** arr = AlignPtr(static_cast<CDSPProcessor**>(raw));
    if(mStageCount > 0)
      std::memcpy(arr, mStages, sizeof(CDSPProcessor*) * mStageCount);
    std::free(mStagesRaw);
    mStagesRaw = raw;
    mStages = arr;
    mStageCapacity = cap;
  }

  mFracLatency = stage->GetFracLatency();
  mMaxOutLen = stage->GetMaxOutputLength(mMaxOutLen);
  if(mMaxOutLen > mScratchCapacity[mScratchIndex])
    mScratchCapacity[mScratchIndex] = mMaxOutLen;
  mScratchIndex ^= 1;
  mStages[mStageCount++] = stage;
}

void CDSPResampler::BuildChain(double Src, double Dst, double Band, double Att, int Phase)
{
  auto addBC = [&](int up, int down, double cutoff, double band, double gain) {
    if(mStatus != EStatus::kOK)
      return;
    EStatus st = EStatus::kOK;
    CLowPassFilter* f = CLowPassCache::Get(cutoff, band, Att, Phase, gain, &st);
    if(!f)
    {
      Fail(st);
      return;
    }
    CDSPBlockConvolver* bc = new CDSPBlockConvolver(f, up, down, mFracLatency, true);
    if(!bc)
      CLowPassCache::Release(f);
    AddStage(bc);
  };
  auto addHBUp = [&](int s, bool family3) {
    if(mStatus == EStatus::kOK)
      AddStage(new CDSPHBUpsampler(Att, s, family3, true, mFracLatency));
  };
  auto addHBDown = [&](int s, bool family3) {
    if(mStatus == EStatus::kOK)
      AddStage(new CDSPHBDownsampler(Att, s, family3, mFracLatency));
  };
  auto addInterp = [&](bool family3, double src, double dst) {
    if(mStatus == EStatus::kOK)
      AddStage(new CDSPFracInterpolator(family3, src, dst, Att, mFracLatency));
  };

  // 1. Single-step ratios.
  if(Src == 2.0 * Dst)
    return addBC(1, 2, 0.5, Band, 1.0);
  if(Src == 3.0 * Dst)
    return addBC(1, 3, 1.0 / 3.0, Band, 1.0);
  if(2.0 * Src == 3.0 * Dst)
    return addBC(2, 3, 1.0 / 3.0, Band, 2.0);
  if(3.0 * Src == 2.0 * Dst)
    return addBC(3, 2, 1.0 / 3.0, Band, 3.0);
  if(3.0 * Src == 4.0 * Dst)
    return addBC(3, 4, 0.25, Band, 3.0);

  // 2. Whole power-of-two (or 3 times power-of-two) upsampling.
  for(int base = 2; base <= 3; base++)
  {
    int c = 0;
    double t = base * Src;
    while(t < Dst)
    {
      t *= 2.0;
      c++;
    }
    if(t == Dst)
    {
      addBC(base, 1, 1.0 / base, Band, static_cast<double>(base));
      for(int s = 0; s < c; s++)
        addHBUp(s, base == 3);
      return;
    }
  }

  // 3. Downsampling by 2 or more.
  if(2.0 * Dst <= Src)
  {
    int c = 0;
    double check = 4.0 * Dst;
    while(Src >= check)
    {
      c++;
      check *= 2.0;
    }
    const double finGain = std::ldexp(1.0, -c);
    const double D = std::ldexp(1.0, c);
    int down;
    double cutoff;
    bool interp = false;
    bool family3;
    if(Dst * D * 2.0 == Src)
    {
      down = 2;
      cutoff = 0.5;
      family3 = false;
    }
    else if(Dst * D * 3.0 == Src)
    {
      down = 3;
      cutoff = 1.0 / 3.0;
      family3 = true;
    }
    else
    {
      down = 1;
      cutoff = Dst * D / Src;
      interp = true;
      family3 = 3.0 * cutoff <= 1.0;
    }
    for(int s = c - 1; s >= 0; s--)
      addHBDown(s, family3);
    addBC(1, down, cutoff, Band, finGain);
    if(interp)
      addInterp(family3, Src, Dst * D);
    return;
  }

  // 4. Fractional conversion (up, or down by less than 2).
  addBC(2, 1, Dst > Src ? 0.5 : 0.5 * Dst / Src, Band, 2.0);
  // The threshold needs a band below 1 / 0.0175 (57 %); past it the loops
  // below would never end.
  const double T = Src / (1.0 - 0.0175 * Band);
  if(!(T > 0.0) || !std::isfinite(T))
  {
    Fail(EStatus::kInvalidArgument);
    return;
  }
  int c = 0;
  double div = 1.0;
  while(2.0 * div * T <= Dst)
  {
    div *= 2.0;
    c++;
  }
  int c2 = 0;
  double div2 = 1.0;
  while(div2 * (c2 == 0 ? 3.0 : 2.0) * T <= Dst)
  {
    div2 *= (c2 == 0 ? 3.0 : 2.0);
    c2++;
  }
  if(c == 1 && IsWholeStepping(2.0 * Src, Dst))
    c = 0;
  if(c == 0)
    return addInterp(false, 2.0 * Src, Dst);

  int m = 2;
  if(c2 > 0 && div2 > div)
  {
    div = div2;
    c = c2;
    m = 3;
  }
  addInterp(false, 2.0 * Src * div, Dst);
  const double band2 = std::fmin(45.0, (1.0 - div * Src / Dst) / 0.0175);
  addBC(m, 1, 1.0 / m, band2, static_cast<double>(m));
  for(int s = 0; s < c - 1; s++)
    addHBUp(s, m == 3);
}

void CDSPResampler::AllocScratch()
{
  const long long total = static_cast<long long>(mScratchCapacity[0]) + mScratchCapacity[1];
  if(total <= 0)
    return;
  if(total > (static_cast<long long>(INT_MAX) - static_cast<long long>(kAlign)) / static_cast<long long>(sizeof(double)))
  {
    Fail(EStatus::kInvalidLength);
    return;
  }
  void* raw = std::malloc(static_cast<std::size_t>(total) * sizeof(double) + kAlign);
  if(!raw)
  {
    Fail(EStatus::kOutOfMemory);
    return;
  }
  std::free(mScratchRaw);
  mScratchRaw = raw;
  mScratch[0] = AlignPtr(static_cast<double*>(raw));
  mScratch[1] = mScratch[0] + mScratchCapacity[0];
}

int CDSPResampler::GetMaxOutputLength(int) const { return mMaxOutLen; }

const CDSPProcessor* CDSPResampler::GetStage(int i) const
{
  return i >= 0 && i < mStageCount ? mStages[i] : nullptr;
}

void CDSPResampler::ClearState()
{
  for(int i = 0; i < mStageCount; i++)
    mStages[i]->ClearState();
}

int CDSPResampler::ProcessSamples(double* ip, int l, double*& op)
{
  if(mStatus != EStatus::kOK || l < 0 || l > mMaxInLen || (l > 0 && !ip))
    return kProcessRefused;
  if(mStageCount == 0)
  {
    op = ip;
    return l;
  }
  double* cur = ip;
  for(int i = 0; i < mStageCount; i++)
  {
    double* target = mScratch[i & 1];
    l = mStages[i]->ProcessSamples(cur, l, target);
    if(l < 0)
      return kProcessRefused; // cannot happen with the bounds above
    cur = target;
  }
  op = cur;
  return l;
}

} // namespace rsmp
