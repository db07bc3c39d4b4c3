// Bundles and the bundle registry.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

#include <CoreFoundation/CFBundleRegistry.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFPropertyList.h>

#include "CFContainers.h"
#include "CFStringImpl.h"
#include "CFURLImpl.h"

struct OpaqueCFBundle final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeBundle;
  // Takes ownership of the info dictionary reference.
  OpaqueCFBundle(std::string bundlePath, std::string executablePath, std::string resourcesPath, CFDictionaryRef info)
      : cfx::Object(kType, true), path(std::move(bundlePath)), executable(std::move(executablePath)),
        resources(std::move(resourcesPath)), infoDictionary(info) {
    identifier = static_cast<CFStringRef>(CFDictionaryGetValue(info, kCFBundleIdentifierKey));
    if (cfx::As<OpaqueCFString>(identifier) == nullptr || cfx::StringText(identifier).empty()) identifier = nullptr;
  }
  std::string Describe() const override { return "<CFBundle " + path + ">"; }

  const std::string path;
  const std::string executable;
  const std::string resources;
  const CFDictionaryRef infoDictionary;
  CFStringRef identifier = nullptr;  // owned by the info dictionary
};

namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, OpaqueCFBundle*> byIdentifier;
  std::map<std::string, OpaqueCFBundle*> byPath;
  std::vector<OpaqueCFBundle*> all;  // every bundle ever registered: they stay valid
  OpaqueCFBundle* main = nullptr;
};

Registry& TheRegistry() {
  static auto* registry = new Registry();  // lives as long as the process
  return *registry;
}

std::string StripSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

OpaqueCFBundle* Bundle(CFBundleRef b) { return cfx::AsMutable<OpaqueCFBundle>(b); }

std::string InfoString(CFDictionaryRef info, CFStringRef key) {
  return cfx::StringText(static_cast<CFStringRef>(CFDictionaryGetValue(info, key)));
}

// Registers a bundle made from an info dictionary (ownership taken).
OpaqueCFBundle* Register(const std::string& bundlePath, std::string executable, std::string resources,
                         CFDictionaryRef info, bool isMain) {
  const std::string path = StripSlashes(bundlePath);
  if (resources.empty()) resources = path + "/Contents/Resources";
  if (executable.empty()) {
    const std::string name = InfoString(info, kCFBundleExecutableKey);
    if (!name.empty() && name.find('/') == std::string::npos) executable = path + "/Contents/MacOS/" + name;
  }
  auto* bundle = new OpaqueCFBundle(path, StripSlashes(executable), StripSlashes(resources), info);
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.all.push_back(bundle);
  r.byPath[path] = bundle;
  if (bundle->identifier != nullptr) r.byIdentifier[cfx::StringText(bundle->identifier)] = bundle;
  if (isMain) r.main = bundle;
  return bundle;
}

// The running executable as a bundle without identifier.
OpaqueCFBundle* ExecutableBundle() {
  char exe[4096];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string("/");
  const size_t slash = path.rfind('/');
  const std::string folder = (slash == std::string::npos || slash == 0) ? "/" : path.substr(0, slash);
  CFDictionaryRef info = CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                            &kCFTypeDictionaryValueCallBacks);
  return new OpaqueCFBundle(folder, path, folder, info);
}

// The dictionary of <bundlePath>/Contents/Info.plist, or null.
CFDictionaryRef ReadInfoPlist(const std::string& bundlePath) {
  std::ifstream file(bundlePath + "/Contents/Info.plist", std::ios::binary);
  if (!file) return nullptr;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()), static_cast<CFIndex>(bytes.size()));
  CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr, nullptr);
  CFRelease(data);
  if (cfx::As<OpaqueCFDictionary>(plist) == nullptr) {
    CFRelease(plist);
    return nullptr;
  }
  return static_cast<CFDictionaryRef>(plist);
}

bool SafeName(const std::string& name) {
  if (name.find('\0') != std::string::npos) return false;
  std::stringstream parts(name);
  std::string part;
  while (std::getline(parts, part, '/'))
    if (part == "..") return false;
  return true;
}

}  // namespace

namespace cfx {

CFBundleRef RegisterBundle(const BundleDescription& d, bool isMainBundle) {
  if (d.bundlePath.empty()) return nullptr;
  CFMutableDictionaryRef info =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  auto put = [&](const std::string& key, const std::string& value) {
    CFStringRef k = NewString(key);
    CFStringRef v = NewString(value);
    if (k != nullptr && v != nullptr) CFDictionarySetValue(info, k, v);
    CFRelease(k);
    CFRelease(v);
  };
  for (const auto& [key, value] : d.info) put(key, value);
  if (!d.identifier.empty()) put("CFBundleIdentifier", d.identifier);
  return Register(d.bundlePath, d.executablePath, d.resourcesPath, info, isMainBundle);
}

CFBundleRef RegisterBundleAtPath(const std::string& bundlePath, bool isMainBundle) {
  if (bundlePath.empty()) return nullptr;
  CFDictionaryRef info = ReadInfoPlist(StripSlashes(bundlePath));
  return info != nullptr ? Register(bundlePath, std::string(), std::string(), info, isMainBundle) : nullptr;
}

CFBundleRef RegisterBundleOfExecutable(const std::string& executablePath, bool isMainBundle) {
  const std::string marker = "/Contents/MacOS/";
  const size_t at = executablePath.rfind(marker);
  if (at == std::string::npos || at == 0 || executablePath.find('/', at + marker.size()) != std::string::npos)
    return nullptr;
  const std::string bundlePath = executablePath.substr(0, at);
  CFDictionaryRef info = ReadInfoPlist(bundlePath);
  return info != nullptr ? Register(bundlePath, executablePath, std::string(), info, isMainBundle) : nullptr;
}

CFBundleRef RegisterBundleOfAddress(const void* address, bool isMainBundle) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return nullptr;
  char resolved[4096];
  const std::string path = realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
  return RegisterBundleOfExecutable(path, isMainBundle);
}

bool UnregisterBundle(const std::string& identifier) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byIdentifier.find(identifier);
  if (it == r.byIdentifier.end()) return false;
  OpaqueCFBundle* bundle = it->second;
  r.byIdentifier.erase(it);
  auto p = r.byPath.find(bundle->path);
  if (p != r.byPath.end() && p->second == bundle) r.byPath.erase(p);
  if (r.main == bundle) r.main = nullptr;
  return true;
}

}  // namespace cfx

extern "C" {

const CFStringRef kCFBundleInfoDictionaryVersionKey = CFSTR("CFBundleInfoDictionaryVersion");
const CFStringRef kCFBundleExecutableKey = CFSTR("CFBundleExecutable");
const CFStringRef kCFBundleIdentifierKey = CFSTR("CFBundleIdentifier");
const CFStringRef kCFBundleVersionKey = CFSTR("CFBundleVersion");
const CFStringRef kCFBundleNameKey = CFSTR("CFBundleName");
const CFStringRef kCFBundleDevelopmentRegionKey = CFSTR("CFBundleDevelopmentRegion");

CFTypeID CFBundleGetTypeID(void) { return cfx::kTypeBundle; }

CFBundleRef CFBundleGetMainBundle(void) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (r.main == nullptr) {
    r.main = ExecutableBundle();
    r.all.push_back(r.main);
  }
  return r.main;
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
  if (cfx::As<OpaqueCFString>(bundleID) == nullptr) return nullptr;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byIdentifier.find(cfx::StringText(bundleID));
  return it != r.byIdentifier.end() ? it->second : nullptr;
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
  const std::string path = cfx::URLPath(bundleURL);
  if (path.empty()) return nullptr;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byPath.find(path);
  return it != r.byPath.end() ? it->second : nullptr;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
  const OpaqueCFBundle* b = Bundle(bundle);
  return b != nullptr ? b->identifier : nullptr;
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
  const OpaqueCFBundle* b = Bundle(bundle);
  return b != nullptr ? b->infoDictionary : nullptr;
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
  const OpaqueCFBundle* b = Bundle(bundle);
  return b != nullptr ? CFDictionaryGetValue(b->infoDictionary, key) : nullptr;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
  const OpaqueCFBundle* b = Bundle(bundle);
  return b != nullptr ? cfx::NewFileURL(b->path, true) : nullptr;
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle) {
  const OpaqueCFBundle* b = Bundle(bundle);
  return (b != nullptr && !b->executable.empty()) ? cfx::NewFileURL(b->executable, false) : nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
  const OpaqueCFBundle* b = Bundle(bundle);
  return b != nullptr ? cfx::NewFileURL(b->resources, true) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType,
                                 CFStringRef subDirName) {
  const OpaqueCFBundle* b = Bundle(bundle);
  if (b == nullptr || cfx::As<OpaqueCFString>(resourceName) == nullptr) return nullptr;
  const std::string& name = cfx::StringText(resourceName);
  const std::string& type = cfx::StringText(resourceType);
  const std::string& sub = cfx::StringText(subDirName);
  if (name.empty() || !SafeName(name) || !SafeName(type) || !SafeName(sub) || type.find('/') != std::string::npos)
    return nullptr;
  std::string path = b->resources;
  if (!sub.empty()) path += "/" + sub;
  path += "/" + name;
  if (!type.empty()) path += (type[0] == '.' ? "" : ".") + type;
  if (!Exists(path)) return nullptr;
  struct stat st {};
  ::stat(path.c_str(), &st);
  return cfx::NewFileURL(path, S_ISDIR(st.st_mode));
}

}  // extern "C"
