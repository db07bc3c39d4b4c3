#pragma once
// Inter-sample peak meter: each channel is upsampled by 4 with a polyphase
// Kaiser-windowed sinc filter whose zero phase is the identity (so the true
// peak is never below the sample peak), and the largest magnitude of the
// upsampled stream is kept. Blocks of any size give the same result as one
// pass. Not thread safe; any one thread.

#include <array>
#include <cstddef>
#include <vector>

namespace orbexhost {

class TruePeakMeter {
public:
  static constexpr int kFactor = 4;
  static constexpr int kTapsPerPhase = 32;

  explicit TruePeakMeter(int numChannels);

  // Feeds n frames of one channel. Non-finite samples count as silence.
  void Process(int channel, const float* samples, size_t n);
  // Flushes the filters with silence, so the ringing after the last sample
  // counts too; further Process calls continue after that silence.
  void Finish();
  // Largest magnitude seen on any channel (linear), 0 for silence.
  double Peak() const;
  double Peak(int channel) const;

  // The filter of one phase (0 .. kFactor - 1), for inspection.
  const std::array<double, kTapsPerPhase>& Phase(int p) const { return mPhases[static_cast<size_t>(p)]; }

private:
  struct ChannelState {
    std::array<double, 2 * kTapsPerPhase> history{};  // ring, written twice for contiguous reads
    int pos = 0;
    double peak = 0.0;
  };
  void Push(ChannelState& s, double x);

  std::array<std::array<double, kTapsPerPhase>, kFactor> mPhases{};
  std::vector<ChannelState> mChannels;
};

}  // namespace orbexhost
