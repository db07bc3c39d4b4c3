#pragma once
// Loading a built component bundle as a host application does: the description from the
// bundle's Info.plist, the library by dlopen, the factory by the name the bundle gives and the
// older Component Manager entry by the name that goes with it (<Name>_Entry beside
// <Name>_Factory). Both are registered with the platform's component registry.

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace autest {

/** What the bundle's Info.plist says about its first component. */
struct BundleEntry
{
  std::string type, subtype, manufacturer, name, factoryFunction;
  SInt64 version = 0;
};

struct BundleComponent
{
  void* handle = nullptr;  // null when the library could not be loaded
  BundleEntry entry;
  AudioComponentDescription desc{};
  AudioComponent viaFactory = nullptr;
  AudioComponent viaEntry = nullptr;  // null when the library exports no entry
};

/** A CFString's text as UTF-8; "" for anything else. */
std::string CFText(CFTypeRef s);
/** A four-character code; 0 unless the text has exactly four bytes. */
OSType FourCCOf(const std::string& s);
BundleEntry ReadBundleEntry(const std::string& bundlePath);
/** Makes a host application's bundle with this identifier ("" for none) the main bundle, whose
 *  identifier names the host when an instance initialises. */
void RegisterHostBundle(const char* identifier);
/** Loads and registers the component whose library is at executablePath
 *  (<bundle>/Contents/MacOS/<Name>). Call once per library and process. */
BundleComponent LoadBundleComponent(const std::string& executablePath);
/** A render callback of loud, deterministic programme material (peaks above full scale): the
 *  sample at time t depends on t only. */
OSStatus LoudSource(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32, UInt32 nFrames,
                    AudioBufferList* list);

} // namespace autest
