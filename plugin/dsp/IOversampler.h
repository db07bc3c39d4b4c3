#pragma once
// The limiter's set of up and down resamplers: per channel one converter pair
// for every selectable power-of-two factor (1 is a pass-through pair), built
// once per sample rate and block length so that a factor change only clears
// state. Also measures each factor's latency at set-up.
//
// Threads: Setup and Release allocate and free; they and SetFactor run under
// the processing mutex on the configuration path. Up, Down and the row
// accessors run on the audio thread under the same mutex. CurrentFactor and
// MeasuredLatency may be read from any thread.

#include "plugin/dsp/AlignedRow.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace rsmp { class CDSPResampler24_44k; }

class IOversampler
{
public:
  static constexpr int kNumFactors = 9; // 1, 2, 4, ..., 256
  static constexpr int kLargestFactor = 256;
  static constexpr double kAttenuation = 136.32;

  enum class EStatus
  {
    kOK = 0,
    kInvalidArgument, // factor, rate, block length or channel count unusable
    kOutOfMemory,
    kResamplerFailed  // a converter could not be built or never delivered output
  };

  IOversampler();
  ~IOversampler();
  IOversampler(const IOversampler&) = delete;
  IOversampler& operator=(const IOversampler&) = delete;

  // Builds the set for a base rate and block length (only selects the factor
  // when rate, in whole Hz, and block length are unchanged). Converters are
  // built for every factor up to maxFactor, the factors SetFactor can select.
  // On failure the set is released and the status says why.
  EStatus Setup(int factor, int maxFactor, int blockLength, int inputChannels,
                int outputChannels, int oversampledRows, double sampleRate);

  // Selects the converters of factor k (1 for any k that is not a power of
  // two in 2..256) and clears every converter; a k above the max factor or
  // equal to the current one changes nothing.
  void SetFactor(int k) noexcept;

  // Deletes every converter, row and array; safe on an empty set.
  void Release() noexcept;

  // Clears the state of every converter (all factors, all channels).
  void ClearAll() noexcept;

  bool IsBuilt() const noexcept { return mBuilt; }
  int CurrentFactor() const noexcept { return mCurrentFactor.load(std::memory_order_relaxed); }
  int MaxFactor() const noexcept { return mMaxFactor; }
  int BlockLength() const noexcept { return mBlockLength; }
  double SampleRate() const noexcept { return mSampleRate; }
  int InputChannels() const noexcept { return mInputChannels; }
  int OutputChannels() const noexcept { return mOutputChannels; }
  int OversampledLength() const noexcept { return mOversampledLength; }

  // Base-rate samples of delay of an up/down pair of factor k (0 for 1 and
  // for factors not built).
  int MeasuredLatency(int k) const noexcept;

  // Audio thread. Rows: block length doubles (up input) and oversampled
  // length doubles (down input) per channel.
  // Null for a channel that does not exist.
  double* UpInputRow(int c) noexcept
  {
    return c >= 0 && c < static_cast<int>(mUpRows.size()) ? mUpRows[static_cast<size_t>(c)].Data() : nullptr;
  }
  double* DownInputRow(int c) noexcept
  {
    return c >= 0 && c < static_cast<int>(mDownRows.size()) ? mDownRows[static_cast<size_t>(c)].Data() : nullptr;
  }

  // Runs channel c's selected up converter on n samples of its input row;
  // out receives where the result lies. Returns the output count (0 when
  // the converter refuses; 0 and a null out for a channel that does not
  // exist or n outside 0..block length).
  int Up(int c, int n, double*& out) noexcept;
  // Runs channel c's selected down converter on n samples of its down row
  // (n at most the oversampled length; otherwise as Up).
  int Down(int c, int n, double*& out) noexcept;

  // Slot of a power-of-two factor 1..256 (0..8), -1 for anything else.
  static int FactorSlot(int k) noexcept;

private:
  using Converter = rsmp::CDSPResampler24_44k;
  using ConverterSet = std::array<std::unique_ptr<Converter>, kNumFactors>;

  EStatus Build(int maxFactor, int blockLength, int inputChannels, int outputChannels,
                double sampleRate);
  static int MeasureDownLatency(Converter& down, int factor) noexcept;

  std::atomic<int> mCurrentFactor {-1};
  int mMaxFactor = 16;
  double mSampleRate = -1.0;
  int mBlockLength = 0;
  int mInputChannels = 0;
  int mOutputChannels = 0;
  int mOversampledRows = 0;
  int mOversampledLength = 0;
  bool mBuilt = false;
  int mSelectedSlot = 0;
  std::vector<double*> mUpOutputs;
  std::vector<double*> mDownOutputs;
  std::vector<AlignedRow> mUpRows;
  std::vector<AlignedRow> mDownRows;
  std::vector<ConverterSet> mUp;   // per input channel
  std::vector<ConverterSet> mDown; // per output channel
  std::array<std::atomic<int>, kNumFactors> mMeasuredLatency {};
};
