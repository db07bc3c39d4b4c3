#pragma once
// Inter-sample peak meter: each channel is upsampled by 4 with a polyphase
// Kaiser-windowed sinc filter whose zero phase is the identity (so the true
// peak is never below the sample peak), and the largest magnitude of the
// upsampled stream is kept. Samples are filtered a block at a time, eight
// output instants per pass in vectors of doubles, the mirrored phases
// sharing each pair of taps; every output is summed in a fixed order, so the
// result does not depend on how the samples are split into calls. Not
// thread safe; any one thread.

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

  // Samples filtered per pass.
  static constexpr int kBlock = 512;

private:
  static constexpr int kHistory = kTapsPerPhase - 1;
  struct ChannelState {
    // The kHistory samples before the block, then the block, oldest first.
    std::vector<double> samples = std::vector<double>(kHistory + kBlock, 0.0);
    double peak = 0.0;
  };
  void Filter(ChannelState& s, size_t n);

  std::array<std::array<double, kTapsPerPhase>, kFactor> mPhases{};
  // Taps j < kTapsPerPhase / 2 of phase 2, and the even and odd halves of
  // phase 1 (half the sum and half the difference of taps j and 31 - j).
  struct Folded {
    std::array<double, kTapsPerPhase / 2> c2{}, even{}, odd{};
  } mFolded;
  std::vector<ChannelState> mChannels;
};

}  // namespace orbexhost
