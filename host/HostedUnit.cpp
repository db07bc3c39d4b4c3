#include "host/HostedUnit.h"

#include "host/DecimalNumber.h"
#include "host/MessageText.h"

#include <CoreFoundation/CFManualClock.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orbexhost {

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string Squeezed(const std::string& s) {
  std::string out;
  for (const char c : s)
    if (c != ' ' && c != '-' && c != '_') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string StatusText(OSStatus s) { return std::to_string(static_cast<long>(s)); }

const char* UnitText(AudioUnitParameterUnit unit) {
  switch (unit) {
    case kAudioUnitParameterUnit_Percent: return "%";
    case kAudioUnitParameterUnit_Seconds: return "s";
    case kAudioUnitParameterUnit_SampleFrames: return "samples";
    case kAudioUnitParameterUnit_Phase: return "degrees";
    case kAudioUnitParameterUnit_Rate: return "rate";
    case kAudioUnitParameterUnit_Hertz: return "Hz";
    case kAudioUnitParameterUnit_Cents: return "cents";
    case kAudioUnitParameterUnit_RelativeSemiTones: return "semitones";
    case kAudioUnitParameterUnit_MIDINoteNumber: return "note";
    case kAudioUnitParameterUnit_MIDIController: return "controller";
    case kAudioUnitParameterUnit_Decibels: return "dB";
    case kAudioUnitParameterUnit_LinearGain: return "gain";
    case kAudioUnitParameterUnit_Degrees: return "degrees";
    case kAudioUnitParameterUnit_EqualPowerCrossfade: return "crossfade";
    case kAudioUnitParameterUnit_MixerFaderCurve1: return "fader";
    case kAudioUnitParameterUnit_Pan: return "pan";
    case kAudioUnitParameterUnit_Meters: return "m";
    case kAudioUnitParameterUnit_AbsoluteCents: return "cents";
    case kAudioUnitParameterUnit_Octaves: return "octaves";
    case kAudioUnitParameterUnit_BPM: return "BPM";
    case kAudioUnitParameterUnit_Beats: return "beats";
    case kAudioUnitParameterUnit_Milliseconds: return "ms";
    case kAudioUnitParameterUnit_Ratio: return "ratio";
    default: return "";
  }
}

std::string NumberText(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// Host callbacks: a transport at 120 BPM in 4/4. While it plays, its position
// is the sample time of the render in progress; once stopped, it stays where
// it stopped while the unit goes on rendering. Read and written by the
// rendering thread (the main thread stops it before another thread renders).
struct Transport {
  double sampleRate = 48000.0;
  double samplePos = 0.0;
  bool playing = true;
};
Transport g_transport;

OSStatus BeatAndTempo(void*, Float64* beat, Float64* tempo) {
  if (beat) *beat = g_transport.samplePos / g_transport.sampleRate * 2.0;
  if (tempo) *tempo = 120.0;
  return noErr;
}

OSStatus MusicalTime(void*, UInt32* deltaToNextBeat, Float32* numerator, UInt32* denominator, Float64* downBeat) {
  const double beats = g_transport.samplePos / g_transport.sampleRate * 2.0;
  if (deltaToNextBeat) {
    const double frac = beats - std::floor(beats);
    *deltaToNextBeat = frac == 0.0 ? 0u : static_cast<UInt32>((1.0 - frac) * g_transport.sampleRate / 2.0);
  }
  if (numerator) *numerator = 4.0f;
  if (denominator) *denominator = 4;
  if (downBeat) *downBeat = std::floor(beats / 4.0) * 4.0;
  return noErr;
}

OSStatus TransportState(void*, Boolean* playing, Boolean* changed, Float64* sample, Boolean* cycling,
                        Float64* cycleStart, Float64* cycleEnd) {
  if (playing) *playing = g_transport.playing;
  if (changed) *changed = false;
  if (sample) *sample = g_transport.samplePos;
  if (cycling) *cycling = false;
  if (cycleStart) *cycleStart = 0.0;
  if (cycleEnd) *cycleEnd = 0.0;
  return noErr;
}

}  // namespace

HostedUnit::~HostedUnit() {
  if (mUnit == nullptr) return;
  if (mInitialized) AudioUnitUninitialize(mUnit);
  AudioComponentInstanceDispose(mUnit);
}

bool HostedUnit::Open(AudioComponent component, std::string& error) {
  const OSStatus s = AudioComponentInstanceNew(component, &mUnit);
  if (s != noErr || mUnit == nullptr) {
    mUnit = nullptr;
    error = "the component could not be opened (status " + StatusText(s) + ")";
    return false;
  }
  return true;
}

bool HostedUnit::Configure(double sampleRate, int channels, int maxFrames, AURenderCallback input, void* inputRefCon,
                           std::string& error) {
  if (!ChangeSampleRate(sampleRate, channels, error)) return false;
  const UInt32 frames = static_cast<UInt32>(maxFrames);
  OSStatus s = AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &frames,
                                    sizeof frames);
  if (s != noErr) {
    error = "the component refused a block size of " + std::to_string(maxFrames) + " (status " + StatusText(s) + ")";
    return false;
  }
  AURenderCallbackStruct cb{input, inputRefCon};
  s = AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb, sizeof cb);
  if (s != noErr) {
    error = "the component refused the input callback (status " + StatusText(s) + ")";
    return false;
  }
  g_transport.sampleRate = sampleRate;
  HostCallbackInfo callbacks{};
  callbacks.beatAndTempoProc = BeatAndTempo;
  callbacks.musicalTimeLocationProc = MusicalTime;
  callbacks.transportStateProc = TransportState;
  AudioUnitSetProperty(mUnit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &callbacks,
                       sizeof callbacks);
  const UInt32 offline = 1;
  AudioUnitSetProperty(mUnit, kAudioUnitProperty_OfflineRender, kAudioUnitScope_Global, 0, &offline, sizeof offline);
  return true;
}

bool HostedUnit::ChangeSampleRate(double sampleRate, int channels, std::string& error) {
  AudioStreamBasicDescription f{};
  FillOutASBDForLPCM(f, sampleRate, static_cast<UInt32>(channels), 32, 32, true, false, true);
  for (const AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output}) {
    const OSStatus s = AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, scope, 0, &f, sizeof f);
    if (s != noErr) {
      error = "the component does not take " + std::to_string(channels) + "-channel audio at " +
              NumberText(sampleRate) + " Hz (status " + StatusText(s) + ")";
      return false;
    }
  }
  const Float64 rate = sampleRate;
  const OSStatus s =
      AudioUnitSetProperty(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, sizeof rate);
  if (s != noErr) {
    error = "the component refused the sample rate " + NumberText(sampleRate) + " Hz (status " + StatusText(s) + ")";
    return false;
  }
  g_transport.sampleRate = sampleRate;
  return true;
}

bool HostedUnit::Initialize(std::string& error) {
  const OSStatus s = AudioUnitInitialize(mUnit);
  if (s != noErr) {
    error = "the component could not be initialised (status " + StatusText(s) + ")";
    return false;
  }
  mInitialized = true;
  return true;
}

bool HostedUnit::LoadParameters(std::string& error) {
  mParams.clear();
  UInt32 size = 0;
  Boolean writable = false;
  OSStatus s = AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size,
                                        &writable);
  if (s != noErr) {
    error = "the component gives no parameter list (status " + StatusText(s) + ")";
    return false;
  }
  std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
  if (!ids.empty()) {
    s = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(), &size);
    if (s != noErr) {
      error = "the component gives no parameter list (status " + StatusText(s) + ")";
      return false;
    }
    ids.resize(size / sizeof(AudioUnitParameterID));
  }
  for (const AudioUnitParameterID id : ids) {
    AudioUnitParameterInfo info{};
    UInt32 infoSize = sizeof info;
    s = AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, &info, &infoSize);
    if (s != noErr) {
      error = "the component gives no information on parameter " + std::to_string(id) + " (status " + StatusText(s) + ")";
      return false;
    }
    ParamDesc p;
    p.id = id;
    if ((info.flags & kAudioUnitParameterFlag_HasCFNameString) && info.cfNameString != nullptr)
      p.name = CFStringText(info.cfNameString);
    if (p.name.empty()) p.name.assign(info.name, strnlen(info.name, sizeof info.name));
    if ((info.flags & kAudioUnitParameterFlag_CFNameRelease) && info.cfNameString != nullptr)
      CFRelease(info.cfNameString);
    p.unit = info.unit;
    p.unitText = info.unit == kAudioUnitParameterUnit_CustomUnit ? CFStringText(info.unitName) : UnitText(info.unit);
    if ((info.flags & kAudioUnitParameterFlag_CFNameRelease) && info.unitName != nullptr) CFRelease(info.unitName);
    p.minValue = info.minValue;
    p.maxValue = info.maxValue;
    p.defaultValue = info.defaultValue;
    p.flags = info.flags;
    p.automatable = (info.flags & kAudioUnitParameterFlag_NonRealTime) == 0;
    if (info.flags & kAudioUnitParameterFlag_ValuesHaveStrings) {
      CFArrayRef strings = nullptr;
      UInt32 sz = sizeof strings;
      if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, id, &strings,
                               &sz) == noErr &&
          strings != nullptr) {
        for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i)
          p.valueStrings.push_back(CFStringText(CFArrayGetValueAtIndex(strings, i)));
        CFRelease(strings);
      }
    }
    mParams.push_back(std::move(p));
  }
  return true;
}

const ParamDesc* HostedUnit::FindParameter(const std::string& name) const {
  const std::string want = Lower(name);
  for (const ParamDesc& p : mParams)
    if (Lower(p.name) == want) return &p;
  const std::string squeezed = Squeezed(name);
  for (const ParamDesc& p : mParams)
    if (!squeezed.empty() && Squeezed(p.name) == squeezed) return &p;
  return nullptr;
}

bool HostedUnit::ParseValue(const ParamDesc& p, const std::string& given, double& value, std::string& error) const {
  const std::string text = TrimBlanks(given);
  if (!p.valueStrings.empty()) {
    const std::string want = Lower(text);
    for (size_t i = 0; i < p.valueStrings.size(); ++i)
      if (Lower(p.valueStrings[i]) == want) {
        value = static_cast<double>(i);
        return true;
      }
  }
  if (p.IsBoolean()) {
    const std::string want = Lower(text);
    if (want == "on" || want == "true" || want == "yes") {
      value = 1.0;
      return true;
    }
    if (want == "off" || want == "false" || want == "no") {
      value = 0.0;
      return true;
    }
  }
  double v = 0.0;
  const bool isNumber = ParseDecimal(text, v);
  const bool whole = isNumber && v == std::floor(v);
  if (p.IsIndexed() || p.IsBoolean()) {
    if (whole && v >= p.minValue && v <= p.maxValue) {
      value = v;
      return true;
    }
    std::string items;
    for (size_t i = 0; i < p.valueStrings.size(); ++i) items += (i ? ", " : "") + p.valueStrings[i];
    if (!items.empty())
      error = Quote(text) + " is not a value of " + p.name + " (one of " + items + ", or an index " +
              NumberText(p.minValue) + " to " + NumberText(p.maxValue) + ")";
    else
      error = Quote(text) + " is not a value of " + p.name + " (a whole number " + NumberText(p.minValue) + " to " +
              NumberText(p.maxValue) + ")";
    return false;
  }
  const std::string range = NumberText(p.minValue) + " to " + NumberText(p.maxValue) +
                            (p.unitText.empty() ? std::string() : " " + p.unitText);
  if (!isNumber) {
    error = Quote(text) + " is not a number for " + p.name + " (range " + range + ")";
    return false;
  }
  if (v < p.minValue || v > p.maxValue) {
    error = p.name + " " + Quote(text) + " is out of range (" + range + ")";
    return false;
  }
  value = v;
  return true;
}

bool HostedUnit::SetParameter(AudioUnitParameterID id, double value, UInt32 bufferOffset) {
  return AudioUnitSetParameter(mUnit, id, kAudioUnitScope_Global, 0, static_cast<AudioUnitParameterValue>(value),
                               bufferOffset) == noErr;
}

double HostedUnit::GetParameter(AudioUnitParameterID id) const {
  AudioUnitParameterValue v = 0.0f;
  if (AudioUnitGetParameter(mUnit, id, kAudioUnitScope_Global, 0, &v) != noErr) return std::nan("");
  return v;
}

std::string HostedUnit::DisplayText(AudioUnitParameterID id, double value) const {
  const AudioUnitParameterValue v = static_cast<AudioUnitParameterValue>(value);
  AudioUnitParameterStringFromValue rec{id, &v, nullptr};
  UInt32 size = sizeof rec;
  if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, &rec,
                           &size) != noErr ||
      rec.outString == nullptr)
    return {};
  std::string text = CFStringText(rec.outString);
  CFRelease(rec.outString);
  return text;
}

std::vector<PresetDesc> HostedUnit::FactoryPresets() const {
  std::vector<PresetDesc> out;
  CFArrayRef presets = nullptr;
  UInt32 size = sizeof presets;
  if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets, &size) !=
          noErr ||
      presets == nullptr)
    return out;
  for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i) {
    const auto* p = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    if (p != nullptr) out.push_back({p->presetNumber, CFStringText(p->presetName)});
  }
  CFRelease(presets);
  return out;
}

bool HostedUnit::ApplyPreset(const PresetDesc& preset, std::string& error) {
  AUPreset p{preset.number, CFStringCreateWithCString(nullptr, preset.name.c_str(), kCFStringEncodingUTF8)};
  const OSStatus s =
      AudioUnitSetProperty(mUnit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &p, sizeof p);
  if (p.presetName) CFRelease(p.presetName);
  if (s != noErr) {
    error = "the component refused preset '" + preset.name + "' (status " + StatusText(s) + ")";
    return false;
  }
  return true;
}

std::vector<std::pair<int, int>> HostedUnit::ChannelConfigurations() const {
  std::vector<std::pair<int, int>> out;
  UInt32 size = 0;
  Boolean writable = false;
  if (AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0, &size,
                               &writable) != noErr ||
      size == 0)
    return out;
  std::vector<AUChannelInfo> infos(size / sizeof(AUChannelInfo));
  if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0, infos.data(),
                           &size) != noErr)
    return out;
  infos.resize(size / sizeof(AUChannelInfo));
  for (const AUChannelInfo& c : infos) out.emplace_back(c.inChannels, c.outChannels);
  return out;
}

CFPropertyListRef HostedUnit::CopyClassInfo() const {
  CFPropertyListRef plist = nullptr;
  UInt32 size = sizeof plist;
  if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &plist, &size) != noErr)
    return nullptr;
  return plist;
}

OSStatus HostedUnit::SetClassInfo(CFPropertyListRef dict) {
  return AudioUnitSetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &dict, sizeof dict);
}

void HostedUnit::Idle(double seconds) {
  if (cfx::IsManualClock())
    cfx::RunMainRunLoopFor(seconds);
  else
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, seconds, false);
}

int HostedUnit::LatencySamples(double sampleRate) const {
  Float64 seconds = 0.0;
  UInt32 size = sizeof seconds;
  if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &seconds, &size) != noErr ||
      !std::isfinite(seconds) || seconds < 0.0)
    return 0;
  return static_cast<int>(std::lround(seconds * sampleRate));
}

void HostedUnit::StopTransport() { g_transport.playing = false; }

OSStatus HostedUnit::Render(const AudioTimeStamp& ts, UInt32 frames, AudioBufferList* buffers) {
  if (g_transport.playing) g_transport.samplePos = ts.mSampleTime;
  AudioUnitRenderActionFlags flags = 0;
  return AudioUnitRender(mUnit, &flags, &ts, 0, frames, buffers);
}

OSStatus HostedUnit::Reset() { return AudioUnitReset(mUnit, kAudioUnitScope_Global, 0); }

}  // namespace orbexhost
