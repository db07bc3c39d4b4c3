#include <new>

#include <CoreFoundation/CFObject.h>
#include <CoreGraphics/CGFontBytes.h>

struct OpaqueCGFont final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeGraphicsFont;
  explicit OpaqueCGFont(CGDataProviderRef p) : cfx::Object(kType, false), provider(CGDataProviderRetain(p)) {}
  ~OpaqueCGFont() override { CGDataProviderRelease(provider); }
  CGDataProviderRef provider;
  cgx::SfntFace face;
  uint32_t faceIndex = 0;
};

namespace {

const OpaqueCGFont* Font(CGFontRef f) { return cfx::As<OpaqueCGFont>(f); }

CFStringRef CopyText(const std::string& text) {
  if (text.empty()) return nullptr;
  return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                                 static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
}

}  // namespace

extern "C" {

CFTypeID CGFontGetTypeID(void) { return cfx::kTypeGraphicsFont; }

CGFontRef CGFontCreateWithDataProvider(CGDataProviderRef provider) { return cgx::CreateFontWithFace(provider, 0); }

CGFontRef CGFontRetain(CGFontRef font) {
  CFRetain(font);
  return font;
}

void CGFontRelease(CGFontRef font) { CFRelease(font); }

CFStringRef CGFontCopyPostScriptName(CGFontRef font) {
  const OpaqueCGFont* f = Font(font);
  return f != nullptr ? CopyText(f->face.postScriptName) : nullptr;
}

CFStringRef CGFontCopyFullName(CGFontRef font) {
  const OpaqueCGFont* f = Font(font);
  return f != nullptr ? CopyText(f->face.fullName) : nullptr;
}

int CGFontGetUnitsPerEm(CGFontRef font) {
  const OpaqueCGFont* f = Font(font);
  return f != nullptr ? f->face.unitsPerEm : 0;
}

}  // extern "C"

namespace cgx {

CGDataProviderRef FontProvider(CGFontRef font) {
  const OpaqueCGFont* f = Font(font);
  return f != nullptr ? f->provider : nullptr;
}

CGFontRef CreateFontWithFace(CGDataProviderRef provider, uint32_t faceIndex) {
  size_t size = 0;
  const uint8_t* bytes = ProviderBytes(provider, &size);
  if (bytes == nullptr) return nullptr;
  SfntFace face;
  if (!SfntReadFace(SfntMemory(bytes, size), faceIndex, face)) return nullptr;
  auto* font = new (std::nothrow) OpaqueCGFont(provider);
  if (font == nullptr) return nullptr;
  font->face = std::move(face);
  font->faceIndex = faceIndex;
  return font;
}

uint32_t FontFaceIndex(CGFontRef font) {
  const OpaqueCGFont* f = Font(font);
  return f != nullptr ? f->faceIndex : 0;
}

const SfntFace* FontFace(CGFontRef font) {
  const OpaqueCGFont* f = Font(font);
  return f != nullptr ? &f->face : nullptr;
}

}  // namespace cgx
