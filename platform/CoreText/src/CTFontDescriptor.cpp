#include <new>

#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFURL.h>

#include "CTInternal.h"

extern "C" {
const CFStringRef kCTFontURLAttribute = CFSTR("NSFontURLAttribute");
const CFStringRef kCTFontNameAttribute = CFSTR("NSFontNameAttribute");
const CFStringRef kCTFontDisplayNameAttribute = CFSTR("NSFontVisibleNameAttribute");
const CFStringRef kCTFontFamilyNameAttribute = CFSTR("NSFontFamilyAttribute");
const CFStringRef kCTFontStyleNameAttribute = CFSTR("NSFontFaceAttribute");
const CFStringRef kCTFontSizeAttribute = CFSTR("NSFontSizeAttribute");
}

OpaqueCTFontDescriptor::OpaqueCTFontDescriptor(CFDictionaryRef attrs, CGFontRef describedFont)
    : cfx::Object(kType, false), attributes(CFDictionaryCreateCopy(nullptr, attrs)), font(CGFontRetain(describedFont)) {}

OpaqueCTFontDescriptor::~OpaqueCTFontDescriptor() {
  if (attributes != nullptr) CFRelease(attributes);
  CGFontRelease(font);
}

const std::optional<ctx::InstalledFace>& OpaqueCTFontDescriptor::match() const {
  std::call_once(matched_, [this] {
    if (font != nullptr || attributes == nullptr) return;
    // A descriptor naming a file describes that file's first face.
    const auto url = static_cast<CFURLRef>(CFDictionaryGetValue(attributes, kCTFontURLAttribute));
    UInt8 path[4096];
    if (url != nullptr && CFGetTypeID(url) == CFURLGetTypeID() &&
        CFURLGetFileSystemRepresentation(url, true, path, sizeof path)) {
      match_ = ctx::FileFace(reinterpret_cast<const char*>(path));
      return;
    }
    match_ = ctx::MatchInstalledFace(ctx::Text(CFDictionaryGetValue(attributes, kCTFontNameAttribute)),
                                     ctx::Text(CFDictionaryGetValue(attributes, kCTFontFamilyNameAttribute)),
                                     ctx::Text(CFDictionaryGetValue(attributes, kCTFontStyleNameAttribute)));
  });
  return match_;
}

extern "C" {

CFTypeID CTFontDescriptorGetTypeID(void) { return cfx::kTypeFontDescriptor; }

CTFontDescriptorRef CTFontDescriptorCreateWithAttributes(CFDictionaryRef attributes) {
  if (attributes == nullptr) return nullptr;
  auto* d = new (std::nothrow) OpaqueCTFontDescriptor(attributes, nullptr);
  if (d != nullptr && d->attributes == nullptr) {
    d->Release();
    return nullptr;
  }
  return d;
}

CTFontDescriptorRef CTFontDescriptorCreateWithNameAndSize(CFStringRef name, CGFloat size) {
  if (name == nullptr) return nullptr;
  CFNumberRef number = CFNumberCreate(nullptr, kCFNumberDoubleType, &size);
  const void* keys[] = {kCTFontNameAttribute, kCTFontSizeAttribute};
  const void* values[] = {name, number};
  CFDictionaryRef attrs = CFDictionaryCreate(nullptr, keys, values, number != nullptr ? 2 : 1,
                                             &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  if (number != nullptr) CFRelease(number);
  CTFontDescriptorRef d = CTFontDescriptorCreateWithAttributes(attrs);
  if (attrs != nullptr) CFRelease(attrs);
  return d;
}

CFDictionaryRef CTFontDescriptorCopyAttributes(CTFontDescriptorRef descriptor) {
  const auto* d = cfx::As<OpaqueCTFontDescriptor>(descriptor);
  return d != nullptr ? CFDictionaryCreateCopy(nullptr, d->attributes) : nullptr;
}

CFTypeRef CTFontDescriptorCopyAttribute(CTFontDescriptorRef descriptor, CFStringRef attribute) {
  const auto* d = cfx::As<OpaqueCTFontDescriptor>(descriptor);
  if (d == nullptr || attribute == nullptr) return nullptr;
  if (CFTypeRef value = CFDictionaryGetValue(d->attributes, attribute)) return CFRetain(value);
  const auto& match = d->match();
  if (!match) return nullptr;
  if (CFEqual(attribute, kCTFontURLAttribute)) {
    CFStringRef path = ctx::NewText(match->path);
    CFURLRef url = path != nullptr ? CFURLCreateWithFileSystemPath(nullptr, path, kCFURLPOSIXPathStyle, false) : nullptr;
    if (path != nullptr) CFRelease(path);
    return url;
  }
  if (CFEqual(attribute, kCTFontFamilyNameAttribute)) return ctx::NewText(match->family);
  if (CFEqual(attribute, kCTFontStyleNameAttribute)) return ctx::NewText(match->style);
  if (CFEqual(attribute, kCTFontNameAttribute)) return ctx::NewText(match->postScriptName);
  if (CFEqual(attribute, kCTFontDisplayNameAttribute)) return ctx::NewText(match->fullName);
  return nullptr;
}

}  // extern "C"
