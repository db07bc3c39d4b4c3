// Property getter: sizes, writability and values of every property the adapter serves.
#include "au/AUFactoryPresets.h"
#include "au/IFxAU.h"
#include "core/IParam.h"

#include <cstring>

namespace fx {

namespace {

constexpr UInt32 kHostUnitForCode[] = {3, 4, 24, 5, 13, 14, 18, 6, 15, 19, 7, 25, 8, 21, 9, 20, 10, 11, 12, 22, 23};

CFStringRef MakeCFString(const char* text)
{
  CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, text ? text : "", kCFStringEncodingUTF8);
  // Text that is not valid UTF-8 still gives the host a string.
  return s ? s : CFStringCreateWithCString(kCFAllocatorDefault, "", kCFStringEncodingUTF8);
}

// Length in bytes of the first maxChars UTF-8 characters of text.
int Utf8PrefixBytes(const char* text, int maxChars)
{
  int bytes = 0, chars = 0;
  while (text[bytes] && chars < maxChars)
  {
    ++bytes;
    while ((static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) ++bytes;
    ++chars;
  }
  return bytes;
}

} // namespace

UInt32 IFxAU::ClumpIDForParam(const IParam& param)
{
  const char* group = param.GetGroup();
  if (!group || !*group) return 0;
  for (int i = 0; i < mClumpNames.GetSize(); ++i)
    if (std::strcmp(mClumpNames.Get(i), group) == 0) return static_cast<UInt32>(i + 1);
  if (!mClumpNames.Add(group)) return 0;
  return static_cast<UInt32>(mClumpNames.GetSize());
}

OSStatus IFxAU::ReadParameterInfo(AudioUnitScope scope, AudioUnitElement element, void* pData)
{
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  if (element >= static_cast<UInt32>(NParams())) return kAudioUnitErr_InvalidElement;
  if (!pData) return noErr;

  const int idx = static_cast<int>(element);
  const IParam& param = *GetParam(idx);
  AudioUnitParameterInfo info;
  std::memset(&info, 0, sizeof(info));

  // The release flag hands every string of the record to the host: each one is a new reference
  // the host owns.
  std::strncpy(info.name, param.GetName(), sizeof(info.name) - 1);
  info.cfNameString = MakeCFString(param.GetName());
  info.clumpID = ClumpIDForParam(param);

  switch (param.Type())
  {
    case kTypeInt:
    case kTypeEnum: info.unit = kAudioUnitParameterUnit_Indexed; break;
    case kTypeBool: info.unit = kAudioUnitParameterUnit_Boolean; break;
    default:
    {
      const int code = param.Unit();
      if (code >= 0 && code < static_cast<int>(std::size(kHostUnitForCode)))
        info.unit = kHostUnitForCode[code];
      else if (code == kUnitCustom && *param.GetLabel())
      {
        info.unit = kAudioUnitParameterUnit_CustomUnit;
        info.unitName = MakeCFString(param.GetLabel());
      }
      else
        info.unit = kAudioUnitParameterUnit_Generic;
      break;
    }
  }

  info.minValue = static_cast<Float32>(param.GetMin());
  info.maxValue = static_cast<Float32>(param.GetMax());
  info.defaultValue = static_cast<Float32>(param.GetDefault());

  UInt32 flags = 0xC8800010u;
  const int pf = param.GetFlags();
  if (pf & kFlagMeta)
    flags = 0xE8800010u | ((pf & kFlagCannotAutomate) ? 0x01000000u : 0u);
  else if (pf & kFlagCannotAutomate)
    flags = 0xC9800010u;
  if (param.GetNumDisplayTexts() > 0) flags |= kAudioUnitParameterFlag_ValuesHaveStrings;
  switch (param.GetShapeDisplayType())
  {
    case 1: flags |= kAudioUnitParameterFlag_DisplayLogarithmic; break;
    case 2: flags |= kAudioUnitParameterFlag_DisplayExponential; break;
    case 3: flags |= kAudioUnitParameterFlag_DisplaySquared; break;
    case 4: flags |= kAudioUnitParameterFlag_DisplaySquareRoot; break;
    case 5: flags |= kAudioUnitParameterFlag_DisplayCubed; break;
    case 6: flags |= kAudioUnitParameterFlag_DisplayCubeRoot; break;
    default: break;
  }
  if (info.clumpID) flags |= kAudioUnitParameterFlag_HasClump;
  info.flags = flags;

  std::memcpy(pData, &info, sizeof(info));
  return noErr;
}

OSStatus IFxAU::ReadStreamFormat(AudioUnitScope scope, AudioUnitElement element, void* pData)
{
  const IAUBusRecord* bus = FindBus(scope, element);
  if (!bus) return kAudioUnitErr_InvalidProperty;
  if (!pData) return noErr;
  AudioStreamBasicDescription f{};
  FillOutASBDForLPCM(f, GetSampleRate(),
                     static_cast<UInt32>(bus->mHostChannels >= 0 ? bus->mHostChannels : bus->mPlugChannels), 32, 32,
                     true, false, true);
  std::memcpy(pData, &f, sizeof(f));
  return noErr;
}

OSStatus IFxAU::ReadProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                             UInt32* pDataSize, Boolean* pWriteable, void* pData)
{
  UInt32 localSize = 0;
  Boolean localWritable = false;
  if (!pDataSize) pDataSize = &localSize;
  if (!pWriteable) pWriteable = &localWritable;
  const UInt32 callerSize = pData ? *pDataSize : 0;
  const bool global = scope == kAudioUnitScope_Global;
  const int nParams = NParams();

  // Reports size and writability; with data, refuses a caller buffer smaller than the record.
  auto describe = [&](UInt32 size, bool writable) -> bool {
    *pDataSize = size;
    *pWriteable = writable;
    return !pData || callerSize >= size;
  };
  auto store = [&](const auto& value) { std::memcpy(pData, &value, sizeof(value)); };

  switch (propID)
  {
    case kPrivatePropPlugin:
      if (!describe(sizeof(void*), false)) return kAudio_ParamError;
      // The object as the editor delegate the view factory drives.
      if (pData) store(static_cast<void*>(static_cast<gfx::IGEditorDelegate*>(this)));
      return noErr;

    case kAudioUnitProperty_ClassInfo:
      if (!describe(sizeof(CFPropertyListRef), true)) return kAudio_ParamError;
      return pData ? GetClassInfo(static_cast<CFPropertyListRef*>(pData)) : noErr;

    case kAudioUnitProperty_MakeConnection:
      if (!global && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(AudioUnitConnection), true)) return kAudio_ParamError;
      return noErr;

    case kAudioUnitProperty_SampleRate:
      if (!describe(sizeof(Float64), true)) return kAudio_ParamError;
      if (pData) store(static_cast<Float64>(GetSampleRate()));
      return noErr;

    case kAudioUnitProperty_ParameterList:
    {
      if (!global)
      {
        *pDataSize = 0;
        return noErr;
      }
      if (!describe(static_cast<UInt32>(nParams) * sizeof(AudioUnitParameterID), false)) return kAudio_ParamError;
      if (pData)
      {
        auto* ids = static_cast<AudioUnitParameterID*>(pData);
        for (int i = 0; i < nParams; ++i) ids[i] = static_cast<AudioUnitParameterID>(i);
      }
      return noErr;
    }

    case kAudioUnitProperty_ParameterInfo:
      if (!global) return kAudioUnitErr_InvalidProperty;
      if (element >= static_cast<UInt32>(nParams)) return kAudioUnitErr_InvalidElement;
      if (!describe(sizeof(AudioUnitParameterInfo), false)) return kAudio_ParamError;
      return ReadParameterInfo(scope, element, pData);

    case kAudioUnitProperty_FastDispatch: return kAudioUnitErr_InvalidElement;

    case kAudioUnitProperty_StreamFormat:
      if (!FindBus(scope, element)) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(AudioStreamBasicDescription), true)) return kAudio_ParamError;
      return ReadStreamFormat(scope, element, pData);

    case kAudioUnitProperty_ElementCount:
    {
      if (!describe(sizeof(UInt32), false)) return kAudio_ParamError;
      UInt32 count = 0;
      if (global) count = 1;
      else if (scope == kAudioUnitScope_Input) count = static_cast<UInt32>(mInBuses.GetSize());
      else if (scope == kAudioUnitScope_Output) count = static_cast<UInt32>(mOutBuses.GetSize());
      if (pData) store(count);
      return noErr;
    }

    case kAudioUnitProperty_Latency:
    case kAudioUnitProperty_TailTime:
    {
      if (!global) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(Float64), false)) return kAudio_ParamError;
      const double samples = propID == kAudioUnitProperty_Latency ? LatencyInForce() : GetTailSize();
      const double rate = GetSampleRate();
      if (pData) store(static_cast<Float64>(rate > 0.0 ? samples / rate : 0.0));
      return noErr;
    }

    case kAudioUnitProperty_SupportedNumChannels:
    {
      if (!global) return kAudioUnitErr_InvalidProperty;
      const int nConfigs = NIOConfigs();
      if (!describe(static_cast<UInt32>(nConfigs) * sizeof(AUChannelInfo), false)) return kAudio_ParamError;
      if (pData)
      {
        auto* infos = static_cast<AUChannelInfo*>(pData);
        for (int c = 0; c < nConfigs; ++c)
        {
          const IOConfig* config = GetIOConfig(c);
          auto side = [config](int direction) -> SInt16 {
            if (config->NBuses(direction) == 0) return 0;
            if (config->ContainsWildcard(direction)) return -1;
            return static_cast<SInt16>(config->GetTotalNChannels(direction));
          };
          infos[c].inChannels = side(kInput);
          infos[c].outChannels = side(kOutput);
        }
      }
      return noErr;
    }

    case kAudioUnitProperty_MaximumFramesPerSlice:
      if (!global) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(UInt32), true)) return kAudio_ParamError;
      if (pData) store(static_cast<UInt32>(GetBlockSize()));
      return noErr;

    case kAudioUnitProperty_ParameterValueStrings:
    {
      if (!global) return kAudioUnitErr_InvalidProperty;
      if (element >= static_cast<UInt32>(nParams)) return kAudioUnitErr_InvalidElement;
      const IParam& param = *GetParam(static_cast<int>(element));
      const int count = param.GetNumDisplayTexts();
      if (count < 1)
      {
        *pDataSize = 0;
        return kAudioUnitErr_InvalidProperty;
      }
      if (!describe(sizeof(CFArrayRef), false)) return kAudio_ParamError;
      if (!pData) return noErr;
      CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, count, &kCFTypeArrayCallBacks);
      if (!array) return coreFoundationUnknownErr;
      for (int i = 0; i < count; ++i)
      {
        CFStringRef s = MakeCFString(param.GetDisplayText(static_cast<double>(i)));
        CFArrayAppendValue(array, s);
        if (s) CFRelease(s);
      }
      store(static_cast<CFArrayRef>(array));
      return noErr;
    }

    case kAudioUnitProperty_AudioChannelLayout: return kAudioUnitErr_InvalidPropertyValue;

    case kAudioUnitProperty_BypassEffect:
    case kAudioUnitProperty_OfflineRender:
    {
      if (!global) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(UInt32), true)) return kAudio_ParamError;
      const bool on = propID == kAudioUnitProperty_BypassEffect ? GetBypassed() : GetRenderingOffline();
      if (pData) store(static_cast<UInt32>(on ? 1 : 0));
      return noErr;
    }

    case kAudioUnitProperty_LastRenderError:
      if (!global) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(OSStatus), false)) return kAudio_ParamError;
      if (pData) store(static_cast<OSStatus>(noErr));
      return noErr;

    case kAudioUnitProperty_SetRenderCallback:
      if (!(global || scope == kAudioUnitScope_Input) || element >= static_cast<UInt32>(mInBuses.GetSize()))
        return kAudioUnitErr_InvalidProperty;
      // Readable on the global scope too, but only the input scope takes a callback.
      if (!describe(sizeof(AURenderCallbackStruct), scope == kAudioUnitScope_Input)) return kAudio_ParamError;
      return noErr;

    case kAudioUnitProperty_FactoryPresets:
    {
      if (!describe(sizeof(CFArrayRef), false)) return kAudio_ParamError;
      if (!pData) return noErr;
      CFArrayRef presets = CreateFactoryPresetArray(*this);
      if (!presets) return coreFoundationUnknownErr;
      store(presets);
      return noErr;
    }

    case kAudioUnitProperty_HostCallbacks:
      if (!global) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(HostCallbackInfo), true)) return kAudio_ParamError;
      return noErr;

    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
    {
      if (!describe(sizeof(AUPreset), true)) return kAudio_ParamError;
      if (!pData) return noErr;
      AUPreset preset{};
      if (mHostPresetSet)
      {
        preset.presetNumber = mHostPresetNumber;
        preset.presetName = MakeCFString(mHostPresetName.Get());
      }
      else
      {
        const int idx = GetCurrentPresetIdx();
        preset.presetNumber = idx;
        preset.presetName = MakeCFString(GetPresetName(idx));
      }
      store(preset);
      return noErr;
    }

    case kAudioUnitProperty_ElementName:
    {
      int nBuses = 0;
      int direction = kOutput;
      if (scope == kAudioUnitScope_Output)
        nBuses = mOutBuses.GetSize();
      else if (scope == kAudioUnitScope_Input)
      {
        nBuses = mInBuses.GetSize();
        direction = kInput;
      }
      else
        return kAudioUnitErr_InvalidScope;
      if (element >= static_cast<UInt32>(nBuses)) return kAudioUnitErr_InvalidElement;
      if (!describe(sizeof(CFStringRef), false)) return kAudio_ParamError;
      if (!pData) return kAudioUnitErr_InvalidProperty;
      FxString name;
      GetBusName(direction, static_cast<int>(element), nBuses, name);
      store(MakeCFString(name.Get()));
      return noErr;
    }

    case kAudioUnitProperty_CocoaUI:
    {
      if (!HasUI()) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(AudioUnitCocoaViewInfo), false)) return kAudio_ParamError;
      if (!pData) return noErr;
      CFStringRef bundleID = MakeCFString(GetBundleID());
      CFBundleRef bundle = CFBundleGetBundleWithIdentifier(bundleID);
      CFRelease(bundleID);
      CFURLRef url = bundle ? CFBundleCopyBundleURL(bundle) : nullptr;
      if (!url) return kAudioUnitErr_InvalidProperty;  // the component's bundle is not known
      AudioUnitCocoaViewInfo info{};
      info.mCocoaAUViewBundleLocation = url;
      info.mCocoaAUViewClass[0] = MakeCFString(mCocoaViewName.Get());
      store(info);
      return noErr;
    }

    case kAudioUnitProperty_SupportedChannelLayoutTags:
    {
      if ((scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output) || !FindBus(scope, element))
        return kAudioUnitErr_InvalidProperty;
      const int count = CollectChannelLayoutTags(scope, element, nullptr);
      if (!describe(static_cast<UInt32>(count) * sizeof(UInt32), false)) return kAudio_ParamError;
      if (!pData) return noErr;
      if (count < 1) return kAudioUnitErr_InvalidProperty;
      CollectChannelLayoutTags(scope, element, static_cast<UInt32*>(pData));
      return noErr;
    }

    case kAudioUnitProperty_ParameterStringFromValue:
    {
      if (!describe(sizeof(AudioUnitParameterStringFromValue), false)) return kAudio_ParamError;
      if (!global || !pData) return noErr;
      auto* rec = static_cast<AudioUnitParameterStringFromValue*>(pData);
      const IParam* param = GetParam(static_cast<int>(rec->inParamID));
      if (!param || rec->inParamID > 0x7FFFFFFFu) return kAudioUnitErr_InvalidParameter;
      const double value = rec->inValue ? static_cast<double>(*rec->inValue) : param->Value();
      param->GetDisplay(value, false, GetParamDisplayStr(), true);
      rec->outString = MakeCFString(GetParamDisplayStr().Get());
      return noErr;
    }

    case kAudioUnitProperty_ParameterIDName:
    {
      if (!describe(sizeof(AudioUnitParameterNameInfo), false)) return kAudio_ParamError;
      if (!global || !pData) return noErr;
      auto* rec = static_cast<AudioUnitParameterNameInfo*>(pData);
      const IParam* param = GetParam(static_cast<int>(rec->inID));
      if (!param || rec->inID > 0x7FFFFFFFu) return kAudioUnitErr_InvalidParameter;
      const char* name = param->GetName();
      int maxChars = -1;
      if (rec->inDesiredLength >= 0) maxChars = rec->inDesiredLength > 31 ? 31 : rec->inDesiredLength;
      FxString cut(name, maxChars < 0 ? -1 : Utf8PrefixBytes(name, maxChars));
      rec->outName = MakeCFString(cut.Get());
      return noErr;
    }

    case kAudioUnitProperty_ParameterClumpName:
    {
      if (!describe(sizeof(AudioUnitParameterNameInfo), false)) return kAudio_ParamError;
      if (!global || !pData) return noErr;
      auto* rec = static_cast<AudioUnitParameterNameInfo*>(pData);
      const SInt32 clump = static_cast<SInt32>(rec->inID);
      if (clump <= 0) return kAudioUnitErr_PropertyNotInUse;
      const char* name = mClumpNames.Get(clump - 1);
      rec->outName = MakeCFString(name ? name : "");
      return noErr;
    }

    case kAudioUnitProperty_ParameterValueFromString:
    {
      if (!describe(sizeof(AudioUnitParameterValueFromString), false)) return kAudio_ParamError;
      if (!global || !pData) return noErr;
      auto* rec = static_cast<AudioUnitParameterValueFromString*>(pData);
      const IParam* param = GetParam(static_cast<int>(rec->inParamID));
      if (!param || rec->inParamID > 0x7FFFFFFFu) return kAudioUnitErr_InvalidParameter;
      if (!rec->inString || CFGetTypeID(rec->inString) != CFStringGetTypeID()) return kAudio_ParamError;
      const CFIndex size =
        CFStringGetMaximumSizeForEncoding(CFStringGetLength(rec->inString), kCFStringEncodingUTF8) + 1;
      std::vector<char> text(static_cast<size_t>(size > 0 ? size : 1), '\0');
      if (!CFStringGetCString(rec->inString, text.data(), static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8))
        return kAudio_ParamError;
      rec->outValue = static_cast<AudioUnitParameterValue>(param->StringToValue(text.data()));
      return noErr;
    }

    case kAudioUnitProperty_MIDIOutputCallbackInfo:
    {
      if (!describe(sizeof(CFArrayRef), false)) return kAudio_ParamError;
      if (!pData) return noErr;
      CFStringRef name = CFSTR("midiOut");
      const void* values[1] = {name};
      CFArrayRef array = CFArrayCreate(kCFAllocatorDefault, values, 1, &kCFTypeArrayCallBacks);
      if (!array) return coreFoundationUnknownErr;
      store(array);
      return noErr;
    }

    case kAudioUnitProperty_MIDIOutputCallback:
      if (!describe(sizeof(AUMIDIOutputCallbackStruct), true)) return kAudio_ParamError;
      return pData ? static_cast<OSStatus>(kAudioUnitErr_InvalidProperty) : static_cast<OSStatus>(noErr);

    case kAudioUnitProperty_AUHostIdentifier:
      // Write-only: the host tells its name and version.
      if (!describe(sizeof(AUHostIdentifier), true)) return kAudio_ParamError;
      return pData ? static_cast<OSStatus>(kAudioUnitErr_InvalidProperty) : static_cast<OSStatus>(noErr);

    case kMusicDeviceProperty_InstrumentCount:
      if (!global || GetPlugType() != kPlugTypeInstrument) return kAudioUnitErr_InvalidProperty;
      if (!describe(sizeof(UInt32), false)) return kAudio_ParamError;
      if (pData) store(static_cast<UInt32>(1));
      return noErr;

    default: return kAudioUnitErr_InvalidProperty;
  }
}

} // namespace fx
