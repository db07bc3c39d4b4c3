#include "host/ComponentLoader.h"

#include "host/CFText.h"
#include "host/MessageText.h"

#include <CoreFoundation/CFBundleRegistry.h>
#include <CoreFoundation/CoreFoundation.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace orbexhost {

namespace {

constexpr const char* kHostVersion = "1.0.0";
constexpr const char* kFactoryName = "ORBEX9_Factory";
constexpr const char* kEntryName = "ORBEX9_Entry";

std::string ExecutableFolder() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = '\0';
  std::string path(buf);
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

CFTypeRef DictValue(CFDictionaryRef dict, const char* key) {
  if (dict == nullptr) return nullptr;
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  CFTypeRef v = CFDictionaryGetValue(dict, k);
  CFRelease(k);
  return v;
}

OSType FourCC(const std::string& text) {
  if (text.size() != 4) return 0;
  return (static_cast<OSType>(static_cast<unsigned char>(text[0])) << 24) |
         (static_cast<OSType>(static_cast<unsigned char>(text[1])) << 16) |
         (static_cast<OSType>(static_cast<unsigned char>(text[2])) << 8) |
         static_cast<OSType>(static_cast<unsigned char>(text[3]));
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "a.b.c" as 0xMMMMmmbb; missing parts count 0.
UInt32 ParseVersion(const std::string& text) {
  unsigned long part[3] = {0, 0, 0};
  const char* p = text.c_str();
  for (int i = 0; i < 3 && *p != '\0'; ++i) {
    char* end = nullptr;
    part[i] = std::strtoul(p, &end, 10);
    if (end == p) break;
    p = *end == '.' ? end + 1 : end;
  }
  return static_cast<UInt32>(((part[0] & 0xFFFF) << 16) | ((part[1] & 0xFF) << 8) | (part[2] & 0xFF));
}

}  // namespace

std::string DefaultComponentPath() { return ExecutableFolder() + "/ORBEX9.component"; }

std::string VersionText(UInt32 v) {
  return std::to_string(v >> 16) + "." + std::to_string((v >> 8) & 0xFF) + "." + std::to_string(v & 0xFF);
}

void RegisterHostBundle(const std::string& hostName) {
  cfx::BundleDescription d;
  d.identifier = hostName;
  d.bundlePath = ExecutableFolder();
  d.info = {{"CFBundleVersion", kHostVersion}, {"CFBundleShortVersionString", kHostVersion}, {"CFBundleName", hostName}};
  cfx::RegisterBundle(d, true);
}

bool LoadComponent(const std::string& rawPath, bool useEntry, LoadedComponent& out, std::string& error) {
  out = LoadedComponent();
  std::string path = rawPath;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (!IsFolder(path)) {
    error = "cannot load the component " + QuotePath(path) + ": no such bundle folder";
    return false;
  }
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) != nullptr) path = resolved;
  CFBundleRef bundle = cfx::RegisterBundleAtPath(path);
  if (bundle == nullptr) {
    error = "cannot load the component " + QuotePath(path) + ": Contents/Info.plist is missing or not a property list";
    return false;
  }
  std::string exe;
  if (CFURLRef url = CFBundleCopyExecutableURL(bundle)) {
    UInt8 buf[PATH_MAX];
    if (CFURLGetFileSystemRepresentation(url, true, buf, sizeof buf)) exe = reinterpret_cast<const char*>(buf);
    CFRelease(url);
  }
  if (exe.empty()) {
    error = "cannot load the component " + QuotePath(path) + ": its Info.plist names no executable";
    return false;
  }
  void* lib = dlopen(exe.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) {
    const char* why = dlerror();
    error = "cannot load the component " + QuotePath(path) + ": " + (why != nullptr ? why : "dlopen failed");
    return false;
  }
  // The library stays loaded for the life of the process, as on the platform.

  // The AudioComponents entry of the Info.plist describes the component.
  CFDictionaryRef info = CFBundleGetInfoDictionary(bundle);
  CFDictionaryRef desc = nullptr;
  if (CFTypeRef list = DictValue(info, "AudioComponents"); list != nullptr && CFGetTypeID(list) == CFArrayGetTypeID() &&
                                                          CFArrayGetCount(static_cast<CFArrayRef>(list)) > 0) {
    CFTypeRef first = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(list), 0);
    if (first != nullptr && CFGetTypeID(first) == CFDictionaryGetTypeID()) desc = static_cast<CFDictionaryRef>(first);
  }
  out.description.componentType = kAudioUnitType_Effect;
  std::string fullName = CFStringText(DictValue(info, "CFBundleName"));
  std::string factoryName = kFactoryName;
  if (desc != nullptr) {
    if (OSType t = FourCC(CFStringText(DictValue(desc, "type")))) out.description.componentType = t;
    out.description.componentSubType = FourCC(CFStringText(DictValue(desc, "subtype")));
    out.description.componentManufacturer = FourCC(CFStringText(DictValue(desc, "manufacturer")));
    if (std::string n = CFStringText(DictValue(desc, "name")); !n.empty()) fullName = n;
    if (std::string f = CFStringText(DictValue(desc, "factoryFunction")); !f.empty()) factoryName = f;
    if (CFTypeRef v = DictValue(desc, "version"); v != nullptr && CFGetTypeID(v) == CFNumberGetTypeID()) {
      SInt64 n = 0;
      CFNumberGetValue(static_cast<CFNumberRef>(v), kCFNumberSInt64Type, &n);
      out.version = static_cast<UInt32>(n);
    }
  }
  if (out.version == 0) out.version = ParseVersion(CFStringText(DictValue(info, "CFBundleVersion")));
  const size_t colon = fullName.find(": ");
  if (colon != std::string::npos) {
    out.maker = fullName.substr(0, colon);
    out.name = fullName.substr(colon + 2);
  } else {
    out.name = fullName;
  }
  out.bundlePath = path;

  CFStringRef cfName = CFStringCreateWithCString(nullptr, fullName.c_str(), kCFStringEncodingUTF8);
  if (useEntry) {
    auto entry = reinterpret_cast<ComponentRoutineUPP>(dlsym(lib, kEntryName));
    if (entry == nullptr) {
      error = "cannot load the component " + QuotePath(path) + ": it exports no " + kEntryName;
      if (cfName) CFRelease(cfName);
      return false;
    }
    out.component = AudioComponentRegisterEntry(&out.description, cfName, out.version, entry);
  } else {
    auto factory = reinterpret_cast<AudioComponentFactoryFunction>(dlsym(lib, factoryName.c_str()));
    if (factory == nullptr) {
      error = "cannot load the component " + QuotePath(path) + ": it exports no " + factoryName;
      if (cfName) CFRelease(cfName);
      return false;
    }
    out.component = AudioComponentRegister(&out.description, cfName, out.version, factory);
  }
  if (cfName) CFRelease(cfName);
  if (out.component == nullptr) {
    error = "cannot load the component " + QuotePath(path) + ": it could not be registered";
    return false;
  }
  return true;
}

}  // namespace orbexhost
