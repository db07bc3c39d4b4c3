// URLs: file URLs made from POSIX paths and general URL strings.
// Any thread; objects are immutable.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFString.h>

typedef const struct OpaqueCFURL* CFURLRef;

typedef CFIndex CFURLPathStyle;
enum {
  kCFURLPOSIXPathStyle = 0,
  kCFURLHFSPathStyle = 1,
  kCFURLWindowsPathStyle = 2
};

extern "C" {

CFTypeID CFURLGetTypeID(void);

// File URLs; only the POSIX path style is supported (others give null).
// A relative path is taken relative to the current folder.
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef alloc, CFStringRef filePath, CFURLPathStyle pathStyle,
                                       Boolean isDirectory);
CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef alloc, const UInt8* buffer, CFIndex bufLen,
                                                 Boolean isDirectory);
// A URL from its text ("scheme:..."); null when the text has no scheme.
// baseURL is accepted for shape and ignored.
CFURLRef CFURLCreateWithString(CFAllocatorRef alloc, CFStringRef URLString, CFURLRef baseURL);

CFStringRef CFURLGetString(CFURLRef url);          // not owned
CFStringRef CFURLCopyScheme(CFURLRef url);
CFStringRef CFURLCopyFileSystemPath(CFURLRef url, CFURLPathStyle pathStyle);  // null for non-file URLs
// Writes the terminated path; false for a non-file URL or a buffer too small.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer, CFIndex maxBufLen);
Boolean CFURLHasDirectoryPath(CFURLRef url);
CFStringRef CFURLCopyLastPathComponent(CFURLRef url);
CFStringRef CFURLCopyPathExtension(CFURLRef url);  // null when there is none
CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef alloc, CFURLRef url, CFStringRef pathComponent,
                                               Boolean isDirectory);
CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef alloc, CFURLRef url);

}  // extern "C"
