#include "host/OfflineRender.h"

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

}  // namespace

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
  if (src == nullptr || src->in == nullptr || ts == nullptr || data == nullptr || bus != 0)
    return kAudioUnitErr_InvalidParameter;
  const AudioData& in = *src->in;
  const int64_t start = static_cast<int64_t>(ts->mSampleTime);
  const int64_t total = static_cast<int64_t>(in.NumFrames());
  for (UInt32 b = 0; b < data->mNumberBuffers; ++b) {
    AudioBuffer& buf = data->mBuffers[b];
    if (buf.mData == nullptr || buf.mDataByteSize < frames * sizeof(float)) return kAudioUnitErr_InvalidParameter;
    auto* out = static_cast<float*>(buf.mData);
    std::fill(out, out + frames, 0.0f);
    if (in.channels.empty()) continue;
    // The file's frames that fall inside [start, start + frames); silence elsewhere.
    const std::vector<float>& src = in.channels[std::min<size_t>(b, in.channels.size() - 1)];
    const int64_t from = std::max<int64_t>(start, 0);
    const int64_t to = std::min<int64_t>(start + static_cast<int64_t>(frames), total);
    if (to > from)
      std::memcpy(out + (from - start), src.data() + from, static_cast<size_t>(to - from) * sizeof(float));
  }
  return noErr;
}

bool RenderOffline(HostedUnit& unit, const AudioData& in, const RenderPlan& plan, RenderResult& result,
                   std::string& error) {
  const int nch = in.NumChannels();
  const int64_t frames = static_cast<int64_t>(in.NumFrames());
  const int64_t total = frames + plan.latency;
  const int maxBlock = std::max(1, plan.blockSize);
  result = RenderResult();
  result.output.sampleRate = in.sampleRate;
  result.output.channels.assign(static_cast<size_t>(nch), std::vector<float>(static_cast<size_t>(frames), 0.0f));

  std::vector<std::vector<float>> scratch(static_cast<size_t>(nch), std::vector<float>(static_cast<size_t>(maxBlock)));
  std::vector<unsigned char> listMem(AudioBufferListSize(static_cast<UInt32>(nch)));
  auto* list = reinterpret_cast<AudioBufferList*>(listMem.data());

  BlockSizer sizer(maxBlock, plan.randomBlocks, plan.seed);
  size_t nextEvent = 0;
  int64_t sinceIdle = 0;
  const int64_t idleFrames = std::max<int64_t>(1, static_cast<int64_t>(kIdleInterval * in.sampleRate));
  unit.Reset();
  for (int64_t pos = 0; pos < total;) {
    // Automation due at this frame goes in before the block that starts there.
    while (nextEvent < plan.events.size() && plan.events[nextEvent].frame <= pos) {
      unit.SetParameter(plan.events[nextEvent].id, plan.events[nextEvent].value);
      ++nextEvent;
    }
    int64_t n = std::min<int64_t>(sizer.Next(), total - pos);
    if (nextEvent < plan.events.size()) n = std::min(n, plan.events[nextEvent].frame - pos);

    list->mNumberBuffers = static_cast<UInt32>(nch);
    for (int c = 0; c < nch; ++c) {
      list->mBuffers[c].mNumberChannels = 1;
      list->mBuffers[c].mDataByteSize = static_cast<UInt32>(n * static_cast<int64_t>(sizeof(float)));
      list->mBuffers[c].mData = scratch[static_cast<size_t>(c)].data();
    }
    AudioTimeStamp ts{};
    ts.mSampleTime = static_cast<Float64>(pos);
    ts.mFlags = kAudioTimeStampSampleTimeValid;

    const double t0 = ThreadCpuSeconds();
    const OSStatus s = unit.Render(ts, static_cast<UInt32>(n), list);
    result.cpuSeconds += ThreadCpuSeconds() - t0;
    if (s != noErr) {
      error = "the component failed to render at frame " + std::to_string(pos) + " (status " +
              std::to_string(static_cast<long>(s)) + ")";
      return false;
    }
    // Keep what lies at or after the latency, shifted back onto IN's timeline.
    for (int c = 0; c < nch; ++c) {
      const auto* src = static_cast<const float*>(list->mBuffers[c].mData);
      if (src == nullptr) continue;
      for (int64_t i = 0; i < n; ++i) {
        const int64_t at = pos + i - plan.latency;
        if (at >= 0 && at < frames) result.output.channels[static_cast<size_t>(c)][static_cast<size_t>(at)] = src[i];
      }
    }
    if (pos == 0 && plan.stopOnFirstLatencyChange) {
      const int now = unit.LatencySamples(in.sampleRate);
      if (now != plan.latency) {
        result.reportedLatency = now;
        return true;
      }
    }
    pos += n;
    result.renderedFrames += n;
    sinceIdle += n;
    if (sinceIdle >= idleFrames) {
      unit.Idle(static_cast<double>(sinceIdle) / in.sampleRate);
      sinceIdle = 0;
    }
  }
  return true;
}

}  // namespace orbexhost
