#include "au/IAUComponent.h"

#include <CoreFoundation/CFBundleRegistry.h>

#include <dlfcn.h>

#include <string>

namespace fx {

ComponentResult IAUComponentEntry(ComponentParameters* params, Handle storage, IAUCreateFunc create)
{
  if (!params) return kAudio_ParamError;
  if (params->what == kComponentOpenSelect)
  {
    if (params->paramSize < sizeof(long) || !create) return kAudio_ParamError;
    auto ci = reinterpret_cast<ComponentInstance>(params->params[params->paramSize / sizeof(long) - 1]);
    IFxAU* plug = nullptr;
    try
    {
      plug = create(nullptr);
    }
    catch (...)
    {
      plug = nullptr;
    }
    if (!plug) return memFullErr;
    plug->PruneUninitializedPresets();
    plug->SetComponentInstance(ci);
    SetComponentInstanceStorage(ci, reinterpret_cast<Handle>(plug));
    return noErr;
  }
  auto* plug = reinterpret_cast<IFxAU*>(storage);
  if (!plug) return badComponentInstance;
  return plug->DispatchComponentCall(params);
}

bool RegisterComponentBundle(const void* addressInLibrary, const char* identifier, const char* version,
                             const char* name)
{
  Dl_info info{};
  if (!addressInLibrary || dladdr(addressInLibrary, &info) == 0 || !info.dli_fname) return false;
  const std::string libraryPath = info.dli_fname;
  std::string bundlePath = libraryPath;
  for (int up = 0; up < 3; ++up)
  {
    const size_t slash = bundlePath.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return false;
    bundlePath.resize(slash);
  }
  cfx::BundleDescription desc;
  desc.identifier = identifier ? identifier : "";
  desc.bundlePath = bundlePath;
  desc.executablePath = libraryPath;
  const std::string v = version ? version : "";
  const std::string n = name ? name : "";
  desc.info = {{"CFBundleVersion", v}, {"CFBundleShortVersionString", v}, {"CFBundleName", n},
               {"CFBundleExecutable", libraryPath.substr(libraryPath.find_last_of('/') + 1)}};
  return cfx::RegisterBundle(desc) != nullptr;
}

} // namespace fx
