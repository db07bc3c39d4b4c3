// Bundles: folders registered with the layer's bundle registry
// (CFBundleRegistry.h). Bundles stay alive for the life of the process;
// Get functions return registry-owned objects. Any thread.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>

typedef struct OpaqueCFBundle* CFBundleRef;

extern "C" {

extern const CFStringRef kCFBundleInfoDictionaryVersionKey;  // "CFBundleInfoDictionaryVersion"
extern const CFStringRef kCFBundleExecutableKey;             // "CFBundleExecutable"
extern const CFStringRef kCFBundleIdentifierKey;             // "CFBundleIdentifier"
extern const CFStringRef kCFBundleVersionKey;                // "CFBundleVersion"
extern const CFStringRef kCFBundleNameKey;                   // "CFBundleName"
extern const CFStringRef kCFBundleDevelopmentRegionKey;      // "CFBundleDevelopmentRegion"

CFTypeID CFBundleGetTypeID(void);

// The bundle registered as main; when none was, a bundle for the running
// executable's folder without an identifier. Never null.
CFBundleRef CFBundleGetMainBundle(void);
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);  // null when not registered
// The registered bundle at that folder; null when none is.
CFBundleRef CFBundleCreate(CFAllocatorRef alloc, CFURLRef bundleURL);

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);  // null when it has none
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);  // null when absent

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);         // null when it has none
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
// The file resourceName[.resourceType] in the resources folder (or its
// subDirName); null when no such file exists. Names with ".." are refused.
CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType,
                                 CFStringRef subDirName);

}  // extern "C"
