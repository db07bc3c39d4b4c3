#pragma once
// The factory-preset array handed to the host: one reference-counted record per preset whose
// first two fields are the platform's AUPreset, held by a CFArray with callbacks that retain
// and release the records. Main thread (the host may release the array on any thread).

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>

namespace fx {

class IFxAU;

struct FactoryPresetRecord
{
  AUPreset mPreset;        // number and name, as the host reads them
  uint32_t mZero;
  CFAllocatorRef mAllocator;
  int64_t mRefCount;
};

/** A record with a copy of the name and a count of 1; null when out of memory. */
FactoryPresetRecord* FactoryPresetNew(CFAllocatorRef allocator, SInt32 number, CFStringRef name);
const void* FactoryPresetArrayRetain(CFAllocatorRef allocator, const void* value);
void FactoryPresetArrayRelease(CFAllocatorRef allocator, const void* value);
CFStringRef FactoryPresetDescribe(const void* value);
Boolean FactoryPresetEqual(const void* value1, const void* value2);
void FactoryPresetFillCallBacks(CFArrayCallBacks* callBacks);

/** A new array of the plug-in's presets in index order; null when it cannot be made. */
CFArrayRef CreateFactoryPresetArray(const IFxAU& plug);

} // namespace fx
