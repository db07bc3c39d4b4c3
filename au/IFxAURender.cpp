// The render call: pulls the inputs once per time stamp, attaches the host's output buffers and
// runs the processor. Render thread: no allocation, no lock, no wait.
#include "au/IFxAU.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace fx {

namespace {

// A buffer list of up to IFxAU::kMaxPullChannels buffers on the stack.
struct PullList
{
  alignas(AudioBufferList) unsigned char bytes[AudioBufferListSize(IFxAU::kMaxPullChannels)];
  AudioBufferList* Get() { return reinterpret_cast<AudioBufferList*>(bytes); }
};

bool SameSampleTime(double a, double b) { return !std::isnan(a) && !std::isnan(b) && a == b; }

} // namespace

void IFxAU::CallRenderNotifies(const IAUSnapshotList<IAURenderNotify>::Reader& notifies, UInt32 flags,
                               const AudioTimeStamp* pTimeStamp, UInt32 outputBus, UInt32 nFrames,
                               AudioBufferList* pBufferList)
{
  for (const IAURenderNotify& n : notifies)
  {
    AudioUnitRenderActionFlags local = flags;
    n.mProc(n.mRefCon, &local, pTimeStamp, outputBus, nFrames, pBufferList);
  }
}

OSStatus IFxAU::PullInputs(const AudioTimeStamp* pTimeStamp, UInt32 nFrames)
{
  for (int i = 0; i < mInBuses.GetSize(); ++i)
  {
    const IAUBusRecord* bus = mInBuses.Get(i);
    const IAUInputLink* link = mInputLinks.Get(i);
    if (!bus->mConnected || !link) continue;

    const int k = std::min({bus->mHostChannels, bus->mPlugChannels, kMaxPullChannels});
    if (k <= 0) continue;
    PullList storage;
    AudioBufferList* list = storage.Get();
    list->mNumberBuffers = static_cast<UInt32>(k);
    for (int c = 0; c < k; ++c)
    {
      list->mBuffers[c].mNumberChannels = 1;
      list->mBuffers[c].mDataByteSize = nFrames * sizeof(float);
      list->mBuffers[c].mData = nullptr;
    }
    AudioUnitRenderActionFlags flags = 0;
    OSStatus status = noErr;
    switch (link->mLinkType)
    {
      case kLinkFastProc:
        status = link->mFastProc(link->mUpstreamObject, &flags, pTimeStamp, link->mUpstreamBus, nFrames, list);
        break;
      case kLinkUpstreamUnit:
        status = AudioUnitRender(link->mUpstreamUnit, &flags, pTimeStamp, link->mUpstreamBus, nFrames, list);
        break;
      case kLinkRenderCallback:
        for (int c = 0; c < k; ++c)
        {
          const size_t offset = static_cast<size_t>(bus->mFirstChannel + c) * nFrames;
          if (offset + nFrames <= mInScratch.size()) list->mBuffers[c].mData = mInScratch.data() + offset;
        }
        status = link->mRenderCallback(link->mRenderCallbackRefCon, &flags, pTimeStamp, static_cast<UInt32>(i),
                                       nFrames, list);
        break;
      default: break;
    }
    if (status != noErr) return status;

    // The upstream side may replace the buffers; one it leaves without memory, or with less
    // than a block of samples, is silence.
    const int returned = std::min(k, static_cast<int>(list->mNumberBuffers));
    for (int c = 0; c < k; ++c)
    {
      float* data = nullptr;
      if (c < returned && list->mBuffers[c].mDataByteSize >= nFrames * sizeof(float))
        data = static_cast<float*>(list->mBuffers[c].mData);
      AttachBuffers(kInput, bus->mFirstChannel + c, 1, &data, static_cast<int>(nFrames));
    }
  }
  return noErr;
}

void IFxAU::AttachOutputs(UInt32 outputBus, UInt32 nFrames, AudioBufferList* pBufferList)
{
  IAUBusRecord* bus = mOutBuses.Get(static_cast<int>(outputBus));
  const int m = static_cast<int>(pBufferList->mNumberBuffers);
  if (!bus->mConnected || bus->mHostChannels != m)
  {
    const int c = std::max(bus->mHostChannels, m);
    const int e = std::max(bus->mPlugChannels - c, 0);
    SetChannelConnections(kOutput, bus->mFirstChannel, std::min(c, bus->mPlugChannels), true);
    SetChannelConnections(kOutput, bus->mFirstChannel + c, e, false);
    bus->mConnected = 1;
  }
  // Forget the buffers of an earlier call first: a channel this call hands no buffer for
  // receives nothing, rather than writing into memory the host may have reused.
  AttachBuffers(kOutput, bus->mFirstChannel, bus->mPlugChannels, nullptr, 0);
  for (int j = 0; j < m; ++j)
  {
    AudioBuffer& buffer = pBufferList->mBuffers[j];
    if (j >= bus->mPlugChannels)
    {
      // More host buffers than the bus has channels: silence, never another bus's channel.
      if (buffer.mData)
        std::memset(buffer.mData, 0, std::min<size_t>(buffer.mDataByteSize, nFrames * sizeof(float)));
      else
        buffer.mData = mSilence.data();
      continue;
    }
    if (!buffer.mData)
    {
      const size_t offset = static_cast<size_t>(bus->mFirstChannel + j) * nFrames;
      buffer.mData = mOutScratch.data() + offset;
    }
    float* data = static_cast<float*>(buffer.mData);
    AttachBuffers(kOutput, bus->mFirstChannel + j, 1, &data, static_cast<int>(nFrames));
  }
}

OSStatus IFxAU::CheckOutputBuffers(UInt32 outputBus, UInt32 nFrames, const AudioBufferList& list) const
{
  // One buffer per channel of the bus's format: with fewer, channels of the processed block
  // would go nowhere while the host believes it has them all.
  const IAUBusRecord* bus = mOutBuses.Get(static_cast<int>(outputBus));
  const int formatChannels = bus->mHostChannels >= 0 ? bus->mHostChannels : bus->mPlugChannels;
  if (list.mNumberBuffers < static_cast<UInt32>(formatChannels)) return kAudio_ParamError;
  // Every host buffer must hold the block, or its memory is left to the adapter.
  for (UInt32 j = 0; j < list.mNumberBuffers; ++j)
  {
    const AudioBuffer& b = list.mBuffers[j];
    if (b.mData && b.mDataByteSize < nFrames * sizeof(float)) return kAudio_ParamError;
  }
  return noErr;
}

OSStatus IFxAU::RenderUnit(AudioUnitRenderActionFlags* /*pFlags*/, const AudioTimeStamp* pTimeStamp, UInt32 outputBus,
                           UInt32 nFrames, AudioBufferList* pBufferList)
{
  if (!pTimeStamp || !pBufferList) return kAudio_ParamError;
  // Before Initialize (or after Uninitialize) the processing is not set up for the host's
  // formats: nothing is pulled, notified or written.
  if (!IsActive()) return kAudioUnitErr_Uninitialized;
  mLastRenderTimeStamp = *pTimeStamp;

  if (!(pTimeStamp->mFlags & kAudioTimeStampSampleTimeValid)) return kAudioUnitErr_InvalidPropertyValue;
  if (nFrames > static_cast<UInt32>(GetBlockSize())) return kAudioUnitErr_InvalidPropertyValue;

  const bool midiEffect = GetPlugType() == kPlugTypeMIDIEffect;
  const int nOutBuses = mOutBuses.GetSize();
  if (!midiEffect)
  {
    if (outputBus >= static_cast<UInt32>(nOutBuses)) return kAudioUnitErr_InvalidElement;
    const OSStatus status = CheckOutputBuffers(outputBus, nFrames, *pBufferList);
    if (status != noErr) return status;
  }

  IAUSnapshotList<IAURenderNotify>::Reader notifies(mRenderNotifies);
  CallRenderNotifies(notifies, kAudioUnitRenderAction_PreRender, pTimeStamp, outputBus, nFrames, pBufferList);

  if (!midiEffect)
  {
    if (mForgetPulledTime.exchange(false, std::memory_order_acq_rel))
      mLastPulledSampleTime = std::numeric_limits<double>::quiet_NaN();
    if (!SameSampleTime(pTimeStamp->mSampleTime, mLastPulledSampleTime))
    {
      const OSStatus status = PullInputs(pTimeStamp, nFrames);
      if (status != noErr) return status;
      mLastPulledSampleTime = pTimeStamp->mSampleTime;
    }
    AttachOutputs(outputBus, nFrames, pBufferList);
  }

  // The last connected output bus: the one before the first bus not yet connected.
  int lastConnected = nOutBuses - 1;
  for (int i = 0; i < nOutBuses; ++i)
    if (!mOutBuses.Get(i)->mConnected)
    {
      lastConnected = i - 1;
      break;
    }

  if (midiEffect || static_cast<int>(outputBus) == lastConnected)
  {
    if (static_cast<int>(outputBus) + 1 < nOutBuses)
    {
      // Every bus after this one counts as two channels.
      const int first = 2 * (static_cast<int>(outputBus) + 1);
      SetChannelConnections(kOutput, first, 2 * nOutBuses - first, false);
    }
    if (!GetBypassed())
    {
      IMidiMsg msg;
      while (mMidiMsgsFromEditor.Pop(msg)) ProcessMidiMsg(msg);
      UpdateTimeInfo();
      ProcessBuffers(static_cast<int>(nFrames));
    }
    else
      PassThroughBuffers(static_cast<int>(nFrames));
    // The host's output buffers belong to this call only; a bus the next cycle does not render
    // must not be written through them.
    AttachBuffers(kOutput, 0, NChannels(kOutput), nullptr, 0);
  }

  CallRenderNotifies(notifies, kAudioUnitRenderAction_PostRender, pTimeStamp, outputBus, nFrames, pBufferList);
  FlushSysExFromEditor();
  return noErr;
}

void IFxAU::FlushSysExFromEditor()
{
  while (mSysExDataFromEditor.Pop(mSysexBuf)) SendSysEx(mSysexBuf.AsMsg());
}

void IFxAU::UpdateTimeInfo()
{
  ITimeInfo& t = GetTimeInfo();
  t = ITimeInfo();
  auto valueOr = [](double v, double def) { return v > 0.0 ? v : def; };
  IAUSnapshotList<HostCallbackInfo>::Reader current(mHostCallbacks);
  if (current.size() == 0) return;
  const HostCallbackInfo& cb = current[0];

  if (cb.beatAndTempoProc)
  {
    Float64 beat = 0.0, tempo = 0.0;
    cb.beatAndTempoProc(cb.hostUserData, &beat, &tempo);
    t.mTempo = valueOr(tempo, 120.0);
    t.mPPQPos = beat;
  }
  if (cb.transportStateProc)
  {
    Boolean playing = false, changed = false, cycling = false;
    Float64 sample = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
    cb.transportStateProc(cb.hostUserData, &playing, &changed, &sample, &cycling, &cycleStart, &cycleEnd);
    t.mSamplePos = valueOr(sample, -1.0);
    t.mCycleStart = valueOr(cycleStart, -1.0);
    t.mCycleEnd = valueOr(cycleEnd, -1.0);
    t.mTransportIsRunning = playing;
    t.mTransportLoopEnabled = cycling;
  }
  if (cb.musicalTimeLocationProc)
  {
    UInt32 delta = 0, denominator = 0;
    Float32 numerator = 0.f;
    Float64 downBeat = 0.0;
    cb.musicalTimeLocationProc(cb.hostUserData, &delta, &numerator, &denominator, &downBeat);
    t.mLastBar = valueOr(downBeat, -1.0);
    // A numerator that is no number, or out of range, cannot be converted.
    t.mNumerator = (std::isfinite(numerator) && std::fabs(numerator) < 2147483520.f) ? static_cast<int32_t>(numerator) : 4;
    t.mDenominator = static_cast<int32_t>(denominator);
  }
}

} // namespace fx
