#include <algorithm>
#include <cmath>

#include <AppKit/NSColor.h>
#include <AppKit/NSFont.h>

NS_IMPLEMENT_CLASS(NSColor)
NS_IMPLEMENT_CLASS(NSFont)

NSColorSpaceName const NSDeviceRGBColorSpaceName = nsx::ConstantString("NSDeviceRGBColorSpace");

namespace {
CGFloat Clamp(CGFloat v) { return std::isfinite(v) ? std::clamp<CGFloat>(v, 0, 1) : 0; }
}  // namespace

NSColor* NSColor::make(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  NSColor* c = alloc();
  c->r_ = Clamp(r), c->g_ = Clamp(g), c->b_ = Clamp(b), c->a_ = Clamp(a);
  return static_cast<NSColor*>(c->autorelease());
}

NSColor* NSColor::colorWithDeviceRed(CGFloat r, CGFloat g, CGFloat b, CGFloat a) { return make(r, g, b, a); }
NSColor* NSColor::colorWithCalibratedRed(CGFloat r, CGFloat g, CGFloat b, CGFloat a) { return make(r, g, b, a); }
NSColor* NSColor::colorWithSRGBRed(CGFloat r, CGFloat g, CGFloat b, CGFloat a) { return make(r, g, b, a); }
NSColor* NSColor::colorWithRed(CGFloat r, CGFloat g, CGFloat b, CGFloat a) { return make(r, g, b, a); }
NSColor* NSColor::blackColor() { return make(0, 0, 0, 1); }
NSColor* NSColor::whiteColor() { return make(1, 1, 1, 1); }
NSColor* NSColor::clearColor() { return make(0, 0, 0, 0); }
NSColor* NSColor::textColor() { return make(0, 0, 0, 1); }
NSColor* NSColor::textBackgroundColor() { return make(1, 1, 1, 1); }

void NSColor::getRed(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const {
  if (red != nullptr) *red = r_;
  if (green != nullptr) *green = g_;
  if (blue != nullptr) *blue = b_;
  if (alpha != nullptr) *alpha = a_;
}

BOOL NSColor::isEqual(id other) {
  if (other == this) return YES;
  if (other == nullptr || !other->isKindOfClass(class_())) return NO;
  const auto* c = static_cast<NSColor*>(other);
  return c->r_ == r_ && c->g_ == g_ && c->b_ == b_ && c->a_ == a_;
}

NSFont* NSFont::wrap(CTFontRef font) {
  if (font == nullptr) return nullptr;
  NSFont* f = alloc();
  f->font_ = font;
  return static_cast<NSFont*>(f->autorelease());
}

NSFont* NSFont::fontWithDescriptor(CTFontDescriptorRef descriptor, CGFloat size) {
  return descriptor != nullptr ? wrap(CTFontCreateWithFontDescriptor(descriptor, size, nullptr)) : nullptr;
}

NSFont* NSFont::fontWithName(NSString* name, CGFloat size) {
  return name != nullptr ? wrap(CTFontCreateWithName(name->cfString(), size, nullptr)) : nullptr;
}

NSFont* NSFont::systemFontOfSize(CGFloat size) {
  for (const char* family : {"DejaVu Sans", "Roboto", "Liberation Sans"}) {
    const void* keys[] = {kCTFontFamilyNameAttribute};
    CFStringRef name = CFStringCreateWithCString(nullptr, family, kCFStringEncodingUTF8);
    const void* values[] = {name};
    CFDictionaryRef attrs = CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks,
                                               &kCFTypeDictionaryValueCallBacks);
    CFRelease(name);
    CTFontDescriptorRef d = CTFontDescriptorCreateWithAttributes(attrs);
    CFRelease(attrs);
    NSFont* f = fontWithDescriptor(d, size > 0 ? size : systemFontSize());
    if (d != nullptr) CFRelease(d);
    if (f != nullptr) return f;
  }
  return nullptr;
}

CGFloat NSFont::pointSize() const { return CTFontGetSize(font_); }

NSString* NSFont::fontName() const {
  CFStringRef s = CTFontCopyPostScriptName(font_);
  NSString* out = NSString::stringWithCFString(s);
  if (s != nullptr) CFRelease(s);
  return out;
}

NSString* NSFont::familyName() const {
  CFStringRef s = CTFontCopyFamilyName(font_);
  NSString* out = NSString::stringWithCFString(s);
  if (s != nullptr) CFRelease(s);
  return out;
}

void NSFont::dealloc() {
  if (font_ != nullptr) CFRelease(font_);
  NSObject::dealloc();
}
