#pragma once
// Keeps a hosted unit rendering in real time on a thread of its own while its
// editor is shown, as a host with its transport stopped does: the unit is
// pulled one block at a time at the pace of the clock, its input is silence
// and its output goes nowhere, so whatever follows the audio (the meters)
// goes on. The render thread allocates nothing, takes no lock and does no
// I/O. Start, Stop and the destructor belong to the main thread; the counts
// and the status may be read from any thread.

#include "host/HostedUnit.h"
#include "host/OfflineRender.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace orbexhost {

class LiveRender {
public:
  // unit was configured with InputCallback and source, with channels and a
  // maximum of at least blockFrames frames at sampleRate.
  LiveRender(HostedUnit& unit, InputSource& source, int channels, int blockFrames, double sampleRate);
  ~LiveRender();
  LiveRender(const LiveRender&) = delete;
  LiveRender& operator=(const LiveRender&) = delete;

  // Stops the unit's transport and starts rendering silence at sample time
  // startFrame (the frame after everything rendered before). False with a
  // message when the thread cannot start.
  bool Start(int64_t startFrame, std::string& error);
  // Stops rendering and waits for the block in progress.
  void Stop();

  // Frames rendered since Start.
  int64_t RenderedFrames() const { return mRendered.load(std::memory_order_relaxed); }
  // False with a message once a render call has failed (rendering stopped there).
  bool Healthy(std::string& error) const;

private:
  void Run(int64_t pos);

  HostedUnit& mUnit;
  InputSource& mSource;
  const int mChannels;
  const int mBlockFrames;
  const double mSampleRate;
  std::vector<std::vector<float>> mOut;   // one block per channel
  std::vector<unsigned char> mListMem;    // the AudioBufferList over mOut
  std::thread mThread;
  std::atomic<bool> mStop{false};
  std::atomic<int64_t> mRendered{0};
  std::atomic<OSStatus> mFailed{noErr};
  std::atomic<int64_t> mFailedAt{0};
};

}  // namespace orbexhost
