#pragma once
// Finding and loading the component bundle as the system would: the bundle
// folder is registered from its Info.plist, its executable is loaded with
// dlopen, and its factory (or its Component Manager entry) is registered as
// an audio component. Also registers the host itself as the main bundle, so
// the component's host identification sees the host's name and version.
// Main thread.

#include <AudioUnit/AudioUnit.h>

#include <string>

namespace orbexhost {

struct LoadedComponent {
  AudioComponent component = nullptr;
  AudioComponentDescription description{};
  std::string name;     // the plug-in's name ("Maker: Name" split off)
  std::string maker;
  UInt32 version = 0;   // 0xMMMMmmbb
  std::string bundlePath;
};

// The default component: ORBEX9.component in the host executable's folder.
std::string DefaultComponentPath();

// Registers the host as the main bundle with hostName as its identifier and
// name. Call before any unit is initialised.
void RegisterHostBundle(const std::string& hostName);

// Loads the bundle at path and registers it (factory, or entry when
// useEntry). False with a one-line message.
bool LoadComponent(const std::string& path, bool useEntry, LoadedComponent& out, std::string& error);

// "2.1.17" from 0x00020111.
std::string VersionText(UInt32 version);

}  // namespace orbexhost
