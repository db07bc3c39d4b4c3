#include <cmath>
#include <new>
#include <vector>

#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFURL.h>
#include <CoreGraphics/CGFontBytes.h>

#include "CTInternal.h"

extern "C" {
const CFStringRef kCTFontFamilyNameKey = CFSTR("CTFontFamilyName");
const CFStringRef kCTFontStyleNameKey = CFSTR("CTFontSubFamilyName");
const CFStringRef kCTFontFullNameKey = CFSTR("CTFontFullName");
const CFStringRef kCTFontPostScriptNameKey = CFSTR("CTFontPostScriptName");
}

OpaqueCTFont::OpaqueCTFont(CGFontRef graphicsFont, CGFloat pointSize, CFDictionaryRef extraAttributes)
    : cfx::Object(kType, false),
      graphics(CGFontRetain(graphicsFont)),
      size(pointSize > 0 && std::isfinite(pointSize) ? pointSize : 12.0),
      extra(extraAttributes != nullptr ? static_cast<CFDictionaryRef>(CFRetain(extraAttributes)) : nullptr) {}

OpaqueCTFont::~OpaqueCTFont() {
  CGFontRelease(graphics);
  if (extra != nullptr) CFRelease(extra);
}

namespace {

const OpaqueCTFont* Font(CTFontRef f) { return cfx::As<OpaqueCTFont>(f); }

const cgx::SfntFace& Face(const OpaqueCTFont* f) {
  static const cgx::SfntFace none;
  const cgx::SfntFace* face = cgx::FontFace(f->graphics);
  return face != nullptr ? *face : none;
}

// The attributes of a font's own descriptor.
CFMutableDictionaryRef FontAttributes(const OpaqueCTFont* f) {
  CFMutableDictionaryRef attrs =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  if (attrs == nullptr) return nullptr;
  auto put = [&](CFStringRef key, CFTypeRef value) {
    if (value == nullptr) return;
    CFDictionarySetValue(attrs, key, value);
    CFRelease(value);
  };
  if (f->extra != nullptr) {
    const CFIndex n = CFDictionaryGetCount(f->extra);
    std::vector<const void*> keys(n), values(n);
    CFDictionaryGetKeysAndValues(f->extra, keys.data(), values.data());
    for (CFIndex i = 0; i < n; ++i) CFDictionarySetValue(attrs, keys[i], values[i]);
  }
  const cgx::SfntFace& face = Face(f);
  put(kCTFontNameAttribute, ctx::NewText(face.postScriptName));
  put(kCTFontDisplayNameAttribute, ctx::NewText(face.fullName));
  put(kCTFontFamilyNameAttribute, ctx::NewText(face.family));
  put(kCTFontStyleNameAttribute, ctx::NewText(face.style));
  put(kCTFontSizeAttribute, CFNumberCreate(nullptr, kCFNumberDoubleType, &f->size));
  if (CFURLRef url = cgx::ProviderURL(cgx::FontProvider(f->graphics))) put(kCTFontURLAttribute, CFRetain(url));
  return attrs;
}

}  // namespace

extern "C" {

CFTypeID CTFontGetTypeID(void) { return cfx::kTypeFont; }

CTFontRef CTFontCreateWithGraphicsFont(CGFontRef graphicsFont, CGFloat size, const CGAffineTransform*,
                                       CTFontDescriptorRef attributes) {
  if (graphicsFont == nullptr || CFGetTypeID(graphicsFont) != CGFontGetTypeID()) return nullptr;
  const auto* d = cfx::As<OpaqueCTFontDescriptor>(attributes);
  return new (std::nothrow) OpaqueCTFont(graphicsFont, size, d != nullptr ? d->attributes : nullptr);
}

CTFontRef CTFontCreateWithFontDescriptor(CTFontDescriptorRef descriptor, CGFloat size, const CGAffineTransform* matrix) {
  const auto* d = cfx::As<OpaqueCTFontDescriptor>(descriptor);
  if (d == nullptr) return nullptr;
  if (d->font != nullptr) return CTFontCreateWithGraphicsFont(d->font, size, matrix, nullptr);
  const auto& match = d->match();
  if (!match) return nullptr;
  CGDataProviderRef provider = CGDataProviderCreateWithFilename(match->path.c_str());
  CGFontRef font = cgx::CreateFontWithFace(provider, match->faceIndex);
  CTFontRef result = font != nullptr ? CTFontCreateWithGraphicsFont(font, size, matrix, nullptr) : nullptr;
  CGFontRelease(font);
  CGDataProviderRelease(provider);
  return result;
}

CTFontRef CTFontCreateWithName(CFStringRef name, CGFloat size, const CGAffineTransform* matrix) {
  CTFontDescriptorRef d = CTFontDescriptorCreateWithNameAndSize(name, size);
  CTFontRef font = CTFontCreateWithFontDescriptor(d, size, matrix);
  if (d != nullptr) CFRelease(d);
  return font;
}

CTFontDescriptorRef CTFontCopyFontDescriptor(CTFontRef font) {
  const OpaqueCTFont* f = Font(font);
  if (f == nullptr) return nullptr;
  CFMutableDictionaryRef attrs = FontAttributes(f);
  if (attrs == nullptr) return nullptr;
  auto* d = new (std::nothrow) OpaqueCTFontDescriptor(attrs, f->graphics);
  CFRelease(attrs);
  return d;
}

CFTypeRef CTFontCopyAttribute(CTFontRef font, CFStringRef attribute) {
  CTFontDescriptorRef d = CTFontCopyFontDescriptor(font);
  CFTypeRef value = CTFontDescriptorCopyAttribute(d, attribute);
  if (d != nullptr) CFRelease(d);
  return value;
}

CGFloat CTFontGetSize(CTFontRef font) {
  const OpaqueCTFont* f = Font(font);
  return f != nullptr ? f->size : 0.0;
}

unsigned CTFontGetUnitsPerEm(CTFontRef font) {
  const OpaqueCTFont* f = Font(font);
  return f != nullptr ? Face(f).unitsPerEm : 0;
}

CGFontRef CTFontCopyGraphicsFont(CTFontRef font, CTFontDescriptorRef* attributes) {
  if (attributes != nullptr) *attributes = nullptr;
  const OpaqueCTFont* f = Font(font);
  return f != nullptr ? CGFontRetain(f->graphics) : nullptr;
}

CFStringRef CTFontCopyName(CTFontRef font, CFStringRef nameKey) {
  const OpaqueCTFont* f = Font(font);
  if (f == nullptr || nameKey == nullptr) return nullptr;
  const cgx::SfntFace& face = Face(f);
  if (CFEqual(nameKey, kCTFontFamilyNameKey)) return ctx::NewText(face.family);
  if (CFEqual(nameKey, kCTFontStyleNameKey)) return ctx::NewText(face.style);
  if (CFEqual(nameKey, kCTFontFullNameKey)) return ctx::NewText(face.fullName);
  if (CFEqual(nameKey, kCTFontPostScriptNameKey)) return ctx::NewText(face.postScriptName);
  return nullptr;
}

CFStringRef CTFontCopyFamilyName(CTFontRef font) { return CTFontCopyName(font, kCTFontFamilyNameKey); }
CFStringRef CTFontCopyPostScriptName(CTFontRef font) { return CTFontCopyName(font, kCTFontPostScriptNameKey); }
CFStringRef CTFontCopyFullName(CTFontRef font) { return CTFontCopyName(font, kCTFontFullNameKey); }

}  // extern "C"
