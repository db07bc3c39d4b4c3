#include "plugin/dsp/LimiterEngine.h"

#include "plugin/dsp/FollowerPair.h"
#include "plugin/dsp/LimiterStagePair.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#if !defined(__SSE2__)
#error "the engine is written for x86-64 (SSE2)"
#endif
#include <emmintrin.h>

namespace {

constexpr int kOSFactors[8] = {2, 4, 8, 16, 32, 64, 128, 256};

// Whether the processor runs the AVX2 build of the per-sample pass; decided
// once at load time, so the audio thread only reads two flags.
bool DetectAvx2() noexcept
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}
const bool gHasAvx2 = DetectAvx2();
std::atomic<bool> gWideAllowed {true};

template <typename T> T ClampTo(T v, T lo, T hi)
{
  return v < lo ? lo : (v > hi ? hi : v);
}

// Copies n samples, turning NaN and infinities into silence.
void CopyFinite(const double* src, double* dst, int n) noexcept
{
  if (!src)
  {
    std::memset(dst, 0, static_cast<size_t>(n) * sizeof(double));
    return;
  }
  // |v| < infinity is false exactly for NaN and the infinities.
  const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  const __m128d inf = _mm_set1_pd(std::numeric_limits<double>::infinity());
  int i = 0;
  for (; i + 2 <= n; i += 2)
  {
    const __m128d v = _mm_loadu_pd(src + i);
    _mm_storeu_pd(dst + i, _mm_and_pd(_mm_cmplt_pd(_mm_and_pd(v, absMask), inf), v));
  }
  for (; i < n; ++i)
    dst[i] = std::isfinite(src[i]) ? src[i] : 0.0;
}

// Steps the eight input and output meters over a chunk: the input meters
// with |in * factor|, the output meters with |out|. The fast meters go in
// vector pairs, both pairs in one loop so that their updates overlap; the
// levels are kept in short scratch rows, over which the hold meters then take
// whole runs.
// Compiled twice, as the limiter pass is (see LimiterEngine::Kernels).
__attribute__((always_inline)) inline void StepLevelMetersBody(LimiterMeters& meters, const double* inL,
                                                               const double* inR, double factor,
                                                               const double* outL, const double* outR, int n,
                                                               double* scratchIn, double* scratchOut,
                                                               int scratchFrames) noexcept
{
  const __m128d f = _mm_set1_pd(factor);
  const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  for (int done = 0; done < n;)
  {
    const int len = std::min(n - done, scratchFrames);
    {
      FollowerPair<false, false> inFast(meters[LimiterMeters::kInLFast], meters[LimiterMeters::kInRFast]);
      FollowerPair<false, false> outFast(meters[LimiterMeters::kOutLFast], meters[LimiterMeters::kOutRFast]);
      for (int j = 0; j < len; ++j)
      {
        const int i = done + j;
        const __m128d vi = _mm_and_pd(_mm_mul_pd(_mm_set_pd(inR[i], inL[i]), f), absMask);
        const __m128d vo = _mm_and_pd(_mm_set_pd(outR[i], outL[i]), absMask);
        _mm_store_pd(scratchIn + 2 * j, vi);
        _mm_store_pd(scratchOut + 2 * j, vo);
        inFast.Step(vi);
        outFast.Step(vo);
      }
    }
    StepLevelRuns<false>(meters[LimiterMeters::kInLFast], meters[LimiterMeters::kInRFast],
                         meters[LimiterMeters::kInLHold], meters[LimiterMeters::kInRHold], scratchIn, len);
    StepLevelRuns<false>(meters[LimiterMeters::kOutLFast], meters[LimiterMeters::kOutRFast],
                         meters[LimiterMeters::kOutLHold], meters[LimiterMeters::kOutRHold], scratchOut, len);
    done += len;
  }
}

__attribute__((target("avx2"), flatten)) void StepLevelMetersWide(LimiterMeters& meters, const double* inL,
                                                                  const double* inR, double factor,
                                                                  const double* outL, const double* outR,
                                                                  int n, double* scratchIn, double* scratchOut,
                                                                  int scratchFrames) noexcept
{
  StepLevelMetersBody(meters, inL, inR, factor, outL, outR, n, scratchIn, scratchOut, scratchFrames);
}

void StepLevelMeters(LimiterMeters& meters, const double* inL, const double* inR, double factor,
                     const double* outL, const double* outR, int n, double* scratchIn, double* scratchOut,
                     int scratchFrames) noexcept
{
  if (LimiterEngine::WideKernelsActive())
    StepLevelMetersWide(meters, inL, inR, factor, outL, outR, n, scratchIn, scratchOut, scratchFrames);
  else
    StepLevelMetersBody(meters, inL, inR, factor, outL, outR, n, scratchIn, scratchOut, scratchFrames);
}

} // namespace

LimiterEngine::LimiterEngine()
{
  for (int i = 0; i < kNumParams; ++i)
    mValues[static_cast<size_t>(i)].store(limiterparams::Spec(i).defaultValue, std::memory_order_relaxed);
  UpdateCoefficients();
}

LimiterEngine::~LimiterEngine() = default;

int LimiterEngine::FactorForOSMode(int32_t index) noexcept
{
  return index >= 1 && index <= 8 ? kOSFactors[index - 1] : 1;
}

// ---------------------------------------------------------------- parameters

void LimiterEngine::SetParam(int paramIdx, double value)
{
  using namespace limiterparams;
  if (!IsParam(paramIdx) || std::isnan(value))
    return;
  const ParamSpec& spec = Spec(paramIdx);
  if (spec.engine == EEngine::kNone)
    return;
  value = ClampTo(value, spec.min, spec.max);
  if (spec.kind == EKind::kEnum)
    value = std::trunc(value);
  std::atomic<double>& slot = mValues[static_cast<size_t>(paramIdx)];
  switch (spec.engine)
  {
    case EEngine::kRebuild:
    {
      // An unchanged OS Mode keeps everything; a Look Ahead change always rebuilds.
      if (paramIdx == kOSMode && value == slot.load(std::memory_order_relaxed))
        return;
      std::lock_guard<std::mutex> lock(mMutex);
      slot.store(value, std::memory_order_relaxed);
      if (paramIdx == kOSMode && mConfigured.load(std::memory_order_relaxed))
        mOversampler.SetFactor(FactorForOSMode(static_cast<int32_t>(value)));
      Reconfigure();
      return;
    }
    case EEngine::kStageValues:
      slot.store(value, std::memory_order_relaxed);
      UpdateCoefficients();
      return;
    default:
      slot.store(value, std::memory_order_relaxed);
      PublishParams(false);
      return;
  }
}

LimiterParams LimiterEngine::GetParams() const noexcept
{
  LimiterParams p;
  auto real = [this](int i) { return mValues[static_cast<size_t>(i)].load(std::memory_order_relaxed); };
  p.osMode = IntParam(kOSMode);
  p.gain = real(kGain);
  p.attack = real(kAttack);
  p.release = real(kRelease);
  p.autoRelease = IntParam(kAutoRelease);
  p.lookAhead = IntParam(kLookAhead);
  p.ceiling = real(kCeiling);
  p.drive = real(kDrive);
  p.channelLink = real(kChLink);
  p.limitMode = IntParam(kLimitMode);
  p.satMode = IntParam(kSatMode);
  p.ceilingMode = IntParam(koutputmode);
  return p;
}

void LimiterEngine::UpdateCoefficients()
{
  PublishParams(true);
}

void LimiterEngine::PublishParams(bool stageValuesChanged)
{
  // The rate and look-ahead are read under the writer lock, after a rebuild
  // stored them, so the newest published set always matches the stages.
  std::lock_guard<std::mutex> lock(mCoeffMutex);
  if (stageValuesChanged)
    ++mStageGeneration;
  auto& slot = mCoeffs.Back();
  slot.first = mStageGeneration;
  slot.second = LimiterCoeffSet::Compute(GetParams(), mProcessingRate.load(std::memory_order_relaxed),
                                         mLookAheadMs.load(std::memory_order_relaxed));
  mCoeffs.Publish();
}

void LimiterEngine::TakeCoefficients() noexcept
{
  if (!mCoeffs.Acquire())
    return;
  const auto& cur = mCoeffs.Current();
  mActive = cur.second;
  if (cur.first != mAppliedStageGeneration)
  {
    mAppliedStageGeneration = cur.first;
    for (ILimiterStage& s : mStages)
      s.ApplyCoefficients(mActive.stage);
  }
  for (int c = 0; c < 2; ++c)
  {
    const double ratio = mClippers[c].lastClipRatio;
    mClippers[c] = mActive.clipper;
    mClippers[c].lastClipRatio = ratio;
    mSaturators[c] = mActive.saturator;
  }
}

// ---------------------------------------------------------------- host side

void LimiterEngine::SetLatencyHooks(std::function<int()> hostLatency, std::function<void(int)> report)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mHostLatencyFn = std::move(hostLatency);
  mReportFn = std::move(report);
}

int LimiterEngine::HostLatency() const
{
  return mHostLatencyFn ? mHostLatencyFn() : mReportedLatency.load(std::memory_order_relaxed);
}

void LimiterEngine::ReportLatency(int latency)
{
  mReportedLatency.store(latency, std::memory_order_relaxed);
  if (mReportFn)
    mReportFn(latency);
}

// ---------------------------------------------------------------- configuration

LimiterEngine::EStatus LimiterEngine::Prepare(double sampleRate, int blockSize)
{
  if (!std::isfinite(sampleRate) || sampleRate < kMinSampleRate || sampleRate > kMaxSampleRate)
    return EStatus::kInvalidSampleRate;
  if (blockSize < 1)
    return EStatus::kInvalidBlockSize;
  std::lock_guard<std::mutex> lock(mMutex);
  mSampleRate.store(sampleRate, std::memory_order_relaxed);
  mBlockSize.store(blockSize, std::memory_order_relaxed);
  Reconfigure();
  return mBuildStatus;
}

LimiterEngine::EStatus LimiterEngine::OnReset(double sampleRate, int blockSize)
{
  if (!std::isfinite(sampleRate) || sampleRate < kMinSampleRate || sampleRate > kMaxSampleRate)
    return EStatus::kInvalidSampleRate;
  if (blockSize < 1)
    return EStatus::kInvalidBlockSize;
  std::lock_guard<std::mutex> lock(mMutex);
  if (mConfigured.load(std::memory_order_relaxed) &&
      sampleRate == mSampleRate.load(std::memory_order_relaxed) &&
      blockSize == mBlockSize.load(std::memory_order_relaxed))
  {
    // Same format: a reset after a seek must not play stale audio.
    ClearSignalStateLocked();
    return EStatus::kOK;
  }
  mSampleRate.store(sampleRate, std::memory_order_relaxed);
  mBlockSize.store(blockSize, std::memory_order_relaxed);
  Reconfigure();
  const int latency = mWantedLatency.load(std::memory_order_relaxed);
  if (latency != HostLatency())
    ReportLatency(latency);
  return mBuildStatus;
}

int LimiterEngine::ConfigureProcessing()
{
  std::lock_guard<std::mutex> lock(mMutex);
  Reconfigure();
  return mWantedLatency.load(std::memory_order_relaxed);
}

void LimiterEngine::ReconfigureAndReport()
{
  std::lock_guard<std::mutex> lock(mMutex);
  Reconfigure();
  const int latency = mWantedLatency.load(std::memory_order_relaxed);
  if (latency != HostLatency())
    ReportLatency(latency);
}

void LimiterEngine::Reconfigure()
{
  const double fs = mSampleRate.load(std::memory_order_relaxed);
  const int blockSize = mBlockSize.load(std::memory_order_relaxed);
  const int32_t osMode = IntParam(kOSMode);
  const int32_t lookAhead = IntParam(kLookAhead);
  const int factor = FactorForOSMode(osMode);
  const double fsF = fs * static_cast<double>(factor);

  mMaxCount.store(lookAhead == 1 ? 2561 : 513, std::memory_order_relaxed);
  if (!(fs >= kMinSampleRate) || blockSize < 1)
  {
    // No format yet: nothing to build; the latency still follows the settings.
    mWantedLatency.store(ComputeLatency(), std::memory_order_relaxed);
    return;
  }

  mConfigured.store(false, std::memory_order_relaxed);
  mChunk = std::min(blockSize, kMaxChunk);
  const IOversampler::EStatus set = mOversampler.Setup(factor, kMaxFactor, mChunk, 2, 2, 2, fs);
  bool ok = set == IOversampler::EStatus::kOK;
  mBuildStatus = set == IOversampler::EStatus::kOutOfMemory ? EStatus::kOutOfMemory
                 : ok                                     ? EStatus::kOK
                                                          : EStatus::kResamplerFailed;

  mRefreshRate = 60.0;
  mRefreshPeriodMs = 16.666666666666668;
  bool allocated = true;
  for (ILimiterStage& s : mStages)
    allocated = s.Configure(fsF, lookAhead) && allocated;
  for (int c = 0; c < 2; ++c)
  {
    mClippers[c] = ISoftClipper {};
    mSaturators[c] = ISaturator {};
  }
  mRefreshPeriod = static_cast<int>(mRefreshPeriodMs * 0.001 * fs);
  mRefreshCounter = 0;
  mMeters.Configure(fs, fsF);
  allocated = allocated && mDiscard[0].Allocate(static_cast<size_t>(mChunk)) &&
              mDiscard[1].Allocate(static_cast<size_t>(mChunk));
  if (!allocated && ok)
    mBuildStatus = EStatus::kOutOfMemory;
  ok = ok && allocated;

  mProcessingRate.store(fsF, std::memory_order_relaxed);
  mLookAheadMs.store(mStages[0].lookAheadMs, std::memory_order_relaxed);
  UpdateCoefficients();
  mWantedLatency.store(ComputeLatency(), std::memory_order_relaxed);
  if (!ok)
  {
    mOversampler.Release();
    return;
  }
  mConfigured.store(true, std::memory_order_relaxed);
}

void LimiterEngine::ResetProcessingState()
{
  std::lock_guard<std::mutex> lock(mMutex);
  ResetProcessingStateLocked();
}

void LimiterEngine::ResetProcessingStateLocked() noexcept
{
  for (ILimiterStage& s : mStages)
  {
    s.RefillRing();
    s.readGain = 1.0;
  }
  mMeters.Clear();
}

void LimiterEngine::ClearSignalStateLocked() noexcept
{
  ResetProcessingStateLocked();
  for (ILimiterStage& s : mStages)
    s.ClearSignalState();
  for (ISoftClipper& c : mClippers)
    c.lastClipRatio = 1.0;
  mRefreshCounter = 0;
  mOversampler.ClearAll();
}

// ---------------------------------------------------------------- latency

int LimiterEngine::ComputeLatency() const noexcept
{
  const int current = mOversampler.CurrentFactor();
  int m = current >= 2 ? mOversampler.MeasuredLatency(current) : 0;
  if (current == 8 || current == 32 || current == 64 || current == 128 || current == 256)
    m += 1;
  const int32_t osMode = IntParam(kOSMode);
  const int F = FactorForOSMode(osMode);
  return (mMaxCount.load(std::memory_order_relaxed) - 1) / F + m + (osMode == 4 ? 1 : 0);
}

int LimiterEngine::UpdateWantedLatency() noexcept
{
  const int l = ComputeLatency();
  mWantedLatency.store(l, std::memory_order_relaxed);
  return l;
}

// ---------------------------------------------------------------- meters

double LimiterEngine::GetMeterValue() const noexcept
{
  return std::max(mMeters.Output(LimiterMeters::kGrLFast), mMeters.Output(LimiterMeters::kGrRFast));
}

// ---------------------------------------------------------------- audio

void LimiterEngine::ProcessBlock(double** inputs, double** outputs, int nFrames, int nIn,
                                 int nOut) noexcept
{
  // The render thread never waits: while a rebuild (OS Mode, Look Ahead, a new
  // format) holds the processing state, this block is silence, which keeps
  // every sample under the ceiling, and the meters hold their values.
  std::unique_lock<std::mutex> lock(mMutex, std::try_to_lock);
  if (!lock.owns_lock())
  {
    for (int c = 0; c < 2 && outputs && nFrames > 0; ++c)
      if (outputs[c])
        std::memset(outputs[c], 0, static_cast<size_t>(nFrames) * sizeof(double));
    mSkippedBlocks.fetch_add(1, std::memory_order_relaxed);
    return;
  }

  if (mHostCode.load(std::memory_order_relaxed) == kHostCodeReportsFromBlock)
  {
    const int wanted = mWantedLatency.load(std::memory_order_relaxed);
    if (wanted != HostLatency())
      ReportLatency(wanted);
  }
  if (nFrames <= 0)
    return;

  double* in[2] = {inputs ? inputs[0] : nullptr, inputs ? inputs[1] : nullptr};
  double* out[2] = {outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr};
  nIn = ClampTo(nIn, 0, 2);
  nOut = ClampTo(nOut, 0, 2);

  if (!mConfigured.load(std::memory_order_relaxed))
  {
    for (double* o : out)
      if (o)
        std::memset(o, 0, static_cast<size_t>(nFrames) * sizeof(double));
    return;
  }

  TakeCoefficients();

  for (int done = 0; done < nFrames;)
  {
    const int n = std::min(nFrames - done, mChunk);
    double* ci[2];
    double* co[2];
    for (int c = 0; c < 2; ++c)
    {
      ci[c] = in[c] ? in[c] + done : nullptr;
      co[c] = out[c] ? out[c] + done : mDiscard[c].Data();
    }
    ProcessChunk(ci, co, n, nIn, nOut);
    done += n;
  }

  mMeters.Publish();
  // Counted in 64 bits: a block near the int range must not overflow the sum.
  const int64_t counter = static_cast<int64_t>(mRefreshCounter) + nFrames;
  if (counter >= mRefreshPeriod && mRefreshPeriod >= 1)
  {
    mRefreshCounter = static_cast<int>(counter % mRefreshPeriod);
    mRefreshDue.store(true, std::memory_order_relaxed);
  }
  else
    mRefreshCounter = static_cast<int>(counter);
}

void LimiterEngine::ProcessChunk(double* const* in, double* const* out, int n, int nIn, int nOut) noexcept
{
  // The input, made finite, goes into the up-sampling rows (the factor 1
  // path reads it from there too), so no bad sample reaches any state.
  double* src[2] = {mOversampler.UpInputRow(0), mOversampler.UpInputRow(1)};
  CopyFinite(in[0], src[0], n);
  CopyFinite(in[1], src[1], n);

  const int factor = mOversampler.CurrentFactor();
  if (factor <= 1 && nIn == 2 && nOut == 2)
  {
    // Stereo at the base rate: the clamp and all twelve meters are done
    // stretch by stretch inside the limiter pass.
    ProcessLimiter(src, out, n, nIn, nOut, true);
    return;
  }
  if (factor <= 1)
  {
    ProcessLimiter(src, out, n, nIn, nOut, false);
  }
  else
  {
    double* up[2] = {src[0], src[1]};
    int nUp = 0;
    for (int c = 0; c < nIn; ++c)
      nUp = mOversampler.Up(c, n, up[c]);
    double* rows[2] = {mOversampler.DownInputRow(0), mOversampler.DownInputRow(1)};
    ProcessLimiter(up, rows, nUp, nIn, nOut, false);
    if (nOut < 1)
    {
      std::memset(out[0], 0, static_cast<size_t>(n) * sizeof(double));
      std::memset(out[1], 0, static_cast<size_t>(n) * sizeof(double));
    }
    else
    {
      double* down[2] = {nullptr, nullptr};
      int nDown = 0;
      for (int c = 0; c < nOut; ++c)
        nDown = mOversampler.Down(c, nUp, down[c]);
      nDown = std::min(nDown, n);
      // While the converters fill, fewer samples come back than went in: they
      // are the newest part of the block, so they go to its end after leading
      // silence, and the stream keeps its constant latency.
      const int lead = n - nDown;
      for (int c = 0; c < 2; ++c)
      {
        if (c < nOut)
        {
          if (lead > 0)
            std::memset(out[c], 0, static_cast<size_t>(lead) * sizeof(double));
          if (nDown > 0)
            std::memmove(out[c] + lead, down[c], static_cast<size_t>(nDown) * sizeof(double));
        }
        else if (lead > 0)
          std::memset(out[c], 0, static_cast<size_t>(n) * sizeof(double));
      }
    }
  }

  // Clamp at the ceiling. With oversampling the Volume gain goes on here, at
  // the base rate after down-sampling, on the channels the limiter wrote: a
  // Ceiling change then reaches the output on the frame of its block, not
  // one down-sampling filter's delay later (the reported latency includes
  // that delay). It is a plain gain, so a steady Volume sounds the same.
  const bool volumeAfterDown = factor > 1 && mActive.params.ceilingMode == 1;
  const int volumeChannels = nIn == 2 && nOut == 2 ? 2 : std::min(nOut, 1);
  for (int c = 0; c < 2; ++c)
  {
    const double lo = mClippers[c].clampLow;
    const double hi = mClippers[c].clampHigh;
    double* o = out[c];
    if (volumeAfterDown && c < volumeChannels)
    {
      const double g = mActive.volumeGain;
      for (int i = 0; i < n; ++i)
        o[i] = std::max(lo, std::min(hi, o[i] * g));
    }
    else
    {
      for (int i = 0; i < n; ++i)
        o[i] = std::max(lo, std::min(hi, o[i]));
    }
  }

  // Input meters (the level after Gain and Drive) and output meters.
  StepLevelMeters(mMeters, src[0], src[1], mActive.inputMeterFactor, out[0], out[1], n, mPairOut, mPairGain,
                  kPairRun);
}

LimiterEngine::Clipped LimiterEngine::ClipPair(__m128d y, int above, __m128d z, __m128d gr) noexcept
{
  double zz[2];
  double rr[2] = {1.0, 1.0};
  _mm_storeu_pd(zz, z);
  if (above & 1)
  {
    zz[0] = mClippers[0].Process(_mm_cvtsd_f64(y));
    rr[0] = mClippers[0].lastClipRatio;
  }
  if (above & 2)
  {
    zz[1] = mClippers[1].Process(_mm_cvtsd_f64(_mm_unpackhi_pd(y, y)));
    rr[1] = mClippers[1].lastClipRatio;
  }
  return {_mm_loadu_pd(zz), _mm_mul_pd(_mm_loadu_pd(rr), gr)};
}

void LimiterEngine::AllowWideKernels(bool allow) noexcept
{
  gWideAllowed.store(allow, std::memory_order_relaxed);
}

bool LimiterEngine::WideKernelsActive() noexcept
{
  return gHasAvx2 && gWideAllowed.load(std::memory_order_relaxed);
}

// The per-sample pass compiled twice from the one body (RunLimiter, always
// inlined): for the baseline processor and for AVX2, where everything it
// calls is inlined too (flatten) and so also gets the three-operand encoding
// that saves the register copies. AVX2 does not include fused multiply-add,
// so both builds round exactly alike.
struct LimiterEngine::Kernels
{
  template <int Mode, bool Auto, bool Finish>
  static void Portable(LimiterEngine& e, const double* a, const double* b, double* o0, double* o1, int n,
                       bool stereo) noexcept
  {
    e.RunLimiter<Mode, Auto, Finish>(a, b, o0, o1, n, stereo);
  }

  template <int Mode, bool Auto, bool Finish>
  __attribute__((target("avx2"), flatten)) static void Wide(LimiterEngine& e, const double* a, const double* b,
                                                            double* o0, double* o1, int n, bool stereo) noexcept
  {
    e.RunLimiter<Mode, Auto, Finish>(a, b, o0, o1, n, stereo);
  }

  template <int Mode, bool Auto, bool Finish>
  static void Run(LimiterEngine& e, const double* a, const double* b, double* o0, double* o1, int n,
                  bool stereo) noexcept
  {
    if (WideKernelsActive())
      Wide<Mode, Auto, Finish>(e, a, b, o0, o1, n, stereo);
    else
      Portable<Mode, Auto, Finish>(e, a, b, o0, o1, n, stereo);
  }
};

void LimiterEngine::ProcessLimiter(const double* const* inputs, double* const* outputs, int nFrames,
                                   int nIn, int nOut, bool finish) noexcept
{
  if (nFrames <= 0)
    return;
  const bool stereo = nIn == 2 && nOut == 2;
  const double* a = inputs[0];
  const double* b = stereo ? inputs[1] : inputs[0];
  double* o0 = outputs[0];
  double* o1 = stereo ? outputs[1] : outputs[0];
  const bool autoRelease = mStages[0].autoRelease != 0;
  const bool hard = mActive.stageMode == 2;
  if (finish && stereo)
  {
    if (hard)
      autoRelease ? Kernels::Run<2, true, true>(*this, a, b, o0, o1, nFrames, true)
                  : Kernels::Run<2, false, true>(*this, a, b, o0, o1, nFrames, true);
    else
      autoRelease ? Kernels::Run<1, true, true>(*this, a, b, o0, o1, nFrames, true)
                  : Kernels::Run<1, false, true>(*this, a, b, o0, o1, nFrames, true);
    return;
  }
  if (hard)
    autoRelease ? Kernels::Run<2, true, false>(*this, a, b, o0, o1, nFrames, stereo)
                : Kernels::Run<2, false, false>(*this, a, b, o0, o1, nFrames, stereo);
  else
    autoRelease ? Kernels::Run<1, true, false>(*this, a, b, o0, o1, nFrames, stereo)
                : Kernels::Run<1, false, false>(*this, a, b, o0, o1, nFrames, stereo);
}

template <int Mode, bool Auto, bool Finish>
__attribute__((always_inline)) inline void LimiterEngine::RunLimiter(const double* a, const double* b, double* o0,
                                                                     double* o1, int n, bool stereo) noexcept
{
  ILimiterStage& st0 = mStages[0];
  ILimiterStage& st1 = mStages[1];
  ISoftClipper& cl0 = mClippers[0];
  ISoftClipper& cl1 = mClippers[1];
  const double link = mActive.params.channelLink / 100.0;
  const __m128d unlinked = _mm_set1_pd(1.0 - link);
  const __m128d linkV = _mm_set1_pd(link);
  const bool saturate = mActive.saturate;
  // With oversampling the Volume gain is applied after down-sampling (ProcessChunk).
  const bool volume = mActive.params.ceilingMode == 1 && mOversampler.CurrentFactor() <= 1;
  const __m128d volumeGain = _mm_set1_pd(mActive.volumeGain);
  const __m128d preGain = _mm_set_pd(cl1.preGain, cl0.preGain);
  const __m128d threshold = _mm_set_pd(cl1.threshold, cl0.threshold);
  const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  const __m128d clampLo = _mm_set_pd(cl1.clampLow, cl0.clampLow);
  const __m128d clampHi = _mm_set_pd(cl1.clampHigh, cl0.clampHigh);
  const __m128d inFactor = _mm_set1_pd(mActive.inputMeterFactor);

  // Stretch by stretch: the stages measure it (LimiterStagePair::Measure),
  // leaving what their read-outs find in rows; a second loop then takes each
  // sample through the gains, the channel link, saturation and clipper,
  // steps the gain-reduction meters and writes the output. With Finish
  // (stereo at the base rate) the clamp and the level meters are done there
  // too, so that all the meters' updates share one loop. The levels go to
  // rows over which the hold meters and the followers' running maxima then
  // take whole runs.
  double* const grLevels = mPairGain;
  double* const inLevels = mPairScaled;
  double* const outLevels = mPairOut;
  const bool paired = LimiterStagePair::CanPair(st0, st1);
  for (int done = 0; done < n;)
  {
    const int len = std::min(n - done, kPairRun);
    const double* const ad = a + done;
    const double* const bd = b + done;
    double* const o0d = o0 + done;
    double* const o1d = o1 + done;
    // One instance for paired stages and one for the fallback, so that the
    // paired loop's followers and flags are its own and stay in registers
    // (the fallback hands its per-sample work to a call).
    auto stretch = [&](auto paired) __attribute__((always_inline)) {
      int lastAbove = 0;
      FollowerPair<true, false> grFast(mMeters[LimiterMeters::kGrLFast], mMeters[LimiterMeters::kGrRFast]);
      FollowerPair<false, false> inFast(mMeters[LimiterMeters::kInLFast], mMeters[LimiterMeters::kInRFast]);
      FollowerPair<false, false> outFast(mMeters[LimiterMeters::kOutLFast], mMeters[LimiterMeters::kOutRFast]);
      auto sample = [&](int j, __m128d sv, __m128d gv, __m128d sgv) {
        // Channel link: m = min(g0, g1) * l; y = s * (m + (1 - l) * g).
        // min(g1, g0) with the swapped pair first: g1 < g0 ? g1 : g0 in the
        // low lane, exactly std::min(g0, g1); the high lane holds the same value.
        const __m128d m = _mm_mul_pd(_mm_min_pd(_mm_shuffle_pd(gv, gv, 1), gv), linkV);
        __m128d y = _mm_mul_pd(sv, _mm_add_pd(m, _mm_mul_pd(unlinked, gv)));
        if (saturate)
        {
          const double y0 = mSaturators[0].Process(_mm_cvtsd_f64(y));
          const double y1 = mSaturators[1].Process(_mm_cvtsd_f64(_mm_unpackhi_pd(y, y)));
          y = _mm_set_pd(y1, y0);
        }
        // Soft clipper: only samples at or above the threshold need the tanh
        // and the clip ratio z / u; below it z = u and the ratio is exactly 1.
        const __m128d u = _mm_mul_pd(y, preGain);
        const int above = _mm_movemask_pd(_mm_cmpge_pd(_mm_and_pd(u, absMask), threshold));
        lastAbove = above;
        __m128d z = u;
        // Gain-reduction meters see each stage's own (scaled) gain times the
        // clip ratio (1 * g is g itself).
        __m128d gr = sgv;
        if (above) [[unlikely]]
        {
          const Clipped c = ClipPair(y, above, z, gr);
          z = c.z;
          gr = c.gr;
        }
        gr = _mm_and_pd(gr, absMask);
        _mm_store_pd(grLevels + 2 * j, gr);
        grFast.Step(gr);
        if (volume)
          z = _mm_mul_pd(z, volumeGain);
        if constexpr (Finish)
        {
          z = _mm_max_pd(_mm_min_pd(z, clampHi), clampLo);
          const __m128d vi = _mm_and_pd(_mm_mul_pd(_mm_set_pd(bd[j], ad[j]), inFactor), absMask);
          const __m128d vo = _mm_and_pd(z, absMask);
          _mm_store_pd(inLevels + 2 * j, vi);
          _mm_store_pd(outLevels + 2 * j, vo);
          inFast.Step(vi);
          outFast.Step(vo);
        }
        if (stereo)
        {
          _mm_storel_pd(o0d + j, z);
          _mm_storeh_pd(o1d + j, z);
        }
        else
          _mm_storeh_pd(o0d + j, z);
      };
      if constexpr (decltype(paired)::value)
      {
        LimiterStagePair::Measure<Mode, Auto>(st0, st1, ad, bd, len, mRows);
        LimiterStagePair::Gains<Mode> gains(st0, st1);
        for (int j = 0; j < len; ++j)
        {
          const __m128d g = gains.Step(mRows[j]);
          sample(j, mRows[j].sample, g, g);
        }
      }
      else
        LimiterStagePair::Run<Mode, Auto>(st0, st1, ad, bd, len, sample);
      return lastAbove;
    };
    const int lastAbove = paired ? stretch(std::true_type {}) : stretch(std::false_type {});
    // The clip ratio of the last sample stays with each clipper.
    if (!(lastAbove & 1))
      cl0.lastClipRatio = 1.0;
    if (!(lastAbove & 2))
      cl1.lastClipRatio = 1.0;
    StepLevelRuns<true>(mMeters[LimiterMeters::kGrLFast], mMeters[LimiterMeters::kGrRFast],
                       mMeters[LimiterMeters::kGrLHold], mMeters[LimiterMeters::kGrRHold], grLevels, len);
    if constexpr (Finish)
    {
      StepLevelRuns<false>(mMeters[LimiterMeters::kInLFast], mMeters[LimiterMeters::kInRFast],
                       mMeters[LimiterMeters::kInLHold], mMeters[LimiterMeters::kInRHold], inLevels, len);
      StepLevelRuns<false>(mMeters[LimiterMeters::kOutLFast], mMeters[LimiterMeters::kOutRFast],
                       mMeters[LimiterMeters::kOutLHold], mMeters[LimiterMeters::kOutRHold], outLevels, len);
    }
    done += len;
  }
}
