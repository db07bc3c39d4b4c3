#include "host/StateFile.h"

#include "host/PartialFile.h"
#include "host/SoundFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace orbexhost {

namespace {

constexpr long kMaxStateFileBytes = 16L << 20;

CFTypeRef Value(CFDictionaryRef dict, const char* key) {
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  CFTypeRef v = CFDictionaryGetValue(dict, k);
  CFRelease(k);
  return v;
}

bool NumberValue(CFDictionaryRef dict, const char* key, SInt64& out) {
  CFTypeRef v = Value(dict, key);
  if (v == nullptr || CFGetTypeID(v) != CFNumberGetTypeID()) return false;
  return CFNumberGetValue(static_cast<CFNumberRef>(v), kCFNumberSInt64Type, &out) != 0;
}

std::string FourCCText(UInt32 code) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((code >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

}  // namespace

void CompleteDescription(LoadedComponent& component, const HostedUnit& unit) {
  CFPropertyListRef plist = unit.CopyClassInfo();
  if (plist == nullptr) return;
  if (CFGetTypeID(plist) == CFDictionaryGetTypeID()) {
    const auto dict = static_cast<CFDictionaryRef>(plist);
    SInt64 v = 0;
    AudioComponentDescription& d = component.description;
    if (d.componentSubType == 0 && NumberValue(dict, "subtype", v)) d.componentSubType = static_cast<UInt32>(v);
    if (d.componentManufacturer == 0 && NumberValue(dict, "manufacturer", v))
      d.componentManufacturer = static_cast<UInt32>(v);
    if (NumberValue(dict, "type", v)) d.componentType = static_cast<UInt32>(v);
    if (component.version == 0 && NumberValue(dict, "version", v)) component.version = static_cast<UInt32>(v);
    if (component.maker.empty() && d.componentManufacturer != 0) component.maker = FourCCText(d.componentManufacturer);
  }
  CFRelease(plist);
}

bool SaveStateFile(const HostedUnit& unit, const std::string& path, std::string& error) {
  CFPropertyListRef plist = unit.CopyClassInfo();
  if (plist == nullptr) {
    error = "the component gave no state to save";
    return false;
  }
  CFErrorRef cfError = nullptr;
  CFDataRef data = CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, &cfError);
  CFRelease(plist);
  if (cfError != nullptr) CFRelease(cfError);
  if (data == nullptr) {
    error = "the component's state could not be written as a property list";
    return false;
  }
  // A device or pipe is written straight into; a file through a temporary
  // file renamed into place.
  const bool direct = IsSpecialFile(path);
  PartialFile partial(direct ? std::string() : path + ".partial-" + std::to_string(static_cast<long>(getpid())));
  const std::string& temp = direct ? path : partial.Path();
  if (direct) partial.Keep();
  bool ok = false;
  if (FILE* f = std::fopen(temp.c_str(), "wb")) {
    const size_t n = static_cast<size_t>(CFDataGetLength(data));
    ok = std::fwrite(CFDataGetBytePtr(data), 1, n, f) == n;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && !direct && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (ok) partial.Keep();
    if (!ok) {
      error = "cannot write the state file '" + path + "': " + std::strerror(errno);
    }
  } else {
    error = "cannot write the state file '" + path + "': " + std::strerror(errno);
  }
  CFRelease(data);
  return ok;
}

bool LoadStateFile(HostedUnit& unit, const LoadedComponent& component, const std::string& path, std::string& error) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    error = "cannot open the state file '" + path + "': " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "cannot read the state file '" + path + "': not a file";
    return false;
  }
  if (st.st_size > kMaxStateFileBytes) {
    error = "the state file '" + path + "' is too large to be a state";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read the state file '" + path + "': " + std::strerror(errno);
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()), static_cast<CFIndex>(bytes.size()));
  CFErrorRef cfError = nullptr;
  CFPropertyListRef plist =
      data != nullptr ? CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr, &cfError) : nullptr;
  if (data != nullptr) CFRelease(data);
  if (cfError != nullptr) CFRelease(cfError);
  if (plist == nullptr) {
    error = "the state file '" + path + "' is not an XML property list";
    return false;
  }
  bool ok = false;
  const std::string bad = "the state file '" + path + "' is not a saved state of this component: ";
  if (CFGetTypeID(plist) != CFDictionaryGetTypeID()) {
    error = bad + "it holds no dictionary";
  } else {
    const auto dict = static_cast<CFDictionaryRef>(plist);
    SInt64 version = 0, type = 0, subtype = 0, manufacturer = 0;
    CFTypeRef name = Value(dict, "name");
    CFTypeRef payload = Value(dict, "data");
    if (!NumberValue(dict, "version", version) || !NumberValue(dict, "type", type) ||
        !NumberValue(dict, "subtype", subtype) || !NumberValue(dict, "manufacturer", manufacturer)) {
      error = bad + "version, type, subtype or manufacturer is missing";
    } else if (name == nullptr || CFGetTypeID(name) != CFStringGetTypeID()) {
      error = bad + "it has no name";
    } else if (payload == nullptr || CFGetTypeID(payload) != CFDataGetTypeID()) {
      error = bad + "it has no data";
    } else if ((component.description.componentType != 0 &&
                static_cast<UInt32>(type) != component.description.componentType) ||
               (component.description.componentSubType != 0 &&
                static_cast<UInt32>(subtype) != component.description.componentSubType) ||
               (component.description.componentManufacturer != 0 &&
                static_cast<UInt32>(manufacturer) != component.description.componentManufacturer)) {
      error = bad + "it belongs to component '" + FourCCText(static_cast<UInt32>(subtype)) + "' of maker '" +
              FourCCText(static_cast<UInt32>(manufacturer)) + "'";
    } else {
      const OSStatus s = unit.SetClassInfo(plist);
      if (s == noErr)
        ok = true;
      else
        error = bad + "the component refused it (status " + std::to_string(static_cast<long>(s)) + ")";
    }
  }
  CFRelease(plist);
  return ok;
}

}  // namespace orbexhost
