// Ordered arrays of pointers with caller-chosen retain/release callbacks.
// Any thread; objects not locked.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFArrayCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFArrayEqualCallBack)(const void* value1, const void* value2);
typedef void (*CFArrayApplierFunction)(const void* value, void* context);

struct CFArrayCallBacks {
  CFIndex version;
  CFArrayRetainCallBack retain;
  CFArrayReleaseCallBack release;
  CFArrayCopyDescriptionCallBack copyDescription;
  CFArrayEqualCallBack equal;
};

typedef const struct OpaqueCFArray* CFArrayRef;
typedef struct OpaqueCFArray* CFMutableArrayRef;

extern "C" {

// CFRetain/CFRelease/CFCopyDescription/CFEqual.
extern const CFArrayCallBacks kCFTypeArrayCallBacks;

CFTypeID CFArrayGetTypeID(void);
// A null callbacks pointer stores the pointers as they are (no retain,
// pointer equality). Null when numValues is negative.
CFArrayRef CFArrayCreate(CFAllocatorRef alloc, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks);
CFArrayRef CFArrayCreateCopy(CFAllocatorRef alloc, CFArrayRef array);
// capacity 0 means unlimited; appends beyond a non-zero capacity are refused.
CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef alloc, CFIndex capacity, const CFArrayCallBacks* callBacks);
CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef alloc, CFIndex capacity, CFArrayRef array);

CFIndex CFArrayGetCount(CFArrayRef array);
// Null for an index out of range.
const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex idx);
void CFArrayGetValues(CFArrayRef array, CFRange range, const void** values);
Boolean CFArrayContainsValue(CFArrayRef array, CFRange range, const void* value);
CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef array, CFRange range, const void* value);
CFIndex CFArrayGetCountOfValue(CFArrayRef array, CFRange range, const void* value);
void CFArrayApplyFunction(CFArrayRef array, CFRange range, CFArrayApplierFunction applier, void* context);

// Mutation; indices out of range are ignored.
void CFArrayAppendValue(CFMutableArrayRef array, const void* value);
void CFArrayInsertValueAtIndex(CFMutableArrayRef array, CFIndex idx, const void* value);
void CFArraySetValueAtIndex(CFMutableArrayRef array, CFIndex idx, const void* value);
void CFArrayRemoveValueAtIndex(CFMutableArrayRef array, CFIndex idx);
void CFArrayRemoveAllValues(CFMutableArrayRef array);
void CFArrayAppendArray(CFMutableArrayRef array, CFArrayRef other, CFRange otherRange);

}  // extern "C"
