// Fonts made from TrueType or OpenType data (the first face of a
// collection). CF objects. Any thread; objects are immutable.
#pragma once

#include <CoreFoundation/CFString.h>
#include <CoreGraphics/CGDataProvider.h>

typedef struct OpaqueCGFont* CGFontRef;

extern "C" {

CFTypeID CGFontGetTypeID(void);
// Null when the provider's bytes are not a font with 'head' and 'name' tables.
CGFontRef CGFontCreateWithDataProvider(CGDataProviderRef provider);
CGFontRef CGFontRetain(CGFontRef font);  // null is ignored
void CGFontRelease(CGFontRef font);      // null is ignored
CFStringRef CGFontCopyPostScriptName(CGFontRef font);  // null when the font has none
CFStringRef CGFontCopyFullName(CGFontRef font);
int CGFontGetUnitsPerEm(CGFontRef font);

}  // extern "C"
