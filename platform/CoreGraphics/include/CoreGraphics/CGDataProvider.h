// Sources of bytes for fonts and images. Providers are CF objects (CFRetain,
// CFRelease and the CoreFoundation layer's live count apply). Any thread;
// objects are immutable.
#pragma once

#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFURL.h>
#include <CoreGraphics/CGBase.h>

typedef struct OpaqueCGDataProvider* CGDataProviderRef;
typedef void (*CGDataProviderReleaseDataCallback)(void* info, const void* data, size_t size);

extern "C" {

CFTypeID CGDataProviderGetTypeID(void);
// The file of a file URL, read when the provider is made; null when it
// cannot be read or the URL is not a file URL.
CGDataProviderRef CGDataProviderCreateWithURL(CFURLRef url);
CGDataProviderRef CGDataProviderCreateWithFilename(const char* filename);
// The caller's bytes, not copied: releaseData(info, data, size) is called
// when the provider is freed (also when creation fails). Null data gives null.
CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback releaseData);
CGDataProviderRef CGDataProviderCreateWithCFData(CFDataRef data);
// A copy of all the bytes (one reference for the caller).
CFDataRef CGDataProviderCopyData(CGDataProviderRef provider);
CGDataProviderRef CGDataProviderRetain(CGDataProviderRef provider);  // null is ignored
void CGDataProviderRelease(CGDataProviderRef provider);              // null is ignored

}  // extern "C"
