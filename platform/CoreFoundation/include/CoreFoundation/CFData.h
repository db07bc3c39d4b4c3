// Byte buffers, immutable or mutable. Any thread; objects not locked.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef const struct OpaqueCFData* CFDataRef;
typedef struct OpaqueCFData* CFMutableDataRef;

extern "C" {

CFTypeID CFDataGetTypeID(void);
// Null when length is negative or bytes is null with a non-zero length.
CFDataRef CFDataCreate(CFAllocatorRef alloc, const UInt8* bytes, CFIndex length);
CFDataRef CFDataCreateCopy(CFAllocatorRef alloc, CFDataRef data);
// capacity 0 means unlimited; otherwise the data never grows beyond it.
CFMutableDataRef CFDataCreateMutable(CFAllocatorRef alloc, CFIndex capacity);
CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef alloc, CFIndex capacity, CFDataRef data);
CFIndex CFDataGetLength(CFDataRef data);
const UInt8* CFDataGetBytePtr(CFDataRef data);
UInt8* CFDataGetMutableBytePtr(CFMutableDataRef data);
// Copies the range; a range outside the data copies nothing.
void CFDataGetBytes(CFDataRef data, CFRange range, UInt8* buffer);
void CFDataSetLength(CFMutableDataRef data, CFIndex length);  // new bytes are zero
void CFDataIncreaseLength(CFMutableDataRef data, CFIndex extraLength);
void CFDataAppendBytes(CFMutableDataRef data, const UInt8* bytes, CFIndex length);

}  // extern "C"
