#include "tests/au/AUBundleHost.h"

#include <CoreFoundation/CFBundleRegistry.h>
#include <CoreServices/Components.h>

#include <cmath>
#include <dlfcn.h>

#include <vector>

namespace autest {

std::string CFText(CFTypeRef s)
{
  if (!s || CFGetTypeID(s) != CFStringGetTypeID()) return "";
  auto str = static_cast<CFStringRef>(s);
  const CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(str), kCFStringEncodingUTF8) + 1;
  std::vector<char> buf(static_cast<size_t>(size > 0 ? size : 1), '\0');
  if (!CFStringGetCString(str, buf.data(), static_cast<CFIndex>(buf.size()), kCFStringEncodingUTF8)) return "";
  return buf.data();
}

OSType FourCCOf(const std::string& s)
{
  if (s.size() != 4) return 0;
  OSType v = 0;
  for (char c : s) v = (v << 8) | static_cast<unsigned char>(c);
  return v;
}

BundleEntry ReadBundleEntry(const std::string& bundlePath)
{
  BundleEntry e;
  CFBundleRef bundle = cfx::RegisterBundleAtPath(bundlePath);
  if (!bundle) return e;
  CFDictionaryRef info = CFBundleGetInfoDictionary(bundle);
  CFTypeRef list = info ? CFDictionaryGetValue(info, CFSTR("AudioComponents")) : nullptr;
  if (!list || CFGetTypeID(list) != CFArrayGetTypeID() || CFArrayGetCount(static_cast<CFArrayRef>(list)) < 1)
    return e;
  CFTypeRef first = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(list), 0);
  if (!first || CFGetTypeID(first) != CFDictionaryGetTypeID()) return e;
  auto dict = static_cast<CFDictionaryRef>(first);
  e.type = CFText(CFDictionaryGetValue(dict, CFSTR("type")));
  e.subtype = CFText(CFDictionaryGetValue(dict, CFSTR("subtype")));
  e.manufacturer = CFText(CFDictionaryGetValue(dict, CFSTR("manufacturer")));
  e.name = CFText(CFDictionaryGetValue(dict, CFSTR("name")));
  e.factoryFunction = CFText(CFDictionaryGetValue(dict, CFSTR("factoryFunction")));
  CFTypeRef v = CFDictionaryGetValue(dict, CFSTR("version"));
  if (v && CFGetTypeID(v) == CFNumberGetTypeID())
    CFNumberGetValue(static_cast<CFNumberRef>(v), kCFNumberSInt64Type, &e.version);
  return e;
}

void RegisterHostBundle(const char* identifier)
{
  cfx::BundleDescription d;
  d.identifier = identifier;
  d.bundlePath = std::string("/tmp/orbex9-host-") + (*identifier ? identifier : "none") + ".app";
  d.info = {{"CFBundleVersion", "1.0.0"}};
  cfx::RegisterBundle(d, true);
}

BundleComponent LoadBundleComponent(const std::string& executablePath)
{
  BundleComponent c;
  const size_t macos = executablePath.rfind("/Contents/MacOS/");
  if (macos == std::string::npos) return c;
  c.entry = ReadBundleEntry(executablePath.substr(0, macos));
  c.handle = dlopen(executablePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!c.handle || c.entry.factoryFunction.empty()) return c;

  c.desc.componentType = FourCCOf(c.entry.type);
  c.desc.componentSubType = FourCCOf(c.entry.subtype);
  c.desc.componentManufacturer = FourCCOf(c.entry.manufacturer);
  CFStringRef name = CFStringCreateWithCString(nullptr, c.entry.name.c_str(), kCFStringEncodingUTF8);
  if (!name) return c;
  const auto version = static_cast<UInt32>(c.entry.version);
  auto factory =
    reinterpret_cast<AudioComponentFactoryFunction>(dlsym(c.handle, c.entry.factoryFunction.c_str()));
  if (factory) c.viaFactory = AudioComponentRegister(&c.desc, name, version, factory);
  const std::string suffix = "_Factory";
  const std::string& f = c.entry.factoryFunction;
  if (f.size() > suffix.size() && f.compare(f.size() - suffix.size(), suffix.size(), suffix) == 0)
  {
    const std::string entryName = f.substr(0, f.size() - suffix.size()) + "_Entry";
    if (auto entry = reinterpret_cast<ComponentRoutineUPP>(dlsym(c.handle, entryName.c_str())))
      c.viaEntry = AudioComponentRegisterEntry(&c.desc, name, version, entry);
  }
  CFRelease(name);
  return c;
}

OSStatus LoudSource(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32, UInt32 nFrames,
                    AudioBufferList* list)
{
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
  {
    auto* p = static_cast<float*>(list->mBuffers[c].mData);
    if (!p) return kAudio_ParamError;
    for (UInt32 s = 0; s < nFrames; ++s)
    {
      const double t = ts->mSampleTime + s;
      p[s] = static_cast<float>(1.4 * std::sin(0.031 * t * (c + 1)) + 0.3 * std::sin(0.7 * t + c));
    }
  }
  return noErr;
}

} // namespace autest
