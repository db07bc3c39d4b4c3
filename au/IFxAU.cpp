#include "au/IFxAU.h"

#include "core/HostCode.h"
#include "core/IParam.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace fx {

namespace {

constexpr int kDefaultBlockSize = 512;

// Reads "a.b.c" as (a << 16) | ((b & 0xFF) << 8) | (c & 0xFF); missing parts count 0.
int ParseBundleVersion(const char* text)
{
  if (!text) return 0;
  long parts[3] = {0, 0, 0};
  const char* p = text;
  for (int i = 0; i < 3; ++i)
  {
    char* end = nullptr;
    parts[i] = std::strtol(p, &end, 10);
    if (!end || *end == '\0') break;
    p = end + 1;
  }
  return static_cast<int>((static_cast<unsigned long>(parts[0]) << 16) | ((parts[1] & 0xFF) << 8) | (parts[2] & 0xFF));
}

void CopyCFString(CFStringRef str, FxString& out)
{
  out.Clear();
  if (!str || CFGetTypeID(str) != CFStringGetTypeID()) return;
  if (const char* direct = CFStringGetCStringPtr(str, kCFStringEncodingUTF8))
  {
    out.Set(direct);
    return;
  }
  const CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(str), kCFStringEncodingUTF8) + 1;
  std::vector<char> buf(static_cast<size_t>(size));
  if (CFStringGetCString(str, buf.data(), size, kCFStringEncodingUTF8)) out.Set(buf.data());
}

} // namespace

IFxAU::IFxAU(const IFxConfig& config, const IAUCreateInfo& info)
  : IFxAPIBase(config, kAPIAU)
  , IFxProcessor(config, kAPIAU)
{
  mCocoaViewName.Set(info.mCocoaViewName.Get());

  // An effect whose configurations give no input channel has no input bus.
  int nInBuses = MaxNBuses(kInput);
  if (nInBuses == 1 && MaxNChannelsForBus(kInput, 0) == 0) nInBuses = 0;
  const int nOutBuses = MaxNBuses(kOutput);

  int total = 0;
  for (int i = 0; i < nInBuses; ++i)
  {
    mInputLinks.Add(new IAUInputLink());
    auto* bus = new IAUBusRecord();
    bus->mFirstChannel = total;
    bus->mPlugChannels = std::abs(MaxNChannelsForBus(kInput, i));
    total += bus->mPlugChannels;
    mInBuses.Add(bus);
  }
  total = 0;
  for (int i = 0; i < nOutBuses; ++i)
  {
    auto* bus = new IAUBusRecord();
    bus->mFirstChannel = total;
    bus->mPlugChannels = std::abs(MaxNChannelsForBus(kOutput, i));
    total += bus->mPlugChannels;
    mOutBuses.Add(bus);
  }

  RefreshInputLinks();
  SetBlockSize(kDefaultBlockSize);
  AllocScratchBuffers(kDefaultBlockSize);
  CreateTimer();
}

IFxAU::~IFxAU()
{
  if (mTimer) mTimer->Stop();
  mInputLinks.Empty(true);
  mInBuses.Empty(true);
  mOutBuses.Empty(true);
  mClumpNames.Empty(false);
}

// ---- Initialisation -------------------------------------------------------------------------

OSStatus IFxAU::InitializeUnit()
{
  if (GetHost() == kHostUninit)
  {
    FxString identifier;
    int version = 0;
    if (CFBundleRef mainBundle = CFBundleGetMainBundle())
    {
      CopyCFString(CFBundleGetIdentifier(mainBundle), identifier);
      CFTypeRef v = CFBundleGetValueForInfoDictionaryKey(mainBundle, CFSTR("CFBundleVersion"));
      if (v && CFGetTypeID(v) == CFStringGetTypeID())
      {
        FxString text;
        CopyCFString(static_cast<CFStringRef>(v), text);
        version = ParseBundleVersion(text.Get());
      }
    }
    SetHost(identifier.Get(), version);
  }

  if (!IsIOConfigLegal()) return badComponentSelector;

  OnParamReset(static_cast<EParamSource>(0));
  OnActivate(true);
  mForgetPulledTime.store(true, std::memory_order_release);
  mActive.store(true, std::memory_order_release);
  return noErr;
}

void IFxAU::UninitializeUnit()
{
  mActive.store(false, std::memory_order_release);
  mForgetPulledTime.store(true, std::memory_order_release);
  OnActivate(false);
}

void IFxAU::ResetUnit()
{
  mForgetPulledTime.store(true, std::memory_order_release);
  OnReset();
}

bool IFxAU::IsIOConfigLegal() const
{
  const int nIns = SumHostChannels(mInBuses);
  const int nOuts = SumHostChannels(mOutBuses);
  return !((nIns != 0 || nOuts != 0) && !IsLegalIO(nIns, nOuts));
}

int IFxAU::SumHostChannels(const FxPtrList<IAUBusRecord>& buses)
{
  int total = -1;
  for (int i = 0; i < buses.GetSize(); ++i)
  {
    const int n = buses.Get(i)->mHostChannels;
    if (n >= 0) total = (total < 0 ? 0 : total) + n;
  }
  return total;
}

int IFxAU::CountHostChannelsExcept(const FxPtrList<IAUBusRecord>& buses, int skipIdx) const
{
  int total = -1;
  for (int i = 0; i < buses.GetSize(); ++i)
  {
    if (i == skipIdx) continue;
    const int n = buses.Get(i)->mHostChannels;
    if (n >= 0) total = (total < 0 ? 0 : total) + n;
  }
  return total;
}

bool IFxAU::AllocScratchBuffers(int blockSize)
{
  if (blockSize < 0) blockSize = 0;
  // Room for every channel of every bus, whichever is larger: the processor's channel list or
  // the sum of the buses' channel counts.
  int nIns = NChannels(kInput), nOuts = NChannels(kOutput);
  int busIns = 0, busOuts = 0;
  for (int i = 0; i < mInBuses.GetSize(); ++i) busIns += mInBuses.Get(i)->mPlugChannels;
  for (int i = 0; i < mOutBuses.GetSize(); ++i) busOuts += mOutBuses.Get(i)->mPlugChannels;
  nIns = std::max(nIns, busIns);
  nOuts = std::max(nOuts, busOuts);
  try
  {
    mInScratch.assign(static_cast<size_t>(nIns) * static_cast<size_t>(blockSize), 0.f);
    mOutScratch.assign(static_cast<size_t>(nOuts) * static_cast<size_t>(blockSize), 0.f);
    mSilence.assign(static_cast<size_t>(blockSize), 0.f);
  }
  catch (const std::bad_alloc&)
  {
    mInScratch.clear();
    mOutScratch.clear();
    mSilence.clear();
    return false;
  }
  return true;
}

// ---- Buses and connections ------------------------------------------------------------------

IAUBusRecord* IFxAU::FindBus(AudioUnitScope scope, AudioUnitElement element) const
{
  const int idx = static_cast<int>(element);
  if (element > 0x7FFFFFFFu) return nullptr;
  if (scope == kAudioUnitScope_Global || scope == kAudioUnitScope_Output) return mOutBuses.Get(idx);
  if (scope == kAudioUnitScope_Input) return mInBuses.Get(idx);
  return nullptr;
}

const char* IFxAU::ConnectionTypeName(int linkType)
{
  switch (linkType)
  {
    case kLinkFastProc: return "DirectFastProc";
    case kLinkUpstreamUnit: return "DirectNoFastProc";
    case kLinkRenderCallback: return "RenderCallback";
    default: return "NotConnected";
  }
}

void IFxAU::RefreshInputLinks()
{
  SetChannelConnections(kInput, 0, NChannels(kInput), false);
  for (int i = 0; i < mInBuses.GetSize(); ++i)
  {
    IAUBusRecord* bus = mInBuses.Get(i);
    IAUInputLink* link = mInputLinks.Get(i);
    if (!bus || !link) continue;
    if (link->mFastProc && link->mUpstreamObject)
      link->mLinkType = kLinkFastProc;
    else if (link->mUpstreamUnit)
      link->mLinkType = kLinkUpstreamUnit;
    else if (link->mRenderCallback)
      link->mLinkType = kLinkRenderCallback;
    else
      link->mLinkType = kLinkNone;

    if (link->mLinkType == kLinkNone)
    {
      bus->mConnected = 0;
      continue;
    }
    bus->mConnected = 1;
    if (bus->mHostChannels < 0) bus->mHostChannels = bus->mPlugChannels;
    SetChannelConnections(kInput, bus->mFirstChannel, bus->mHostChannels, true);
    SetChannelConnections(kInput, bus->mFirstChannel + bus->mHostChannels,
                          std::max(bus->mPlugChannels - bus->mHostChannels, 0), false);
  }
}

void IFxAU::ResetConnections()
{
  for (int i = 0; i < mInBuses.GetSize(); ++i)
  {
    IAUBusRecord* bus = mInBuses.Get(i);
    bus->mConnected = 0;
    bus->mHostChannels = -1;
    if (IAUInputLink* link = mInputLinks.Get(i)) link->Clear();
  }
  for (int i = 0; i < mOutBuses.GetSize(); ++i)
  {
    IAUBusRecord* bus = mOutBuses.Get(i);
    bus->mConnected = 0;
    bus->mHostChannels = -1;
  }
}

bool IFxAU::IsChannelCountLegal(AudioUnitScope scope, AudioUnitElement element, int nChannels) const
{
  const int idx = element > 0x7FFFFFFFu ? -1 : static_cast<int>(element);
  if (scope == kAudioUnitScope_Global || scope == kAudioUnitScope_Output)
  {
    const int others = CountHostChannelsExcept(mOutBuses, idx);
    const int nOuts = nChannels + std::max(others, 0);
    const int nIns = IsActive() ? SumHostChannels(mInBuses) : -1;
    return IsLegalIO(nIns, nOuts);
  }
  if (scope == kAudioUnitScope_Input)
  {
    const int others = CountHostChannelsExcept(mInBuses, idx);
    const int nIns = nChannels + std::max(others, 0);
    const int nOuts = IsActive() ? SumHostChannels(mOutBuses) : -1;
    return IsLegalIO(nIns, nOuts);
  }
  return false;
}

int IFxAU::CollectChannelLayoutTags(AudioUnitScope scope, AudioUnitElement element, UInt32* pTags) const
{
  if (scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output) return 0;
  if (element > 0x7FFFFFFFu) return 0;
  const int direction = scope == kAudioUnitScope_Input ? kInput : kOutput;
  const int busIdx = static_cast<int>(element);

  std::vector<UInt32> tags;
  auto add = [&tags](UInt32 tag) {
    if (std::find(tags.begin(), tags.end(), tag) == tags.end()) tags.push_back(tag);
  };
  for (int c = 0; c < NIOConfigs(); ++c)
  {
    const IOConfig* config = GetIOConfig(c);
    if (!config || busIdx >= config->NBuses(direction)) continue;
    const int n = config->NChansOnBus(direction, busIdx);
    if (n < 0) continue;  // a wildcard bus names no layout
    const UInt32 count = static_cast<UInt32>(n);
    switch (n)
    {
      case 0: add(0); break;
      case 1: add(0x640001); break;
      case 2: add(0x650002); break;
      case 3: add(0x710003); break;
      case 4: add(0x6C0004); add(0x6B0004); add(0xBE0004); break;
      case 5: add(0x760005); break;
      case 6: add(0x790006); add(0x8B0006); break;
      case 7: add(0x7D0007); add(0x8C0007); break;
      case 8: add(0x800008); add(0x7E0008); break;
      case 9:
      case 16: add(0xBE0000 | count); break;
      default: add(0x930000 | count); break;
    }
  }
  if (pTags) std::copy(tags.begin(), tags.end(), pTags);
  return static_cast<int>(tags.size());
}

// ---- Listeners and render notifications -----------------------------------------------------

OSStatus IFxAU::AddPropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc, void* userData)
{
  if (!proc) return kAudio_ParamError;
  // Hosts register one procedure for many observers, told apart by their user data: each one
  // is its own listener.
  const IAUPropertyWatcher watcher{propID, proc, userData};
  mPropertyListeners.AddUnless(watcher, [&](const IAUPropertyWatcher& w) {
    return w.mPropID == propID && w.mListenerProc == proc && w.mProcArgs == userData;
  });
  return noErr;
}

OSStatus IFxAU::RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc)
{
  mPropertyListeners.RemoveFirst([&](const IAUPropertyWatcher& w) {
    return w.mPropID == propID && w.mListenerProc == proc;
  });
  return noErr;
}

OSStatus IFxAU::RemovePropertyListenerWithUserData(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                                   void* userData)
{
  mPropertyListeners.RemoveFirst([&](const IAUPropertyWatcher& w) {
    return w.mPropID == propID && w.mListenerProc == proc && w.mProcArgs == userData;
  });
  return noErr;
}

OSStatus IFxAU::AddRenderNotify(AURenderCallback proc, void* refCon)
{
  if (!proc) return kAudio_ParamError;
  mRenderNotifies.Add(IAURenderNotify{proc, refCon});
  return noErr;
}

OSStatus IFxAU::RemoveRenderNotify(AURenderCallback proc, void* refCon)
{
  // The registration with this proc and refCon goes first, so that a host registering one proc
  // for several refCons never leaves a notify pointing at a refCon it has just freed. Without
  // such a registration, the first one with this proc goes.
  if (!mRenderNotifies.RemoveFirst([&](const IAURenderNotify& n) { return n.mProc == proc && n.mRefCon == refCon; }))
    mRenderNotifies.RemoveFirst([&](const IAURenderNotify& n) { return n.mProc == proc; });
  return noErr;
}

void IFxAU::NotifyPropertyListeners(AudioUnitPropertyID propID, AudioUnitScope scope)
{
  IAUSnapshotList<IAUPropertyWatcher>::Reader listeners(mPropertyListeners);
  for (const IAUPropertyWatcher& w : listeners)
    if (w.mPropID == propID) w.mListenerProc(w.mProcArgs, mCI, propID, scope, 0);
}

// ---- Notifications to the host --------------------------------------------------------------

void IFxAU::NotifyParamEvent(AudioUnitEventType type, int paramIdx)
{
  AudioUnitEvent event{};
  event.mEventType = type;
  event.mArgument.mParameter.mAudioUnit = mCI;
  event.mArgument.mParameter.mParameterID = static_cast<AudioUnitParameterID>(paramIdx);
  event.mArgument.mParameter.mScope = kAudioUnitScope_Global;
  event.mArgument.mParameter.mElement = 0;
  AUEventListenerNotify(nullptr, nullptr, &event);
}

void IFxAU::BeginInformHostOfParamChange(int paramIdx)
{
  NotifyParamEvent(kAudioUnitEvent_BeginParameterChangeGesture, paramIdx);
}

void IFxAU::EndInformHostOfParamChange(int paramIdx)
{
  NotifyParamEvent(kAudioUnitEvent_EndParameterChangeGesture, paramIdx);
}

void IFxAU::InformHostOfParamChange(int paramIdx, double /*normalizedValue*/)
{
  NotifyParamEvent(kAudioUnitEvent_ParameterValueChange, paramIdx);
}

void IFxAU::InformHostOfPresetChange()
{
  mHostPresetSet = false;  // the plug-in's own preset is the present one again
  NotifyPropertyListeners(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global);
}

void IFxAU::InformHostOfParameterListChange()
{
  NotifyPropertyListeners(kAudioUnitProperty_ParameterList, kAudioUnitScope_Global);
  NotifyPropertyListeners(kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global);
}

void IFxAU::SetLatency(int samples)
{
  IFxProcessor::SetLatency(samples);
  NotifyPropertyListeners(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
}

} // namespace fx
