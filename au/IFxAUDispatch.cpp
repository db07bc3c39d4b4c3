// The Component Manager road: one entry call with a selector and a block of arguments.
#include "au/IFxAU.h"

#include <AudioUnit/MusicDevice.h>

#include <cmath>
#include <cstring>

namespace fx {

namespace {

// Arguments of a parameter block in call order (0 is the component instance). The block stores
// them last first, one long slot each.
class ArgBlock
{
public:
  explicit ArgBlock(const ComponentParameters* p)
    : mParams(p), mCount(static_cast<int>(p->paramSize / sizeof(long))) {}

  bool Has(int count) const { return mCount >= count; }
  long Raw(int i) const { return mParams->params[mCount - 1 - i]; }
  template <class T>
  T Ptr(int i) const { return reinterpret_cast<T>(Raw(i)); }
  UInt32 U32(int i) const { return static_cast<UInt32>(Raw(i)); }
  SInt16 S16(int i) const { return static_cast<SInt16>(Raw(i)); }
  Float32 F32(int i) const
  {
    const UInt32 bits = U32(i);
    Float32 v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }

private:
  const ComponentParameters* mParams;
  int mCount;
};

} // namespace

ComponentResult IFxAU::DispatchComponentCall(ComponentParameters* params)
{
  if (!params) return kAudio_ParamError;
  const ArgBlock args(params);
  auto need = [&args](int n) { return args.Has(n); };

  switch (params->what)
  {
    case kComponentCloseSelect:
      ResetConnections();
      delete this;
      return noErr;

    case kComponentCanDoSelect:
    {
      if (!need(1)) return kAudio_ParamError;
      // The asked selector is the call's only argument. Every selector served below is
      // announced, so hosts that ask first use the one that removes a listener by its user data.
      const SInt16 s = args.S16(0);
      const bool yes = (s >= 1 && s <= 7) || (s >= 9 && s <= 11) || (s >= 14 && s <= 18);
      return yes ? 1 : 0;
    }

    case kComponentVersionSelect: return GetPluginVersion(false);

    case kAudioUnitInitializeSelect: return InitializeUnit();

    case kAudioUnitUninitializeSelect:
      UninitializeUnit();
      return noErr;

    case kAudioUnitGetPropertyInfoSelect:
    {
      if (!need(6)) return kAudio_ParamError;
      UInt32 localSize = 0;
      Boolean localWritable = false;
      UInt32* pSize = args.Ptr<UInt32*>(4);
      Boolean* pWritable = args.Ptr<Boolean*>(5);
      if (!pSize) pSize = &localSize;
      if (!pWritable) pWritable = &localWritable;
      *pWritable = false;
      return ReadProperty(args.U32(1), args.U32(2), args.U32(3), pSize, pWritable, nullptr);
    }

    case kAudioUnitGetPropertySelect:
    {
      if (!need(6)) return kAudio_ParamError;
      UInt32 localSize = 0;
      Boolean writable = false;
      void* pData = args.Ptr<void*>(4);
      UInt32* pSize = args.Ptr<UInt32*>(5);
      if (!pSize)
      {
        if (pData) return kAudio_ParamError;  // no size: the buffer cannot be checked
        pSize = &localSize;
      }
      return ReadProperty(args.U32(1), args.U32(2), args.U32(3), pSize, &writable, pData);
    }

    case kAudioUnitSetPropertySelect:
      if (!need(6)) return kAudio_ParamError;
      return WriteProperty(args.U32(1), args.U32(2), args.U32(3), args.Ptr<const void*>(4), args.U32(5));

    case kAudioUnitGetParameterSelect:
      if (!need(5)) return kAudio_ParamError;
      return GetParameterValue(args.U32(1), args.U32(2), args.U32(3), args.Ptr<AudioUnitParameterValue*>(4));

    case kAudioUnitSetParameterSelect:
      if (!need(6)) return kAudio_ParamError;
      return ProcSetParameterFromHost(args.U32(1), args.U32(2), args.U32(3), args.F32(4), args.U32(5));

    case kAudioUnitResetSelect:
      ResetUnit();
      return noErr;

    case kAudioUnitAddPropertyListenerSelect:
      if (!need(4)) return kAudio_ParamError;
      return AddPropertyListener(args.U32(1), args.Ptr<AudioUnitPropertyListenerProc>(2), args.Ptr<void*>(3));

    case kAudioUnitRemovePropertyListenerSelect:
      if (!need(3)) return kAudio_ParamError;
      return RemovePropertyListener(args.U32(1), args.Ptr<AudioUnitPropertyListenerProc>(2));

    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
      if (!need(4)) return kAudio_ParamError;
      return RemovePropertyListenerWithUserData(args.U32(1), args.Ptr<AudioUnitPropertyListenerProc>(2),
                                                args.Ptr<void*>(3));

    case kAudioUnitRenderSelect:
      if (!need(6)) return kAudio_ParamError;
      return RenderUnit(args.Ptr<AudioUnitRenderActionFlags*>(1), args.Ptr<const AudioTimeStamp*>(2), args.U32(3),
                        args.U32(4), args.Ptr<AudioBufferList*>(5));

    case kAudioUnitAddRenderNotifySelect:
      if (!need(3)) return kAudio_ParamError;
      return AddRenderNotify(args.Ptr<AURenderCallback>(1), args.Ptr<void*>(2));

    case kAudioUnitRemoveRenderNotifySelect:
      if (!need(3)) return kAudio_ParamError;
      return RemoveRenderNotify(args.Ptr<AURenderCallback>(1), args.Ptr<void*>(2));

    case kAudioUnitScheduleParametersSelect:
      if (!need(3)) return kAudio_ParamError;
      return ScheduleParameters(args.Ptr<const AudioUnitParameterEvent*>(1), args.U32(2));

    case kMusicDeviceMIDIEventSelect:
      if (!need(5)) return kAudio_ParamError;
      return ReceiveMidiEvent(args.U32(1), args.U32(2), args.U32(3), args.U32(4));

    case kMusicDeviceSysExSelect:
      if (!need(3)) return kAudio_ParamError;
      return ReceiveSysEx(args.Ptr<const UInt8*>(1), args.U32(2));

    case kMusicDevicePrepareInstrumentSelect:
    case kMusicDeviceReleaseInstrumentSelect:
    case kMusicDeviceStopNoteSelect: return noErr;

    case kMusicDeviceStartNoteSelect:
    {
      // (instance, instrument, group, note instance ID out, offset, note parameters)
      if (!need(6)) return kAudio_ParamError;
      auto* pNoteID = args.Ptr<NoteInstanceID*>(3);
      auto* pNote = args.Ptr<const MusicDeviceNoteParams*>(5);
      if (pNoteID && pNote)
      {
        // A pitch that is no number, or beyond the 32-bit range, has no integer: it gives 0.
        const double pitch = pNote->mPitch;
        const bool representable = std::isfinite(pitch) && pitch > -2147483649.0 && pitch < 2147483648.0;
        *pNoteID = static_cast<NoteInstanceID>(representable ? static_cast<SInt32>(pitch) : 0);
      }
      return noErr;
    }

    default: return badComponentSelector;
  }
}

OSStatus IFxAU::ReceiveMidiEvent(UInt32 status, UInt32 data1, UInt32 data2, UInt32 offset)
{
  if (!DoesMIDIIn()) return badComponentSelector;
  const IMidiMsg msg(static_cast<int32_t>(offset), static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
                     static_cast<uint8_t>(data2));
  ProcessMidiMsg(msg);
  mMidiMsgsFromProcessor.Push(msg);
  return noErr;
}

OSStatus IFxAU::ReceiveSysEx(const UInt8* data, UInt32 length)
{
  if (!DoesMIDIIn()) return badComponentSelector;
  if (!data && length > 0) return kAudio_ParamError;
  if (length > 0x7FFFFFFFu) return kAudio_ParamError;
  ProcessSysEx(SysExMsg(0, data, static_cast<int32_t>(length)));
  return noErr;
}

} // namespace fx
