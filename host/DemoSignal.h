#pragma once
// Programme-like stereo test material made from scratch: kick and snare
// transients, hi-hats, a bass line, a pad and a noise bed at 120 BPM,
// scaled so its sample peak sits at a chosen level (above full scale when
// asked: it is written as float). Deterministic for a seed.

#include "host/SoundFile.h"

#include <cstdint>

namespace orbexhost {

struct DemoSettings {
  double seconds = 20.0;
  double sampleRate = 48000.0;
  double peakDb = 6.0;  // sample peak of the result, dBFS
  int channels = 2;     // 1 or 2
  uint64_t seed = 1;
};

// Frames of the signal MakeDemoSignal makes.
size_t DemoFrames(const DemoSettings& settings);
AudioData MakeDemoSignal(const DemoSettings& settings);

}  // namespace orbexhost
