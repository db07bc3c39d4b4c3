#pragma once
// Renders a whole file through a hosted unit: the unit pulls IN through the
// host's render callback block by block (fixed or seeded random sizes, cut
// at automation points so each change lands on its sample between two
// render calls), the tail is flushed with silence, and OUT is taken from the
// latency on so it lines up with IN sample for sample. Main thread.

#include "host/HostedUnit.h"
#include "host/SoundFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orbexhost {

struct AutomationEvent {
  int64_t frame = 0;  // input frame at which the value applies
  AudioUnitParameterID id = 0;
  double value = 0.0;
};

struct RenderPlan {
  int blockSize = 512;     // fixed size, or the largest random size
  bool randomBlocks = false;
  uint64_t seed = 1;
  int latency = 0;         // frames to drop from the start of the unit's output
  // Stop after the first render call when the unit then reports another
  // latency (some hosts only learn it from the first audio block).
  bool stopOnFirstLatencyChange = false;
  std::vector<AutomationEvent> events;  // sorted by frame (stable)
};

struct RenderResult {
  AudioData output;        // aligned with IN, same length and channels
  double cpuSeconds = 0.0; // CPU time spent in the render calls
  int64_t renderedFrames = 0;
  int reportedLatency = -1;  // set when the render stopped on a latency change
};

// The block sizes of a plan, in order, covering total frames (exposed for the
// plan's own checks; the renderer also cuts at automation points).
class BlockSizer {
public:
  BlockSizer(int blockSize, bool random, uint64_t seed) : mSize(blockSize), mRandom(random), mState(seed) {}
  int Next();

private:
  int mSize;
  bool mRandom;
  uint64_t mState;
};

// Configure and initialise the unit before (Configure's callback must be
// InputCallback with the InputSource passed as refCon).
struct InputSource {
  const AudioData* in = nullptr;
};
OSStatus InputCallback(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                       UInt32 frames, AudioBufferList* data);

bool RenderOffline(HostedUnit& unit, const AudioData& in, const RenderPlan& plan, RenderResult& result,
                   std::string& error);

}  // namespace orbexhost
