// Immutable Unicode strings, stored as UTF-8. Lengths are counted in
// UTF-16 code units as on the platform. Any thread; objects not locked.
#pragma once

#include <cstdarg>

#include <CoreFoundation/CFBase.h>

typedef UInt32 CFStringEncoding;
enum {
  kCFStringEncodingMacRoman = 0,
  kCFStringEncodingWindowsLatin1 = 0x0500,
  kCFStringEncodingISOLatin1 = 0x0201,
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingUnicode = 0x0100,
  kCFStringEncodingUTF8 = 0x08000100,
  kCFStringEncodingNonLossyASCII = 0x0BFF,
  kCFStringEncodingInvalidId = 0xffffffffU
};

typedef CFOptionFlags CFStringCompareFlags;
enum {
  kCFCompareCaseInsensitive = 1,
  kCFCompareBackwards = 4,
  kCFCompareAnchored = 8,
  kCFCompareNonliteral = 16,
  kCFCompareLocalized = 32,
  kCFCompareNumerically = 64
};

extern "C" {

CFTypeID CFStringGetTypeID(void);

// Returns null when the bytes are not valid in the encoding.
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding);
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars, CFIndex numChars);
CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef str);
// printf-style formatting; "%@" inserts the description of a CF object.
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFTypeRef formatOptions,
                                                 CFStringRef format, va_list arguments);

CFIndex CFStringGetLength(CFStringRef str);
UniChar CFStringGetCharacterAtIndex(CFStringRef str, CFIndex idx);
void CFStringGetCharacters(CFStringRef str, CFRange range, UniChar* buffer);
// Writes a terminated copy; false when it does not fit or is not representable.
Boolean CFStringGetCString(CFStringRef str, char* buffer, CFIndex bufferSize, CFStringEncoding encoding);
// Direct pointer for UTF-8 (and ASCII-only strings asked as ASCII); null otherwise.
const char* CFStringGetCStringPtr(CFStringRef str, CFStringEncoding encoding);
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
CFComparisonResult CFStringCompare(CFStringRef a, CFStringRef b, CFStringCompareFlags options);
Boolean CFStringHasPrefix(CFStringRef str, CFStringRef prefix);
Boolean CFStringHasSuffix(CFStringRef str, CFStringRef suffix);

// Backing function of CFSTR: an interned string that is never freed.
CFStringRef CFStringMakeConstantString(const char* cStr);

}  // extern "C"

// A constant string from a UTF-8 literal; retain and release do nothing to
// it. Each use looks the literal up once and keeps the result.
#define CFSTR(cStr)                                                            \
  ([]() -> CFStringRef {                                                       \
    static const CFStringRef constantString = CFStringMakeConstantString("" cStr ""); \
    return constantString;                                                     \
  }())
