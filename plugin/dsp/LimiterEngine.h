#pragma once
// The limiter's host-free engine: parameters, processing state and block
// processing of the product (two look-ahead limiter stages, channel link,
// saturation, soft clipper, ceiling clamp, twelve meters, oversampling and
// latency). The plug-in class owns one and forwards its processing, reset,
// parameter and meter calls here.
//
// Threads:
// - SetParam: any thread. Values are stored in atomics; the derived
//   coefficients are computed on the calling thread and handed to the audio
//   thread as one whole set (taken at the next block start). OS Mode and
//   Look Ahead rebuild the processing state under the processing mutex.
// - Prepare, OnReset, ConfigureProcessing, ReconfigureAndReport,
//   ResetProcessingState, SetLatencyHooks: configuration thread; they take
//   the processing mutex themselves and may allocate.
// - ProcessBlock: audio thread; only tries the processing mutex (a block that
//   finds it held is silence), never allocates, throws or does I/O (a
//   latency hook it calls must obey the same).
// - Meter reads, GetMeterValue, ConsumeRefresh, latency queries: any thread,
//   lock-free.

#include "plugin/dsp/ILimiterStage.h"
#include "plugin/dsp/IOversampler.h"
#include "plugin/dsp/ISaturator.h"
#include "plugin/dsp/ISoftClipper.h"
#include "plugin/dsp/LimiterCoeffSet.h"
#include "plugin/dsp/LimiterMeters.h"
#include "plugin/dsp/LimiterParamTable.h"
#include "plugin/dsp/LimiterParams.h"
#include "plugin/dsp/LimiterStagePair.h"
#include "plugin/dsp/TripleBuffer.h"

#include <emmintrin.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>

class LimiterEngine
{
public:
  enum class EStatus
  {
    kOK = 0,
    kInvalidSampleRate, // not finite, below kMinSampleRate or above kMaxSampleRate
    kInvalidBlockSize,  // below 1
    kOutOfMemory,
    kResamplerFailed
  };

  static constexpr double kMinSampleRate = 60.0;
  static constexpr double kMaxSampleRate = 1536000.0;
  static constexpr int kMaxFactor = 16;
  // Blocks longer than this are processed in pieces of this length.
  static constexpr int kMaxChunk = 1 << 16;
  static constexpr int kDefaultLatency = 512;
  // The host for which the block itself reports a changed latency.
  static constexpr int kHostCodeReportsFromBlock = 2;

  LimiterEngine();
  ~LimiterEngine();
  LimiterEngine(const LimiterEngine&) = delete;
  LimiterEngine& operator=(const LimiterEngine&) = delete;

  // ---- Parameters (any thread), by the index of the parameter table
  // (LimiterParamTable.h), whose row gives the range and what a change does.
  // Values are clamped to the range, enums truncated; NaN, an index outside
  // the table and the product's own settings (no engine effect) are ignored.
  // OS Mode (when it changes) and Look Ahead rebuild under the mutex.
  void SetParam(int paramIdx, double value);
  LimiterParams GetParams() const noexcept;

  // Recomputes every parameter-derived value and publishes it to the audio
  // thread (called by the setters; stage states are not touched).
  void UpdateCoefficients();

  // ---- Host side.
  void SetHostCode(int32_t code) noexcept { mHostCode.store(code, std::memory_order_relaxed); }
  int32_t HostCode() const noexcept { return mHostCode.load(std::memory_order_relaxed); }
  // hostLatency: the latency the host currently has from the plug-in (when
  // empty, the last value reported through this engine, initially 512).
  // report: called where a changed latency is reported to the host.
  void SetLatencyHooks(std::function<int()> hostLatency, std::function<void(int)> report);

  // ---- Configuration.
  // Validates and stores sample rate and block size and rebuilds everything
  // (oversampler set, stages, meters, pacing). An invalid request is refused
  // and the previous configuration stays.
  EStatus Prepare(double sampleRate, int blockSize);
  // Host reset: a new rate or block size rebuilds (as Prepare) and reports a
  // latency that differs from the host's; the same rate and block size clear
  // the signal state (rings, followers, meters, every resampler).
  EStatus OnReset(double sampleRate, int blockSize);
  // Rebuilds with the stored rate and block size; returns the latency (also
  // stored as the wanted latency). Without a valid format it only computes
  // the latency.
  int ConfigureProcessing();
  // ConfigureProcessing, then reports the latency when it differs from the host's.
  void ReconfigureAndReport();
  // Refills both rings with {0, 1, 0}, sets the stages' read gain to 1 and
  // clears the twelve meters.
  void ResetProcessingState();

  bool IsConfigured() const noexcept { return mConfigured.load(std::memory_order_relaxed); }
  double SampleRate() const noexcept { return mSampleRate.load(std::memory_order_relaxed); }
  int BlockSize() const noexcept { return mBlockSize.load(std::memory_order_relaxed); }
  int OversamplingFactor() const noexcept { return mOversampler.CurrentFactor(); }

  // ---- Latency.
  int ComputeLatency() const noexcept;
  int WantedLatency() const noexcept { return mWantedLatency.load(std::memory_order_relaxed); }
  // ComputeLatency, stored as the wanted latency and returned.
  int UpdateWantedLatency() noexcept;

  // ---- Audio thread.
  // inputs and outputs hold two channel pointers each (a null one reads as
  // silence / is discarded); nIn and nOut are the connected channel counts
  // (1 or 2; mono runs both stages on channel 0 and writes channel 0).
  // Non-finite input samples are processed as silence. In place is allowed.
  // Never waits: a block that meets a rebuild in progress is output as
  // silence and leaves the meters as they were.
  void ProcessBlock(double** inputs, double** outputs, int nFrames, int nIn, int nOut) noexcept;
  // Blocks output as silence because a rebuild held the processing state.
  uint64_t SkippedBlocks() const noexcept { return mSkippedBlocks.load(std::memory_order_relaxed); }

  // ---- Meters (any thread).
  // max of the two fast gain-reduction meters' outputs (the larger gain).
  double GetMeterValue() const noexcept;
  // Value field (before inversion) and output of meter 0..11 (LimiterMeters::EMeter);
  // 0 for any other index.
  double MeterValue(int meter) const noexcept { return IsMeter(meter) ? mMeters.Value(meter) : 0.0; }
  double MeterOutput(int meter) const noexcept { return IsMeter(meter) ? mMeters.Output(meter) : 0.0; }
  // True once per refresh period (about 60 times a second of audio).
  bool ConsumeRefresh() noexcept { return mRefreshDue.exchange(false, std::memory_order_relaxed); }
  bool RefreshDue() const noexcept { return mRefreshDue.load(std::memory_order_relaxed); }

  // ---- Inspection (tests, measurement; configuration thread only).
  const ILimiterStage& Stage(int i) const noexcept { return mStages[i]; }
  const IOversampler& Oversampler() const noexcept { return mOversampler; }
  int RefreshPeriod() const noexcept { return mRefreshPeriod; }

  // Factor of an OS Mode index: 1 for 0, 2..256 for 1..8, 1 for anything else.
  static int FactorForOSMode(int32_t index) noexcept;

  // The per-sample pass has a build for processors with AVX2 (the same
  // arithmetic, operation for operation, in three-operand encoding; no fused
  // multiply-add). It is used where the processor has it unless disallowed
  // here (tests and measurements compare both builds). Any thread.
  static void AllowWideKernels(bool allow) noexcept;
  static bool WideKernelsActive() noexcept;

private:
  static bool IsMeter(int meter) noexcept { return meter >= 0 && meter < LimiterMeters::kNumMeters; }

  struct Kernels; // the per-sample pass in its processor builds (LimiterEngine.cpp)

  void PublishParams(bool stageValuesChanged);
  void Reconfigure(); // rebuild with the stored format; mutex held
  void ClearSignalStateLocked() noexcept;
  void ResetProcessingStateLocked() noexcept;
  void ReportLatency(int latency);
  int HostLatency() const;
  void TakeCoefficients() noexcept;
  void ProcessChunk(double* const* in, double* const* out, int n, int nIn, int nOut) noexcept;
  // finish: also clamp and step the input and output meters (stereo at the
  // base rate, where all of that runs at the limiter's rate).
  void ProcessLimiter(const double* const* inputs, double* const* outputs, int nFrames, int nIn,
                      int nOut, bool finish) noexcept;
  // The soft clipper of samples at or above its threshold (lanes in the bits
  // of above): z with those lanes clipped, gr times their clip ratios.
  struct Clipped
  {
    __m128d z, gr;
  };
  __attribute__((noinline, cold)) Clipped ClipPair(__m128d y, int above, __m128d z, __m128d gr) noexcept;
  template <int Mode, bool Auto, bool Finish>
  void RunLimiter(const double* a, const double* b, double* o0, double* o1, int n,
                  bool stereo) noexcept;

  // Parameters, by table index (only those the engine uses are read).
  std::array<std::atomic<double>, kNumParams> mValues;
  int32_t IntParam(int paramIdx) const noexcept
  {
    return static_cast<int32_t>(mValues[static_cast<size_t>(paramIdx)].load(std::memory_order_relaxed));
  }

  // Coefficient hand-over (writers serialised by mCoeffMutex).
  std::mutex mCoeffMutex;
  TripleBuffer<std::pair<uint64_t, LimiterCoeffSet>> mCoeffs;
  uint64_t mStageGeneration = 0;        // writer side
  uint64_t mAppliedStageGeneration = 0; // audio side
  LimiterCoeffSet mActive;              // audio side: the set in use

  // Configuration mirrors read by the coefficient writers and latency queries.
  std::atomic<double> mProcessingRate {0.0};
  std::atomic<double> mLookAheadMs {10.0};
  std::atomic<int> mMaxCount {513};

  // Processing state (under mMutex).
  std::mutex mMutex;
  std::atomic<bool> mConfigured {false};
  EStatus mBuildStatus = EStatus::kOK; // result of the last rebuild
  std::atomic<double> mSampleRate {-1.0};
  std::atomic<int> mBlockSize {0};
  int mChunk = 0;
  IOversampler mOversampler;
  ILimiterStage mStages[2];
  ISoftClipper mClippers[2];
  ISaturator mSaturators[2];
  LimiterMeters mMeters;
  // Level rows of one stretch (the two channels interleaved), over which
  // the hold meters take whole runs: input, output and gain reduction.
  static constexpr int kPairRun = LimiterStagePair::kMaxStretch;
  alignas(64) double mPairOut[2 * kPairRun] {};
  alignas(64) double mPairGain[2 * kPairRun] {};
  alignas(64) double mPairScaled[2 * kPairRun] {};
  LimiterStagePair::ReadRow mRows[kPairRun] {}; // what the stages' read-outs find
  AlignedRow mDiscard[2]; // stands in for a missing output channel
  double mRefreshRate = 60.0;
  double mRefreshPeriodMs = 16.666666666666668;
  int mRefreshPeriod = 0;
  int mRefreshCounter = 0;
  std::atomic<bool> mRefreshDue {false};
  std::atomic<uint64_t> mSkippedBlocks {0};

  // Host.
  std::atomic<int32_t> mHostCode {-1};
  std::atomic<int> mWantedLatency {kDefaultLatency};
  std::atomic<int> mReportedLatency {kDefaultLatency};
  std::function<int()> mHostLatencyFn;
  std::function<void(int)> mReportFn;
};
