// The class-info dictionary: the plug-in's identity and state as the host keeps it in its
// documents (and in ".aupreset" files). Every value read back is type-checked; a dictionary
// that is not this plug-in's, or whose state cannot be read, changes nothing.
#include "au/IFxAU.h"

#include <vector>

namespace fx {

namespace {

constexpr const char* kKeyVersion = "version";
constexpr const char* kKeyType = "type";
constexpr const char* kKeySubtype = "subtype";
constexpr const char* kKeyManufacturer = "manufacturer";
constexpr const char* kKeyName = "name";
constexpr const char* kKeyData = "data";

// Looks a key up; null when the key is missing.
CFTypeRef GetValue(CFDictionaryRef dict, const char* key)
{
  CFStringRef k = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  if (!k) return nullptr;
  CFTypeRef v = CFDictionaryGetValue(dict, k);
  CFRelease(k);
  return v;
}

void PutNumber(CFMutableDictionaryRef dict, const char* key, SInt32 value)
{
  CFStringRef k = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  CFNumberRef n = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value);
  if (k && n) CFDictionarySetValue(dict, k, n);
  if (n) CFRelease(n);
  if (k) CFRelease(k);
}

// A number that holds an exact 32-bit integer; false for anything else.
bool GetNumber(CFDictionaryRef dict, const char* key, SInt32& value)
{
  CFTypeRef v = GetValue(dict, key);
  if (!v || CFGetTypeID(v) != CFNumberGetTypeID()) return false;
  if (CFNumberIsFloatType(static_cast<CFNumberRef>(v))) return false;
  SInt64 wide = 0;
  if (!CFNumberGetValue(static_cast<CFNumberRef>(v), kCFNumberSInt64Type, &wide)) return false;
  // Codes written by other tools may come back as unsigned 32-bit values.
  if (wide < INT32_MIN || wide > static_cast<SInt64>(UINT32_MAX)) return false;
  value = static_cast<SInt32>(static_cast<UInt32>(wide));
  return true;
}

} // namespace

void IFxAU::PutDictString(CFMutableDictionaryRef dict, const char* key, const char* value)
{
  if (!dict || !key) return;
  CFStringRef k = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  CFStringRef v = CFStringCreateWithCString(kCFAllocatorDefault, value ? value : "", kCFStringEncodingUTF8);
  if (k && v) CFDictionarySetValue(dict, k, v);
  if (v) CFRelease(v);
  if (k) CFRelease(k);
}

bool IFxAU::GetDictString(CFDictionaryRef dict, const char* key, FxString& value)
{
  CFTypeRef v = GetValue(dict, key);
  if (!v || CFGetTypeID(v) != CFStringGetTypeID()) return false;
  auto str = static_cast<CFStringRef>(v);
  const CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(str), kCFStringEncodingUTF8) + 1;
  if (size < 1) return false;
  std::vector<char> buf(static_cast<size_t>(size), '\0');
  if (!CFStringGetCString(str, buf.data(), size, kCFStringEncodingUTF8)) return false;
  value.Set(buf.data());
  return true;
}

bool IFxAU::GetDictData(CFDictionaryRef dict, const char* key, IStateChunk& chunk)
{
  CFTypeRef v = GetValue(dict, key);
  if (!v || CFGetTypeID(v) != CFDataGetTypeID()) return false;
  auto data = static_cast<CFDataRef>(v);
  const CFIndex len = CFDataGetLength(data);
  if (len < 0 || len > 0x7FFFFFFF) return false;
  chunk.Clear();
  if (len == 0) return true;
  const UInt8* bytes = CFDataGetBytePtr(data);
  if (!bytes) return false;
  return chunk.PutBytes(bytes, static_cast<int>(len)) == static_cast<int>(len);
}

OSStatus IFxAU::GetClassInfo(CFPropertyListRef* pPList)
{
  if (!pPList) return kAudio_ParamError;
  CFMutableDictionaryRef dict =
    CFDictionaryCreateMutable(kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  if (!dict)
  {
    *pPList = nullptr;
    return coreFoundationUnknownErr;
  }
  PutNumber(dict, kKeyVersion, GetPluginVersion(false));
  PutNumber(dict, kKeyType, GetAUPluginType());
  PutNumber(dict, kKeySubtype, GetUniqueID());
  PutNumber(dict, kKeyManufacturer, GetMfrID());
  PutDictString(dict, kKeyName, GetPresetName(GetCurrentPresetIdx()));

  IStateChunk chunk;
  if (SerializeState(chunk))
  {
    CFDataRef data = CFDataCreate(kCFAllocatorDefault, chunk.GetData(), chunk.Size());
    if (data)
    {
      CFStringRef k = CFStringCreateWithCString(kCFAllocatorDefault, kKeyData, kCFStringEncodingUTF8);
      if (k) CFDictionarySetValue(dict, k, data);
      if (k) CFRelease(k);
      CFRelease(data);
    }
  }
  *pPList = dict;
  return noErr;
}

OSStatus IFxAU::SetClassInfo(CFPropertyListRef plist)
{
  if (!plist || CFGetTypeID(plist) != CFDictionaryGetTypeID()) return kAudioUnitErr_InvalidPropertyValue;
  auto dict = static_cast<CFDictionaryRef>(plist);

  SInt32 version = 0, type = 0, subtype = 0, manufacturer = 0;
  FxString name;
  if (!GetNumber(dict, kKeyVersion, version) || !GetNumber(dict, kKeyType, type) ||
      !GetNumber(dict, kKeySubtype, subtype) || !GetNumber(dict, kKeyManufacturer, manufacturer) ||
      !GetDictString(dict, kKeyName, name))
    return kAudioUnitErr_InvalidPropertyValue;
  if (type != GetAUPluginType() || subtype != GetUniqueID() || manufacturer != GetMfrID())
    return kAudioUnitErr_InvalidPropertyValue;

  IStateChunk chunk;
  if (!GetDictData(dict, kKeyData, chunk)) return kAudioUnitErr_InvalidPropertyValue;

  // Keep what is there, so a state the reader refuses changes nothing.
  const int prevPresetIdx = GetCurrentPresetIdx();
  IStateChunk saved;
  const bool haveSaved = SerializeState(saved);

  // The preset the state names becomes the current one, but its own values are not restored
  // first: the state's replace them at once, and blocks rendered meanwhile would be processed
  // with settings that are neither the old ones nor the state's.
  const int named = FindPresetIdx(name.Get());
  if (named >= 0) mCurrentPresetIdx = named;
  if (UnserializeState(chunk, 0) < 1)
  {
    mCurrentPresetIdx = prevPresetIdx;
    if (haveSaved) UnserializeState(saved, 0);
    return kAudioUnitErr_InvalidPropertyValue;
  }
  mHostPresetSet = false;  // the state now comes from the document
  OnRestoreState();
  return noErr;
}

} // namespace fx
