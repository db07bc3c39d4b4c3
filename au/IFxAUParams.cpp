// Parameter get, set and scheduled events from the host, and MIDI and SysEx output to it.
#include "au/IFxAU.h"

#include "core/IParam.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace fx {

// ---- Parameters (any host thread) -----------------------------------------------------------

OSStatus IFxAU::GetParameterValue(AudioUnitParameterID paramIdx, AudioUnitScope scope, AudioUnitElement /*element*/,
                                  AudioUnitParameterValue* pValue)
{
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  const IParam* param = paramIdx > 0x7FFFFFFFu ? nullptr : GetParam(static_cast<int>(paramIdx));
  if (!param) return kAudioUnitErr_InvalidParameter;
  if (!pValue) return kAudio_ParamError;
  *pValue = static_cast<AudioUnitParameterValue>(param->Value());
  return noErr;
}

OSStatus IFxAU::ProcSetParameterFromHost(AudioUnitParameterID paramIdx, AudioUnitScope scope,
                                         AudioUnitElement /*element*/, AudioUnitParameterValue value,
                                         UInt32 bufferOffset)
{
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  IParam* param = paramIdx > 0x7FFFFFFFu ? nullptr : GetParam(static_cast<int>(paramIdx));
  if (!param) return kAudioUnitErr_InvalidParameter;
  const double v = static_cast<double>(value);
  if (std::isnan(v)) return kAudioUnitErr_InvalidPropertyValue;

  // Rounded to the step when stepped (halves away from zero), clamped, exchanged atomically
  // with the previous value kept.
  param->Set(v);
  const int idx = static_cast<int>(paramIdx);
  SendParameterValueFromAPI(idx, v, false);
  OnParamChange(idx, kHost, static_cast<int>(bufferOffset > 0x7FFFFFFFu ? 0x7FFFFFFF : bufferOffset));
  return noErr;
}

OSStatus IFxAU::ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents)
{
  if (!events && nEvents > 0) return kAudio_ParamError;
  for (UInt32 i = 0; i < nEvents; ++i)
  {
    const AudioUnitParameterEvent& e = events[i];
    if (e.eventType != kParameterEvent_Immediate) continue;
    if (e.scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
    const OSStatus status = ProcSetParameterFromHost(e.parameter, e.scope, e.element,
                                                     e.eventValues.immediate.value,
                                                     e.eventValues.immediate.bufferOffset);
    if (status != noErr) return status;
  }
  return noErr;
}

// ---- MIDI and SysEx to the host (render thread) ---------------------------------------------

bool IFxAU::HasMidiOutput() const
{
  IAUSnapshotList<AUMIDIOutputCallbackStruct>::Reader cb(mMidiCallback);
  return cb.size() > 0 && cb[0].midiOutputCallback;
}

bool IFxAU::SendPacketList(const MIDIPacketList* pList)
{
  IAUSnapshotList<AUMIDIOutputCallbackStruct>::Reader current(mMidiCallback);
  if (current.size() == 0 || !current[0].midiOutputCallback) return false;
  const AUMIDIOutputCallbackStruct& cb = current[0];
  return cb.midiOutputCallback(cb.userData, &mLastRenderTimeStamp, 0, pList) == noErr;
}

bool IFxAU::SendMidiMsg(const IMidiMsg& msg)
{
  if (!HasMidiOutput()) return false;
  MIDIPacketList list;
  list.numPackets = 1;
  list.packet[0].timeStamp = static_cast<MIDITimeStamp>(static_cast<int64_t>(msg.mOffset));
  list.packet[0].length = 3;
  list.packet[0].data[0] = msg.mStatus;
  list.packet[0].data[1] = msg.mData1;
  list.packet[0].data[2] = msg.mData2;
  return SendPacketList(&list);
}

bool IFxAU::SendMidiMsgs(std::span<const IMidiMsg> msgs)
{
  if (!HasMidiOutput()) return false;
  const size_t size = kMIDIPacketListHeaderSize + msgs.size() * (kMIDIPacketHeaderSize + 3);
  auto* list = static_cast<MIDIPacketList*>(std::malloc(size));
  if (!list) return false;
  MIDIPacket* packet = MIDIPacketListInit(list);
  bool complete = true;
  for (const IMidiMsg& msg : msgs)
  {
    const Byte bytes[3] = {msg.mStatus, msg.mData1, msg.mData2};
    MIDIPacket* next = MIDIPacketListAdd(list, size, packet,
                                         static_cast<MIDITimeStamp>(static_cast<int64_t>(msg.mOffset)), 3, bytes);
    if (!next)
    {
      complete = false;  // out of order or no room: the rest cannot follow
      break;
    }
    packet = next;
  }
  const bool sent = SendPacketList(list);
  std::free(list);
  return sent && complete;
}

bool IFxAU::SendSysEx(const SysExMsg& msg)
{
  if (!HasMidiOutput()) return false;
  constexpr size_t kChunk = 256;
  const size_t total = msg.mSize > 0 && msg.mData ? static_cast<size_t>(msg.mSize) : 0;
  const size_t nChunks = (total + kChunk - 1) / kChunk;
  const size_t size = kMIDIPacketListHeaderSize + nChunks * kMIDIPacketHeaderSize + total +
                      (nChunks == 0 ? kMIDIPacketHeaderSize : 0);
  auto* list = static_cast<MIDIPacketList*>(std::malloc(size));
  if (!list) return false;
  MIDIPacket* packet = MIDIPacketListInit(list);
  bool complete = true;
  const auto time = static_cast<MIDITimeStamp>(static_cast<int64_t>(msg.mOffset));
  for (size_t done = 0; done < total; done += kChunk)
  {
    const size_t n = total - done < kChunk ? total - done : kChunk;
    MIDIPacket* next = MIDIPacketListAdd(list, size, packet, time, n, msg.mData + done);
    if (!next)
    {
      complete = false;
      break;
    }
    packet = next;
  }
  const bool sent = SendPacketList(list);
  std::free(list);
  return sent && complete;
}

} // namespace fx
