// The layer's own bundle registry: the stand-in for the system's knowledge
// of installed bundles. A component registers its own bundle when it is
// loaded; a host registers itself as the main bundle so that host
// identification sees its identifier and version. Thread safe.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <CoreFoundation/CFBundle.h>

namespace cfx {

struct BundleDescription {
  std::string identifier;      // e.g. "com.example.host"; may be empty
  std::string bundlePath;      // the bundle folder (required)
  std::string executablePath;  // empty: Contents/MacOS/<CFBundleExecutable> when that key is given
  std::string resourcesPath;   // empty: <bundlePath>/Contents/Resources
  // Info values, each a string (kCFBundleVersionKey, "CFBundleShortVersionString",
  // kCFBundleNameKey, ...). The identifier is added as kCFBundleIdentifierKey.
  std::vector<std::pair<std::string, std::string>> info;
};

// Registers (or re-registers) a bundle. A later registration with the same
// identifier or folder replaces the earlier one for lookups; the earlier
// object stays valid. Returns the registry's bundle (not owned), or null when
// the description has no folder.
CFBundleRef RegisterBundle(const BundleDescription& description, bool isMainBundle = false);

// Registers the bundle folder at bundlePath from its Contents/Info.plist
// (an XML property list). Null when the file is missing or not a valid
// dictionary.
CFBundleRef RegisterBundleAtPath(const std::string& bundlePath, bool isMainBundle = false);

// Registers the bundle whose executable is at executablePath, a file in the
// bundle's Contents/MacOS folder, from the bundle's Info.plist; the
// executable URL is that path. Null when the path is not inside a bundle.
CFBundleRef RegisterBundleOfExecutable(const std::string& executablePath, bool isMainBundle = false);

// The same for the loaded library or program that contains address (for
// instance a function of the component): how a component registers its
// own bundle when it is loaded.
CFBundleRef RegisterBundleOfAddress(const void* address, bool isMainBundle = false);

// Removes the bundle with that identifier from lookups; false when none.
bool UnregisterBundle(const std::string& identifier);

}  // namespace cfx
