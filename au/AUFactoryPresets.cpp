#include "au/AUFactoryPresets.h"

#include "au/IFxAU.h"

namespace fx {

FactoryPresetRecord* FactoryPresetNew(CFAllocatorRef allocator, SInt32 number, CFStringRef name)
{
  auto* rec = static_cast<FactoryPresetRecord*>(CFAllocatorAllocate(allocator, sizeof(FactoryPresetRecord), 0));
  if (!rec) return nullptr;
  rec->mPreset.presetNumber = number;
  rec->mPreset.presetName = name ? CFStringCreateCopy(allocator, name) : nullptr;
  rec->mZero = 0;
  rec->mAllocator = allocator;
  rec->mRefCount = 1;
  return rec;
}

const void* FactoryPresetArrayRetain(CFAllocatorRef /*allocator*/, const void* value)
{
  auto* rec = const_cast<FactoryPresetRecord*>(static_cast<const FactoryPresetRecord*>(value));
  if (!rec) return value;
  if (rec->mPreset.presetName) CFRetain(rec->mPreset.presetName);
  ++rec->mRefCount;
  return value;
}

void FactoryPresetArrayRelease(CFAllocatorRef /*allocator*/, const void* value)
{
  auto* rec = const_cast<FactoryPresetRecord*>(static_cast<const FactoryPresetRecord*>(value));
  if (!rec || rec->mRefCount < 1) return;
  if (rec->mPreset.presetName) CFRelease(rec->mPreset.presetName);
  if (--rec->mRefCount == 0)
  {
    rec->mPreset.presetName = nullptr;
    rec->mPreset.presetNumber = 0;
    CFAllocatorDeallocate(rec->mAllocator, rec);
  }
}

CFStringRef FactoryPresetDescribe(const void* value)
{
  const auto* rec = static_cast<const FactoryPresetRecord*>(value);
  if (!rec) return nullptr;
  return CFStringCreateWithFormat(kCFAllocatorDefault, nullptr, CFSTR("AUPreset:\npreset number = %d\npreset name = %@"),
                                  static_cast<int>(rec->mPreset.presetNumber), rec->mPreset.presetName);
}

Boolean FactoryPresetEqual(const void* value1, const void* value2)
{
  const auto* a = static_cast<const FactoryPresetRecord*>(value1);
  const auto* b = static_cast<const FactoryPresetRecord*>(value2);
  if (a == b) return true;
  if (!a || !b || a->mPreset.presetNumber != b->mPreset.presetNumber) return false;
  if (!a->mPreset.presetName || !b->mPreset.presetName) return a->mPreset.presetName == b->mPreset.presetName;
  return CFStringCompare(a->mPreset.presetName, b->mPreset.presetName, 0) == kCFCompareEqualTo;
}

void FactoryPresetFillCallBacks(CFArrayCallBacks* callBacks)
{
  if (!callBacks) return;
  callBacks->version = 0;
  callBacks->retain = &FactoryPresetArrayRetain;
  callBacks->release = &FactoryPresetArrayRelease;
  callBacks->copyDescription = &FactoryPresetDescribe;
  callBacks->equal = &FactoryPresetEqual;
}

CFArrayRef CreateFactoryPresetArray(const IFxAU& plug)
{
  CFArrayCallBacks callBacks;
  FactoryPresetFillCallBacks(&callBacks);
  const int n = plug.NPresets();
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, n, &callBacks);
  if (!array) return nullptr;
  for (int i = 0; i < n; ++i)
  {
    CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, plug.GetPresetName(i), kCFStringEncodingUTF8);
    if (!name) name = CFStringCreateWithCString(kCFAllocatorDefault, "", kCFStringEncodingUTF8);
    FactoryPresetRecord* rec = FactoryPresetNew(kCFAllocatorDefault, i, name);
    if (name) CFRelease(name);
    if (!rec)
    {
      CFRelease(array);
      return nullptr;
    }
    CFArrayAppendValue(array, rec);
    FactoryPresetArrayRelease(kCFAllocatorDefault, rec);
  }
  return array;
}

} // namespace fx
