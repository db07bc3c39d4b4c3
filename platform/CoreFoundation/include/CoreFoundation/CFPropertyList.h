// Property lists: strings, numbers, booleans, data, dates, arrays and
// dictionaries with string keys, read from and written to the XML format.
// Reading checks everything: malformed or hostile input gives null and an
// error, never a crash. Any thread.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFError.h>

typedef CFIndex CFPropertyListFormat;
enum {
  kCFPropertyListOpenStepFormat = 1,
  kCFPropertyListXMLFormat_v1_0 = 100,
  kCFPropertyListBinaryFormat_v1_0 = 200
};

typedef CFOptionFlags CFPropertyListMutabilityOptions;
enum {
  kCFPropertyListImmutable = 0,
  kCFPropertyListMutableContainers = 1,
  kCFPropertyListMutableContainersAndLeaves = 2
};

extern "C" {

// Only the XML format is written; any other format gives null and an error.
CFDataRef CFPropertyListCreateData(CFAllocatorRef alloc, CFPropertyListRef propertyList, CFPropertyListFormat format,
                                   CFOptionFlags options, CFErrorRef* error);
// Reads an XML property list; format receives kCFPropertyListXMLFormat_v1_0.
CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef alloc, CFDataRef data, CFOptionFlags options,
                                               CFPropertyListFormat* format, CFErrorRef* error);
Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format);

// Older forms of the same two operations.
CFDataRef CFPropertyListCreateXMLData(CFAllocatorRef alloc, CFPropertyListRef propertyList);
CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef alloc, CFDataRef xmlData, CFOptionFlags mutabilityOption,
                                                  CFStringRef* errorString);

}  // extern "C"
