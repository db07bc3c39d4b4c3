// Core scalar types and the object model of the CoreFoundation layer.
// Every object is reference counted: Create/Copy functions hand out one
// reference the caller releases with CFRelease; Get functions do not.
// Retain and release are thread safe; objects themselves are not locked.
#pragma once

#include <cstddef>
#include <cstdint>

// Fixed-size scalar types used across the platform interfaces.
typedef unsigned char Boolean;
typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef unsigned long long UInt64;
typedef long long SInt64;
typedef float Float32;
typedef double Float64;
typedef UInt8 Byte;
typedef SInt8 SignedByte;
typedef UInt16 UniChar;
typedef SInt32 OSStatus;
typedef SInt16 OSErr;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef signed char BOOL;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

enum { noErr = 0 };

typedef long CFIndex;
typedef unsigned long CFTypeID;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFHashCode;

typedef const void* CFTypeRef;
typedef const struct OpaqueCFAllocator* CFAllocatorRef;
typedef const struct OpaqueCFString* CFStringRef;
typedef struct OpaqueCFString* CFMutableStringRef;
typedef CFTypeRef CFPropertyListRef;

struct CFRange {
  CFIndex location;
  CFIndex length;
};
inline CFRange CFRangeMake(CFIndex location, CFIndex length) { return CFRange{location, length}; }

typedef CFIndex CFComparisonResult;
enum {
  kCFCompareLessThan = -1,
  kCFCompareEqualTo = 0,
  kCFCompareGreaterThan = 1
};

enum { kCFNotFound = -1 };

extern "C" {

// Allocators: the layer has one heap; every allocator argument may be null.
extern const CFAllocatorRef kCFAllocatorDefault;
extern const CFAllocatorRef kCFAllocatorSystemDefault;
extern const CFAllocatorRef kCFAllocatorMalloc;
extern const CFAllocatorRef kCFAllocatorNull;
CFAllocatorRef CFAllocatorGetDefault(void);
void* CFAllocatorAllocate(CFAllocatorRef allocator, CFIndex size, CFOptionFlags hint);
void CFAllocatorDeallocate(CFAllocatorRef allocator, void* ptr);

// Object model.
CFTypeRef CFRetain(CFTypeRef object);  // null is ignored, returns object
void CFRelease(CFTypeRef object);      // null is ignored
CFIndex CFGetRetainCount(CFTypeRef object);
CFTypeID CFGetTypeID(CFTypeRef object);
Boolean CFEqual(CFTypeRef a, CFTypeRef b);
CFHashCode CFHash(CFTypeRef object);
CFStringRef CFCopyDescription(CFTypeRef object);
CFStringRef CFCopyTypeIDDescription(CFTypeID typeID);

}  // extern "C"
