// Error objects returned by the property-list functions. Any thread.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef struct OpaqueCFError* CFErrorRef;

enum {
  // Property-list error codes of the Cocoa error domain.
  kCFPropertyListReadCorruptError = 3840,
  kCFPropertyListReadUnknownVersionError = 3841,
  kCFPropertyListReadStreamError = 3842,
  kCFPropertyListWriteStreamError = 3851,
  kCFPropertyListWriteInvalidError = 3852
};

extern "C" {

extern const CFStringRef kCFErrorDomainCocoa;
extern const CFStringRef kCFErrorDomainPOSIX;
extern const CFStringRef kCFErrorDomainOSStatus;

CFTypeID CFErrorGetTypeID(void);
// userInfo is not kept by this layer; the description is the message given.
CFErrorRef CFErrorCreate(CFAllocatorRef alloc, CFStringRef domain, CFIndex code, CFTypeRef userInfo);
CFStringRef CFErrorGetDomain(CFErrorRef err);
CFIndex CFErrorGetCode(CFErrorRef err);
CFStringRef CFErrorCopyDescription(CFErrorRef err);

}  // extern "C"
