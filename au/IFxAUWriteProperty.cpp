// Property setter: every write is checked (data present and large enough, scope, element,
// value) before anything changes; the property's listeners hear of every write afterwards.
#include "au/IFxAU.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace fx {

namespace {

// Largest block size accepted from the host (frames per render call).
constexpr UInt32 kMaxBlockSize = 1u << 20;

// Smallest host-callback record accepted: the four procs before the second transport proc.
constexpr UInt32 kMinHostCallbackSize = offsetof(HostCallbackInfo, transportStateProc2);

template <class T>
T ReadRecord(const void* pData)
{
  T value;
  std::memcpy(&value, pData, sizeof(T));
  return value;
}

bool CFStringToUTF8(CFStringRef str, std::vector<char>& out)
{
  if (!str || CFGetTypeID(str) != CFStringGetTypeID()) return false;
  const CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(str), kCFStringEncodingUTF8) + 1;
  out.assign(static_cast<size_t>(size > 0 ? size : 1), '\0');
  return CFStringGetCString(str, out.data(), static_cast<CFIndex>(out.size()), kCFStringEncodingUTF8);
}

} // namespace

OSStatus IFxAU::WriteSampleRate(double sampleRate, bool alwaysReset)
{
  if (!std::isfinite(sampleRate) || sampleRate <= 0.0) return kAudioUnitErr_InvalidPropertyValue;
  const bool changed = sampleRate != GetSampleRate();
  SetSampleRate(sampleRate);
  if (changed || alwaysReset) OnReset();
  return noErr;
}

OSStatus IFxAU::WriteBlockSize(UInt32 blockSize)
{
  if (blockSize == 0 || blockSize > kMaxBlockSize) return kAudioUnitErr_InvalidPropertyValue;
  if (!SetBlockSize(static_cast<int>(blockSize)) || !AllocScratchBuffers(static_cast<int>(blockSize)))
  {
    // Out of memory: keep a consistent, empty state that renders nothing.
    SetBlockSize(0);
    AllocScratchBuffers(0);
    return memFullErr;
  }
  OnReset();
  return noErr;
}

OSStatus IFxAU::WritePresentPreset(const AUPreset& preset)
{
  if (preset.presetNumber < 0)
  {
    // A preset of the host's own, named by the host (it sets the state apart): the parameters
    // stay as they are and the host reads the name back.
    std::vector<char> name;
    if (!CFStringToUTF8(preset.presetName, name)) return kAudioUnitErr_InvalidPropertyValue;
    mHostPresetName.Set(name.data());
    mHostPresetNumber = preset.presetNumber;
    mHostPresetSet = true;
    return noErr;
  }
  if (preset.presetNumber >= NPresets()) return kAudioUnitErr_InvalidPropertyValue;
  mHostPresetSet = false;
  RestorePreset(preset.presetNumber);
  return noErr;
}

OSStatus IFxAU::WriteStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                  const AudioStreamBasicDescription& f)
{
  IAUBusRecord* bus = FindBus(scope, element);
  if (!bus) return kAudioUnitErr_InvalidProperty;

  // Only 32-bit native float, non-interleaved linear PCM at a real rate; a refused format gets
  // the status of every other refused write.
  const UInt32 flags = f.mFormatFlags;
  if (f.mFormatID != kAudioFormatLinearPCM || !(flags & kAudioFormatFlagIsFloat) ||
      !(flags & kAudioFormatFlagIsNonInterleaved) || (flags & kAudioFormatFlagIsBigEndian) ||
      (flags & kAudioFormatFlagIsSignedInteger) || f.mBitsPerChannel != 32 || f.mBytesPerFrame != 4 ||
      f.mBytesPerPacket != 4 || f.mFramesPerPacket != 1 || !std::isfinite(f.mSampleRate) || f.mSampleRate <= 0.0)
    return kAudioUnitErr_InvalidProperty;

  const UInt32 nChannels = f.mChannelsPerFrame;
  if (nChannels == 0 || nChannels > static_cast<UInt32>(bus->mPlugChannels) ||
      !IsChannelCountLegal(scope, element, static_cast<int>(nChannels)))
    return kAudioUnitErr_InvalidProperty;

  bus->mHostChannels = static_cast<int32_t>(nChannels);
  if (f.mSampleRate != GetSampleRate())
  {
    SetSampleRate(f.mSampleRate);
    OnReset();
  }
  RefreshInputLinks();
  return noErr;
}

OSStatus IFxAU::WriteConnection(AudioUnitScope scope, const AudioUnitConnection& c)
{
  if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
  IAUInputLink* link = mInputLinks.Get(c.destInputNumber > 0x7FFFFFFFu ? -1 : static_cast<int>(c.destInputNumber));
  if (!link) return kAudioUnitErr_InvalidProperty;
  if (c.sourceAudioUnit && c.sourceAudioUnit == mCI) return kAudioUnitErr_InvalidProperty;  // a loop onto itself

  link->Clear();
  OSStatus result = noErr;
  if (c.sourceAudioUnit)
  {
    AudioStreamBasicDescription format{};
    UInt32 size = sizeof(format);
    OSStatus s = AudioUnitGetProperty(c.sourceAudioUnit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output,
                                      c.sourceOutputNumber, &format, &size);
    if (s == noErr && size < sizeof(format)) s = kAudioUnitErr_InvalidProperty;
    if (s == noErr)
      s = WriteProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, c.destInputNumber, &format,
                        sizeof(format));
    if (s == noErr)
    {
      link->mUpstreamUnit = c.sourceAudioUnit;
      link->mUpstreamBus = c.sourceOutputNumber;
      AudioUnitRenderProc proc = nullptr;
      UInt32 procSize = sizeof(proc);
      if (AudioUnitGetProperty(c.sourceAudioUnit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                               kAudioUnitRenderSelect, &proc, &procSize) == noErr &&
          procSize == sizeof(proc) && proc)
      {
        link->mFastProc = proc;
        link->mUpstreamObject = GetComponentInstanceStorage(c.sourceAudioUnit);
      }
    }
    else
      result = kAudioUnitErr_InvalidProperty;
  }
  RefreshInputLinks();
  return result;
}

OSStatus IFxAU::WriteProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                              const void* pData, UInt32 dataSize)
{
  const bool global = scope == kAudioUnitScope_Global;
  auto sized = [&](size_t need) { return pData && dataSize >= need; };

  OSStatus status = kAudioUnitErr_InvalidProperty;
  switch (propID)
  {
    case kAudioUnitProperty_ClassInfo:
      status = sized(sizeof(CFPropertyListRef)) ? SetClassInfo(ReadRecord<CFPropertyListRef>(pData)) : kAudio_ParamError;
      break;

    case kAudioUnitProperty_MakeConnection:
      if (!sized(sizeof(AudioUnitConnection)))
        status = kAudio_ParamError;
      else
        status = WriteConnection(scope, ReadRecord<AudioUnitConnection>(pData));
      break;

    case kAudioUnitProperty_SampleRate:
      status = sized(sizeof(Float64)) ? WriteSampleRate(ReadRecord<Float64>(pData), true) : kAudio_ParamError;
      break;

    case kAudioUnitProperty_StreamFormat:
      if (!FindBus(scope, element))
        status = kAudioUnitErr_InvalidProperty;
      else if (!sized(sizeof(AudioStreamBasicDescription)))
        status = kAudio_ParamError;
      else
        status = WriteStreamFormat(scope, element, ReadRecord<AudioStreamBasicDescription>(pData));
      break;

    case kAudioUnitProperty_MaximumFramesPerSlice:
      status = sized(sizeof(UInt32)) ? WriteBlockSize(ReadRecord<UInt32>(pData)) : kAudio_ParamError;
      break;

    case kAudioUnitProperty_BypassEffect:
      if (!sized(sizeof(UInt32)))
        status = kAudio_ParamError;
      else
      {
        const bool bypass = ReadRecord<UInt32>(pData) != 0;
        SetBypassed(bypass);
        OnActivate(!bypass);
        OnReset();
        status = noErr;
      }
      break;

    case kAudioUnitProperty_SetRenderCallback:
    {
      IAUInputLink* link = mInputLinks.Get(element > 0x7FFFFFFFu ? -1 : static_cast<int>(element));
      if (scope != kAudioUnitScope_Input || !link)
        status = kAudioUnitErr_InvalidProperty;
      else if (!sized(sizeof(AURenderCallbackStruct)))
        status = kAudio_ParamError;
      else
      {
        const auto cb = ReadRecord<AURenderCallbackStruct>(pData);
        link->Clear();
        if (cb.inputProc)
        {
          link->mRenderCallback = cb.inputProc;
          link->mRenderCallbackRefCon = cb.inputProcRefCon;
        }
        RefreshInputLinks();
        status = noErr;
      }
      break;
    }

    case kAudioUnitProperty_HostCallbacks:
      if (!global)
        status = kAudioUnitErr_InvalidProperty;
      else if (!sized(kMinHostCallbackSize))
        status = kAudio_ParamError;
      else
      {
        HostCallbackInfo info{};
        std::memcpy(&info, pData, dataSize < sizeof(info) ? dataSize : sizeof(info));
        status = mHostCallbacks.Replace(info) ? static_cast<OSStatus>(noErr) : static_cast<OSStatus>(memFullErr);
      }
      break;

    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
      status = sized(sizeof(AUPreset)) ? WritePresentPreset(ReadRecord<AUPreset>(pData)) : kAudio_ParamError;
      break;

    case kAudioUnitProperty_OfflineRender:
      if (!sized(sizeof(UInt32)))
        status = kAudio_ParamError;
      else
      {
        SetRenderingOffline(ReadRecord<UInt32>(pData) != 0);
        OnReset();
        status = noErr;
      }
      break;

    case kAudioUnitProperty_AUHostIdentifier:
      if (!sized(sizeof(AUHostIdentifier)))
        status = kAudio_ParamError;
      else if (GetHost() != -1)
        status = noErr;  // the host is known already: accepted and ignored
      else
      {
        const auto id = ReadRecord<AUHostIdentifier>(pData);
        std::vector<char> name;
        if (!CFStringToUTF8(id.hostName, name))
          status = kAudioUnitErr_InvalidPropertyValue;
        else
        {
          const int major = id.hostVersion.majorRev;
          const int minor = (id.hostVersion.minorAndBugRev >> 4) & 0xF;
          const int bugFix = id.hostVersion.minorAndBugRev & 0xF;
          SetHost(name.data(), (major << 16) | (minor << 8) | bugFix);
          status = noErr;
        }
      }
      break;

    case kAudioUnitProperty_MIDIOutputCallback:
      if (!sized(sizeof(AUMIDIOutputCallbackStruct)))
        status = kAudio_ParamError;
      else
      {
        status = mMidiCallback.Replace(ReadRecord<AUMIDIOutputCallbackStruct>(pData))
                   ? static_cast<OSStatus>(noErr)
                   : static_cast<OSStatus>(memFullErr);
      }
      break;

    default: status = kAudioUnitErr_InvalidProperty; break;
  }

  // After the write, so a listener that reads the property sees the new value.
  NotifyPropertyListeners(propID, scope);
  return status;
}

} // namespace fx
