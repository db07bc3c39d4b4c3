#include "host/LiveRender.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace orbexhost {

namespace {

using Clock = std::chrono::steady_clock;
// A renderer this far behind the clock (a busy machine) goes on from now
// rather than rendering the missed blocks back to back.
constexpr auto kMaxLag = std::chrono::milliseconds(200);

}  // namespace

LiveRender::LiveRender(HostedUnit& unit, InputSource& source, int channels, int blockFrames, double sampleRate)
    : mUnit(unit),
      mSource(source),
      mChannels(std::max(channels, 1)),
      mBlockFrames(std::max(blockFrames, 1)),
      mSampleRate(sampleRate > 0.0 ? sampleRate : 48000.0),
      mOut(static_cast<size_t>(mChannels), std::vector<float>(static_cast<size_t>(mBlockFrames))),
      mListMem(AudioBufferListSize(static_cast<UInt32>(mChannels))) {}

LiveRender::~LiveRender() { Stop(); }

bool LiveRender::Start(int64_t startFrame, std::string& error) {
  Stop();
  // Silence from now on: the input callback hands out zeros without channels.
  mSource.channels.clear();
  mSource.start = 0;
  mSource.frames = 0;
  mUnit.StopTransport();
  mStop.store(false);
  mRendered.store(0);
  mFailed.store(noErr);
  try {
    mThread = std::thread([this, startFrame] { Run(startFrame); });
  } catch (const std::system_error& e) {
    error = std::string("the render thread could not start: ") + e.what();
    return false;
  }
  return true;
}

void LiveRender::Stop() {
  mStop.store(true);
  if (mThread.joinable()) mThread.join();
}

bool LiveRender::Healthy(std::string& error) const {
  const OSStatus s = mFailed.load(std::memory_order_acquire);
  if (s == noErr) return true;
  error = RenderFailureText(mFailedAt.load(std::memory_order_relaxed), s);
  return false;
}

void LiveRender::Run(int64_t pos) {
  auto* list = reinterpret_cast<AudioBufferList*>(mListMem.data());
  const auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(mBlockFrames) / mSampleRate));
  const auto frames = static_cast<UInt32>(mBlockFrames);
  auto next = Clock::now();
  while (!mStop.load(std::memory_order_acquire)) {
    // The unit may point the buffers elsewhere: they are set anew for each block.
    list->mNumberBuffers = static_cast<UInt32>(mChannels);
    for (int c = 0; c < mChannels; ++c) {
      list->mBuffers[c].mNumberChannels = 1;
      list->mBuffers[c].mDataByteSize = frames * static_cast<UInt32>(sizeof(float));
      list->mBuffers[c].mData = mOut[static_cast<size_t>(c)].data();
    }
    AudioTimeStamp ts{};
    ts.mSampleTime = static_cast<Float64>(pos);
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    const OSStatus s = mUnit.Render(ts, frames, list);
    if (s != noErr) {
      mFailedAt.store(pos, std::memory_order_relaxed);
      mFailed.store(s, std::memory_order_release);
      return;
    }
    pos += mBlockFrames;
    mRendered.fetch_add(mBlockFrames, std::memory_order_relaxed);
    next += period;
    const auto now = Clock::now();
    if (now - next > kMaxLag) next = now;
    std::this_thread::sleep_until(next);
  }
}

}  // namespace orbexhost
