// Fonts at a size, made from a CGFont or from a descriptor. CF objects.
// Any thread; objects are immutable.
#pragma once

#include <CoreGraphics/CGAffineTransform.h>
#include <CoreGraphics/CGFont.h>
#include <CoreText/CTFontDescriptor.h>

typedef const struct OpaqueCTFont* CTFontRef;

extern "C" {

extern const CFStringRef kCTFontFamilyNameKey;
extern const CFStringRef kCTFontStyleNameKey;
extern const CFStringRef kCTFontFullNameKey;
extern const CFStringRef kCTFontPostScriptNameKey;

CFTypeID CTFontGetTypeID(void);
// size 0 (or not a positive number) means 12 points. matrix and attributes
// are accepted for shape; attributes' entries are added to the font's
// descriptor.
CTFontRef CTFontCreateWithGraphicsFont(CGFontRef graphicsFont, CGFloat size, const CGAffineTransform* matrix,
                                       CTFontDescriptorRef attributes);
// Null when the descriptor matches no font.
CTFontRef CTFontCreateWithFontDescriptor(CTFontDescriptorRef descriptor, CGFloat size, const CGAffineTransform* matrix);
CTFontRef CTFontCreateWithName(CFStringRef name, CGFloat size, const CGAffineTransform* matrix);
// A descriptor of exactly this font (name, family, style, display name,
// size, and the URL when the font was read from a file).
CTFontDescriptorRef CTFontCopyFontDescriptor(CTFontRef font);
CFTypeRef CTFontCopyAttribute(CTFontRef font, CFStringRef attribute);
CGFloat CTFontGetSize(CTFontRef font);
unsigned CTFontGetUnitsPerEm(CTFontRef font);
CGFontRef CTFontCopyGraphicsFont(CTFontRef font, CTFontDescriptorRef* attributes);
CFStringRef CTFontCopyName(CTFontRef font, CFStringRef nameKey);  // null when the font has no such name
CFStringRef CTFontCopyFamilyName(CTFontRef font);
CFStringRef CTFontCopyPostScriptName(CTFontRef font);
CFStringRef CTFontCopyFullName(CTFontRef font);

}  // extern "C"
