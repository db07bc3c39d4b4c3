#pragma once
// Renders IN through a hosted unit as a stream: IN is read a block at a
// time (fixed or seeded random sizes, cut at automation points so each
// change goes in between two render calls), the unit pulls the block
// through the host's input callback, the tail is flushed with silence, and
// OUT is handed on from the latency on, each frame with the IN frame it
// lines up with. An automation point goes in where its frame of OUT comes
// out of the unit, so the change lands on that frame of OUT. Memory does not
// grow with IN. Main thread.

#include "host/HostedUnit.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orbexhost {

struct AudioData;
class SoundReader;

struct AutomationEvent {
  int64_t frame = 0;  // frame of OUT (and of IN, which it lines up with) from which the value applies
  AudioUnitParameterID id = 0;
  double value = 0.0;
};

struct RenderPlan {
  int64_t frames = 0;      // IN's length
  int channels = 1;
  double sampleRate = 48000.0;
  int blockSize = 512;     // fixed size, or the largest random size
  bool randomBlocks = false;
  uint64_t seed = 1;
  std::vector<AutomationEvent> events;  // sorted by frame (stable)
};

// IN as the renderer reads it, from its first frame on.
class RenderInput {
public:
  virtual ~RenderInput() = default;
  // Reads the next n frames (at most) into one buffer per channel; got is
  // less than n only at IN's end. False with a message when IN cannot be read.
  virtual bool Read(float* const* channels, size_t n, size_t& got, std::string& error) = 0;
};

// Where OUT goes: n frames of OUT, one buffer per channel, with the frames
// of IN they line up with. False with a message stops the render.
class RenderOutput {
public:
  virtual ~RenderOutput() = default;
  virtual bool Write(const float* const* in, const float* const* out, size_t n, std::string& error) = 0;
};

// IN as a file, read a block at a time.
class FileInput : public RenderInput {
public:
  explicit FileInput(SoundReader& reader) : mReader(reader) {}
  bool Read(float* const* channels, size_t n, size_t& got, std::string& error) override;

private:
  SoundReader& mReader;
};

// Rendered output nobody needs.
class DiscardOutput : public RenderOutput {
public:
  bool Write(const float* const*, const float* const*, size_t, std::string&) override { return true; }
};

// IN held in memory.
class MemoryInput : public RenderInput {
public:
  explicit MemoryInput(const AudioData& data) : mData(data) {}
  bool Read(float* const* channels, size_t n, size_t& got, std::string& error) override;

private:
  const AudioData& mData;
  size_t mPos = 0;
};

// The block the unit is rendering, as the input callback hands it over.
// Configure the unit with InputCallback and a pointer to one of these.
struct InputSource {
  int64_t start = 0;  // IN frame of the block's first frame
  size_t frames = 0;
  std::vector<const float*> channels;
};
OSStatus InputCallback(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                       UInt32 frames, AudioBufferList* data);

// The block sizes of a plan, in order (the renderer also cuts at automation
// points).
class BlockSizer {
public:
  BlockSizer(int blockSize, bool random, uint64_t seed) : mSize(blockSize), mRandom(random), mState(seed) {}
  int Next();

private:
  int mSize;
  bool mRandom;
  uint64_t mState;
};

// "the component failed to render at frame F (status S)".
std::string RenderFailureText(int64_t frame, OSStatus status);

enum class RenderStatus { kDone, kLatencyChanged, kInputFailed, kOutputFailed, kUnitFailed };

struct RenderResult {
  double cpuSeconds = 0.0;    // CPU time spent in the render calls
  int64_t renderedFrames = 0;
  int reportedLatency = -1;   // set with kLatencyChanged
};

class OfflineRenderer {
public:
  OfflineRenderer(const RenderPlan& plan, InputSource& source, RenderInput& in, RenderOutput& out);

  // Renders all of IN through unit, dropping latency frames from the start
  // of its output; automation points after the first frame go in that much
  // later than their frame. With stopOnLatencyChange, stops after the first
  // render call when the unit then reports another latency (some hosts'
  // units only learn it from the first audio block): kLatencyChanged,
  // nothing handed to OUT. Run may then be called again, on a fresh unit
  // with the new latency; IN starts over from its first frame.
  RenderStatus Run(HostedUnit& unit, int latency, bool stopOnLatencyChange, RenderResult& result, std::string& error);

private:
  bool ReadIn(float* const* channels, size_t n, size_t& got, std::string& error);

  const RenderPlan& mPlan;
  InputSource& mSource;
  RenderInput& mIn;
  RenderOutput& mOut;
  // One block per channel: IN as the unit pulls it, the unit's output.
  std::vector<std::vector<float>> mBlockIn, mBlockOut;
  std::vector<float*> mInPtrs, mRest;
  // IN's first block, kept while a run may still start over, then replayed.
  std::vector<std::vector<float>> mHead;
  size_t mHeadFrames = 0, mHeadPos = 0;
  bool mKeepHead = false;
};

}  // namespace orbexhost
