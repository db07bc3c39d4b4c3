// Font descriptors: a set of attributes that names a font. A descriptor
// made from attributes is matched against the installed fonts (the layer's
// font folders, CTFontFolders.h) by name, or by family and style, when an
// attribute it does not hold, such as the URL, is asked for; one holding a
// URL describes the first face of that file. CF objects. Any thread.
#pragma once

#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>
#include <CoreGraphics/CGBase.h>

typedef const struct OpaqueCTFontDescriptor* CTFontDescriptorRef;

extern "C" {

extern const CFStringRef kCTFontURLAttribute;          // CFURL of the font file
extern const CFStringRef kCTFontNameAttribute;         // PostScript name
extern const CFStringRef kCTFontDisplayNameAttribute;  // full name
extern const CFStringRef kCTFontFamilyNameAttribute;
extern const CFStringRef kCTFontStyleNameAttribute;
extern const CFStringRef kCTFontSizeAttribute;         // CFNumber

CFTypeID CTFontDescriptorGetTypeID(void);
// Null for a null dictionary.
CTFontDescriptorRef CTFontDescriptorCreateWithAttributes(CFDictionaryRef attributes);
CTFontDescriptorRef CTFontDescriptorCreateWithNameAndSize(CFStringRef name, CGFloat size);
// The attributes the descriptor was made with (one reference for the caller).
CFDictionaryRef CTFontDescriptorCopyAttributes(CTFontDescriptorRef descriptor);
// An attribute the descriptor holds, else the attribute of the installed
// font it matches (URL, names); null when it holds none and matches none.
CFTypeRef CTFontDescriptorCopyAttribute(CTFontDescriptorRef descriptor, CFStringRef attribute);

}  // extern "C"
