#include "host/StateFile.h"

#include "host/MessageText.h"

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

// Whether a state's codes match the component's (a code the component
// leaves open matches any).
bool SameComponent(const AudioComponentDescription& d, UInt32 type, UInt32 subtype, UInt32 manufacturer) {
  return (d.componentType == 0 || type == d.componentType) && (d.componentSubType == 0 || subtype == d.componentSubType) &&
         (d.componentManufacturer == 0 || manufacturer == d.componentManufacturer);
}

// A component's three codes, as "'aufx' 'ORBX' 'Brmv'".
std::string Identity(UInt32 type, UInt32 subtype, UInt32 manufacturer) {
  std::string s;
  for (const UInt32 code : {type, subtype, manufacturer}) {
    s += s.empty() ? "'" : " '";
    s += FourCCText(code);
    s += '\'';
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

bool CaptureState(const HostedUnit& unit, std::string& bytes, std::string& error) {
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
  bytes.assign(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<size_t>(CFDataGetLength(data)));
  CFRelease(data);
  return true;
}

bool OpenStateFile(OutputFile& file, const std::string& path, std::string& error) {
  std::string why;
  if (file.Open(path, true, why)) return true;
  error = "cannot write the state file " + QuotePath(path) + ": " + why;
  return false;
}

bool WriteStateFile(const std::string& bytes, OutputFile& file, const std::string& path, std::string& error) {
  std::string why;
  if (file.WriteAll(bytes.data(), bytes.size(), why) && file.Close(why)) return true;
  error = "cannot write the state file " + QuotePath(path) + ": " + why;
  return false;
}

bool CommitStateFile(OutputFile& file, const std::string& path, std::string& error) {
  std::string why;
  if (file.Commit(why)) return true;
  error = "cannot write the state file " + QuotePath(path) + ": " + why;
  return false;
}

bool LoadStateFile(HostedUnit& unit, const LoadedComponent& component, const std::string& path, std::string& error) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    error = "cannot open the state file " + QuotePath(path) + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "cannot read the state file " + QuotePath(path) + ": not a file";
    return false;
  }
  if (st.st_size > kMaxStateFileBytes) {
    error = "the state file " + QuotePath(path) + " is too large to be a state";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read the state file " + QuotePath(path) + ": " + std::strerror(errno);
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
    error = "the state file " + QuotePath(path) + " is not an XML property list";
    return false;
  }
  bool ok = false;
  const std::string bad = "the state file " + QuotePath(path) + " is not a saved state of this component: ";
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
    } else if (!SameComponent(component.description, static_cast<UInt32>(type), static_cast<UInt32>(subtype),
                              static_cast<UInt32>(manufacturer))) {
      const AudioComponentDescription& d = component.description;
      error = bad + "it belongs to the component " +
              Identity(static_cast<UInt32>(type), static_cast<UInt32>(subtype), static_cast<UInt32>(manufacturer)) +
              " (type, subtype, maker); " + (component.name.empty() ? std::string("this one") : component.name) +
              " is " + Identity(d.componentType, d.componentSubType, d.componentManufacturer);
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
