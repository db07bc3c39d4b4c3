#include "host/OfflineRender.h"

#include "host/SoundFile.h"
#include "host/SoundReader.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace orbexhost {

namespace {

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// How often (in audio time) the main run loop gets a turn while rendering.
constexpr double kIdleInterval = 0.02;

// IN frames kept until the OUT frames that line up with them come out of the
// unit, a latency later: read from the front, compacted when the back is
// reached, so it holds about the latency and a block.
class InputDelay {
public:
  explicit InputDelay(int channels) : mBuffers(static_cast<size_t>(channels)) {}

  void Push(const float* const* channels, size_t n) {
    if (n == 0) return;
    const size_t live = mEnd - mBegin;
    if (mEnd + n > Capacity()) {
      const size_t need = live + n;
      for (auto& b : mBuffers) {
        if (2 * need > b.size()) {
          std::vector<float> grown(2 * need);
          std::copy(b.begin() + static_cast<std::ptrdiff_t>(mBegin), b.begin() + static_cast<std::ptrdiff_t>(mEnd),
                    grown.begin());
          b.swap(grown);
        } else {
          std::memmove(b.data(), b.data() + mBegin, live * sizeof(float));
        }
      }
      mBegin = 0;
      mEnd = live;
    }
    for (size_t c = 0; c < mBuffers.size(); ++c) std::memcpy(mBuffers[c].data() + mEnd, channels[c], n * sizeof(float));
    mEnd += n;
  }
  // The kept samples of channel c from IN frame `frame` on.
  const float* At(size_t c, int64_t frame) const {
    return mBuffers[c].data() + mBegin + static_cast<size_t>(frame - mFirst);
  }
  // Frames before `frame` are no longer needed.
  void DropBefore(int64_t frame) {
    const auto drop = static_cast<size_t>(std::clamp<int64_t>(frame - mFirst, 0, static_cast<int64_t>(mEnd - mBegin)));
    mBegin += drop;
    mFirst += static_cast<int64_t>(drop);
  }

private:
  size_t Capacity() const { return mBuffers.empty() ? 0 : mBuffers[0].size(); }

  std::vector<std::vector<float>> mBuffers;
  size_t mBegin = 0, mEnd = 0;
  int64_t mFirst = 0;  // IN frame at mBegin
};

}  // namespace

bool FileInput::Read(float* const* channels, size_t n, size_t& got, std::string& error) {
  return mReader.Read(channels, n, got, error);
}

bool MemoryInput::Read(float* const* channels, size_t n, size_t& got, std::string&) {
  got = std::min(n, mData.NumFrames() - std::min(mPos, mData.NumFrames()));
  if (got == 0) return true;
  for (size_t c = 0; c < mData.channels.size(); ++c)
    std::memcpy(channels[c], mData.channels[c].data() + mPos, got * sizeof(float));
  mPos += got;
  return true;
}

int BlockSizer::Next() {
  if (!mRandom) return mSize;
  // splitmix64: the same sizes for the same seed on every machine.
  uint64_t z = (mState += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return 1 + static_cast<int>(z % static_cast<uint64_t>(mSize));
}

OSStatus InputCallback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32 bus, UInt32 frames,
                       AudioBufferList* data) {
  const auto* src = static_cast<const InputSource*>(refCon);
  if (src == nullptr || ts == nullptr || data == nullptr || bus != 0) return kAudioUnitErr_InvalidParameter;
  const int64_t start = static_cast<int64_t>(ts->mSampleTime);
  const int64_t blockEnd = src->start + static_cast<int64_t>(src->frames);
  for (UInt32 b = 0; b < data->mNumberBuffers; ++b) {
    AudioBuffer& buf = data->mBuffers[b];
    if (buf.mData == nullptr || buf.mDataByteSize < frames * sizeof(float)) return kAudioUnitErr_InvalidParameter;
    auto* out = static_cast<float*>(buf.mData);
    std::fill(out, out + frames, 0.0f);
    if (src->channels.empty()) continue;
    // The block's frames that fall inside [start, start + frames); silence elsewhere.
    const float* in = src->channels[std::min<size_t>(b, src->channels.size() - 1)];
    const int64_t from = std::max(start, src->start);
    const int64_t to = std::min(start + static_cast<int64_t>(frames), blockEnd);
    if (to > from)
      std::memcpy(out + (from - start), in + (from - src->start), static_cast<size_t>(to - from) * sizeof(float));
  }
  return noErr;
}

std::string RenderFailureText(int64_t frame, OSStatus status) {
  return "the component failed to render at frame " + std::to_string(frame) + " (status " +
         std::to_string(static_cast<long>(status)) + ")";
}

OfflineRenderer::OfflineRenderer(const RenderPlan& plan, InputSource& source, RenderInput& in, RenderOutput& out)
    : mPlan(plan),
      mSource(source),
      mIn(in),
      mOut(out),
      mBlockIn(static_cast<size_t>(std::max(plan.channels, 0)),
               std::vector<float>(static_cast<size_t>(std::max(1, plan.blockSize)))),
      mBlockOut(mBlockIn),
      mRest(mBlockIn.size()),
      mHead(mBlockIn.size()) {
  for (auto& b : mBlockIn) mInPtrs.push_back(b.data());
  mSource.channels.assign(mInPtrs.begin(), mInPtrs.end());
}

bool OfflineRenderer::ReadIn(float* const* channels, size_t n, size_t& got, std::string& error) {
  const size_t nch = mHead.size();
  got = std::min(n, mHeadFrames - mHeadPos);
  if (got > 0)
    for (size_t c = 0; c < nch; ++c) std::memcpy(channels[c], mHead[c].data() + mHeadPos, got * sizeof(float));
  mHeadPos += got;
  if (got == n) return true;
  for (size_t c = 0; c < nch; ++c) mRest[c] = channels[c] + got;
  size_t more = 0;
  if (!mIn.Read(mRest.data(), n - got, more, error)) return false;
  if (mKeepHead) {
    for (size_t c = 0; c < nch; ++c) mHead[c].insert(mHead[c].end(), mRest[c], mRest[c] + more);
    mHeadFrames += more;
    mHeadPos += more;
  }
  got += more;
  return true;
}

RenderStatus OfflineRenderer::Run(HostedUnit& unit, int latency, bool stopOnLatencyChange, RenderResult& result,
                                  std::string& error) {
  const int nch = mPlan.channels;
  const int64_t frames = mPlan.frames;
  const int64_t total = frames + latency;
  const int maxBlock = std::max(1, mPlan.blockSize);
  result = RenderResult();
  mHeadPos = 0;
  mKeepHead = stopOnLatencyChange && mHeadFrames == 0;

  std::vector<const float*> alignedIn(static_cast<size_t>(nch)), alignedOut(static_cast<size_t>(nch));
  std::vector<unsigned char> listMem(AudioBufferListSize(static_cast<UInt32>(nch)));
  auto* list = reinterpret_cast<AudioBufferList*>(listMem.data());
  InputDelay delay(nch);

  BlockSizer sizer(maxBlock, mPlan.randomBlocks, mPlan.seed);
  size_t nextEvent = 0;
  int64_t sinceIdle = 0;
  const int64_t idleFrames = std::max<int64_t>(1, static_cast<int64_t>(kIdleInterval * mPlan.sampleRate));
  // A point lands on its frame of OUT: it goes in where that frame comes out
  // of the unit, the latency OUT is aligned by later. Points at the first
  // frame go in before the first block, so the render starts with them.
  auto renderFrame = [latency](const AutomationEvent& e) { return e.frame > 0 ? e.frame + latency : 0; };
  unit.Reset();
  for (int64_t pos = 0; pos < total;) {
    // Automation due at this frame goes in before the block that starts there.
    while (nextEvent < mPlan.events.size() && renderFrame(mPlan.events[nextEvent]) <= pos) {
      unit.SetParameter(mPlan.events[nextEvent].id, mPlan.events[nextEvent].value);
      ++nextEvent;
    }
    int64_t n = std::min<int64_t>(sizer.Next(), total - pos);
    if (nextEvent < mPlan.events.size()) n = std::min(n, renderFrame(mPlan.events[nextEvent]) - pos);

    // The block's IN frames, silence past IN's end.
    const auto want = static_cast<size_t>(std::clamp<int64_t>(frames - pos, 0, n));
    size_t got = 0;
    if (!ReadIn(mInPtrs.data(), want, got, error)) return RenderStatus::kInputFailed;
    if (got < want) {
      error = "IN ended after " + std::to_string(pos + static_cast<int64_t>(got)) + " of its " +
              std::to_string(frames) + " frames";
      return RenderStatus::kInputFailed;
    }
    for (auto& b : mBlockIn) std::fill(b.begin() + static_cast<std::ptrdiff_t>(want), b.begin() + n, 0.0f);
    delay.Push(mInPtrs.data(), want);
    mSource.start = pos;
    mSource.frames = static_cast<size_t>(n);

    list->mNumberBuffers = static_cast<UInt32>(nch);
    for (int c = 0; c < nch; ++c) {
      list->mBuffers[c].mNumberChannels = 1;
      list->mBuffers[c].mDataByteSize = static_cast<UInt32>(n * static_cast<int64_t>(sizeof(float)));
      list->mBuffers[c].mData = mBlockOut[static_cast<size_t>(c)].data();
    }
    AudioTimeStamp ts{};
    ts.mSampleTime = static_cast<Float64>(pos);
    ts.mFlags = kAudioTimeStampSampleTimeValid;

    const double t0 = ThreadCpuSeconds();
    const OSStatus s = unit.Render(ts, static_cast<UInt32>(n), list);
    result.cpuSeconds += ThreadCpuSeconds() - t0;
    if (s != noErr) {
      error = RenderFailureText(pos, s);
      return RenderStatus::kUnitFailed;
    }
    if (pos == 0 && stopOnLatencyChange) {
      const int now = unit.LatencySamples(mPlan.sampleRate);
      if (now != latency) {
        result.reportedLatency = now;
        return RenderStatus::kLatencyChanged;
      }
    }
    mKeepHead = false;
    // What lies at or after the latency goes on, shifted back onto IN's timeline.
    const int64_t outStart = pos - latency;
    const int64_t from = std::max<int64_t>(outStart, 0), to = std::min(outStart + n, frames);
    if (to > from) {
      for (size_t c = 0; c < static_cast<size_t>(nch); ++c) {
        const auto* rendered = static_cast<const float*>(list->mBuffers[c].mData);
        if (rendered == nullptr) rendered = mBlockOut[c].data();
        alignedOut[c] = rendered + (from - outStart);
        alignedIn[c] = delay.At(c, from);
      }
      if (!mOut.Write(alignedIn.data(), alignedOut.data(), static_cast<size_t>(to - from), error))
        return RenderStatus::kOutputFailed;
      delay.DropBefore(to);
    }
    pos += n;
    result.renderedFrames += n;
    sinceIdle += n;
    if (sinceIdle >= idleFrames) {
      unit.Idle(static_cast<double>(sinceIdle) / mPlan.sampleRate);
      sinceIdle = 0;
    }
  }
  return RenderStatus::kDone;
}

}  // namespace orbexhost
