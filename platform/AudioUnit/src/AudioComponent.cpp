// Component registry and instance lifecycle.
#include <mutex>
#include <vector>

#include <AudioUnit/AudioComponent.h>
#include <AudioUnit/AUComponent.h>
#include <CoreServices/ComponentInstanceRecord.h>

static_assert(sizeof(AudioComponentDescription) == 20);
static_assert(sizeof(AudioComponentPlugInInterface) == 32);

struct OpaqueAudioComponent {
  AudioComponentDescription description{};
  CFStringRef name = nullptr;
  UInt32 version = 0;
  AudioComponentFactoryFunction factory = nullptr;
  Component entryComponent = nullptr;  // Component Manager road
};

namespace {

std::mutex g_mutex;
std::vector<OpaqueAudioComponent*>& Registry() {
  static auto* components = new std::vector<OpaqueAudioComponent*>();  // components stay for the process
  return *components;
}

bool Matches(const AudioComponentDescription& c, const AudioComponentDescription& want) {
  return (want.componentType == 0 || want.componentType == c.componentType) &&
         (want.componentSubType == 0 || want.componentSubType == c.componentSubType) &&
         (want.componentManufacturer == 0 || want.componentManufacturer == c.componentManufacturer);
}

bool IsRegistered(AudioComponent c) {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (auto* r : Registry())
    if (r == c) return true;
  return false;
}

AudioComponent Add(const AudioComponentDescription* desc, CFStringRef name, UInt32 version,
                   AudioComponentFactoryFunction factory, Component entry) {
  auto* c = new OpaqueAudioComponent();
  c->description = *desc;
  c->name = name != nullptr ? CFStringCreateCopy(nullptr, name) : nullptr;
  c->version = version;
  c->factory = factory;
  c->entryComponent = entry;
  std::lock_guard<std::mutex> lock(g_mutex);
  Registry().push_back(c);
  return c;
}

}  // namespace

extern "C" {

AudioComponent AudioComponentRegister(const AudioComponentDescription* inDesc, CFStringRef inName, UInt32 inVersion,
                                      AudioComponentFactoryFunction inFactory) {
  if (inDesc == nullptr || inFactory == nullptr) return nullptr;
  return Add(inDesc, inName, inVersion, inFactory, nullptr);
}

AudioComponent AudioComponentRegisterEntry(const AudioComponentDescription* inDesc, CFStringRef inName,
                                           UInt32 inVersion, ComponentRoutineUPP inEntry) {
  if (inDesc == nullptr || inEntry == nullptr) return nullptr;
  ComponentDescription cd{inDesc->componentType, inDesc->componentSubType, inDesc->componentManufacturer,
                          inDesc->componentFlags, inDesc->componentFlagsMask};
  Component entry = RegisterComponent(&cd, inEntry, 0, nullptr, nullptr, nullptr);
  return Add(inDesc, inName, inVersion, nullptr, entry);
}

AudioComponent AudioComponentFindNext(AudioComponent inComponent, const AudioComponentDescription* inDesc) {
  if (inDesc == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  const auto& all = Registry();
  size_t i = 0;
  if (inComponent != nullptr) {
    while (i < all.size() && all[i] != inComponent) ++i;
    if (i == all.size()) return nullptr;
    ++i;
  }
  for (; i < all.size(); ++i)
    if (Matches(all[i]->description, *inDesc)) return all[i];
  return nullptr;
}

OSStatus AudioComponentCopyName(AudioComponent inComponent, CFStringRef* outName) {
  if (outName == nullptr) return kAudio_ParamError;
  *outName = nullptr;
  if (!IsRegistered(inComponent)) return kAudio_ParamError;
  *outName = inComponent->name != nullptr ? CFStringCreateCopy(nullptr, inComponent->name)
                                          : CFStringCreateWithCString(nullptr, "", kCFStringEncodingUTF8);
  return noErr;
}

OSStatus AudioComponentGetDescription(AudioComponent inComponent, AudioComponentDescription* outDesc) {
  if (outDesc == nullptr || !IsRegistered(inComponent)) return kAudio_ParamError;
  *outDesc = inComponent->description;
  return noErr;
}

OSStatus AudioComponentGetVersion(AudioComponent inComponent, UInt32* outVersion) {
  if (outVersion == nullptr || !IsRegistered(inComponent)) return kAudio_ParamError;
  *outVersion = inComponent->version;
  return noErr;
}

OSStatus AudioComponentInstanceNew(AudioComponent inComponent, AudioComponentInstance* outInstance) {
  if (outInstance == nullptr) return kAudio_ParamError;
  *outInstance = nullptr;
  if (!IsRegistered(inComponent)) return kAudio_ParamError;
  if (inComponent->entryComponent != nullptr) {
    ComponentInstance ci = nullptr;
    const OSStatus status = OpenAComponent(inComponent->entryComponent, &ci);
    if (status != noErr) return status;
    ci->audioComponent = inComponent;
    *outInstance = ci;
    return noErr;
  }
  AudioComponentPlugInInterface* plugin = inComponent->factory(&inComponent->description);
  if (plugin == nullptr || plugin->Open == nullptr || plugin->Lookup == nullptr) return kAudioUnitErr_FailedInitialization;
  ComponentInstance ci = csx::NewInstanceRecord();
  ci->plugInInterface = plugin;
  ci->audioComponent = inComponent;
  const OSStatus status = plugin->Open(plugin, ci);
  if (status != noErr) {
    // A failed open leaves the interface to be closed, which frees it.
    if (plugin->Close != nullptr) plugin->Close(plugin);
    csx::DeleteInstanceRecord(ci);
    return status;
  }
  *outInstance = ci;
  return noErr;
}

OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance) {
  if (!csx::IsLiveInstance(inInstance)) return badComponentInstance;
  if (inInstance->entry != nullptr) return CloseComponent(inInstance);
  auto* plugin = static_cast<AudioComponentPlugInInterface*>(inInstance->plugInInterface);
  const OSStatus status = (plugin != nullptr && plugin->Close != nullptr) ? plugin->Close(plugin) : noErr;
  csx::DeleteInstanceRecord(inInstance);
  return status;
}

AudioComponent AudioComponentInstanceGetComponent(AudioComponentInstance inInstance) {
  return csx::IsLiveInstance(inInstance) ? static_cast<AudioComponent>(inInstance->audioComponent) : nullptr;
}

Boolean AudioComponentInstanceCanDo(AudioComponentInstance inInstance, SInt16 inSelectorID) {
  if (!csx::IsLiveInstance(inInstance)) return false;
  if (inInstance->entry != nullptr) return ComponentFunctionImplemented(inInstance, inSelectorID) != 0;
  auto* plugin = static_cast<AudioComponentPlugInInterface*>(inInstance->plugInInterface);
  return plugin != nullptr && plugin->Lookup(inSelectorID) != nullptr;
}

}  // extern "C"
