#include "graphics/mac/CoreTextFont.h"

#include <CoreGraphics/CGFont.h>
#include <CoreText/CTFont.h>

#include <cstdlib>
#include <cstring>

#include "core/FxPaths.h"

namespace fx::gfx {
namespace {

// A file's font, from its provider to the descriptor of a CoreText font of
// it; null when CoreGraphics or CoreText refuses a step.
CTFontDescriptorRef DescriptorOfProvider(CGDataProviderRef provider) {
  CGFontRef graphicsFont = provider != nullptr ? CGFontCreateWithDataProvider(provider) : nullptr;
  CTFontRef font = graphicsFont != nullptr ? CTFontCreateWithGraphicsFont(graphicsFont, 0, nullptr, nullptr) : nullptr;
  CTFontDescriptorRef descriptor = font != nullptr ? CTFontCopyFontDescriptor(font) : nullptr;
  if (font != nullptr) CFRelease(font);
  CGFontRelease(graphicsFont);
  return descriptor;
}

CoreTextFontPtr FontOfProvider(CGDataProviderRef provider) {
  CTFontDescriptorRef descriptor = DescriptorOfProvider(provider);
  if (descriptor == nullptr) {
    CGDataProviderRelease(provider);
    return nullptr;
  }
  return std::make_unique<CoreTextFont>(descriptor, provider, "", false);
}

CFStringRef NewString(const char* text) {
  return CFStringCreateWithCString(nullptr, text != nullptr ? text : "", kCFStringEncodingUTF8);
}

}  // namespace

CoreTextFont::CoreTextFont(CTFontDescriptorRef descriptor, CGDataProviderRef provider, const char* styleName,
                           bool isSystem)
    : mDescriptor(descriptor), mProvider(provider), mStyleName(styleName != nullptr ? styleName : "") {
  mIsSystem = isSystem;
}

CoreTextFont::~CoreTextFont() {
  if (mDescriptor != nullptr) CFRelease(mDescriptor);
  CGDataProviderRelease(mProvider);
}

FontData* CoreTextFont::GetFontData() const {
  CFDataRef data = CGDataProviderCopyData(mProvider);
  const uint8_t* bytes = data != nullptr ? CFDataGetBytePtr(data) : nullptr;
  const size_t size = data != nullptr ? static_cast<size_t>(CFDataGetLength(data)) : 0;
  int face = 0;
  if (!mStyleName.Empty()) face = FontFileReader::FindFontFaceIndex(bytes, size, mStyleName.Get());
  auto* fontData = new FontData(bytes, size, face);
  if (data != nullptr) CFRelease(data);
  return fontData;
}

CoreTextFontPtr LoadCoreTextFontFromFile(const char*, const char* fileNameOrResName, const char* bundleID,
                                         const char* sharedResourcesSubPath) {
  FxString path;
  if (fileNameOrResName == nullptr ||
      !LocateResource(fileNameOrResName, "ttf", path, bundleID, sharedResourcesSubPath != nullptr ? sharedResourcesSubPath : ""))
    return nullptr;
  CFStringRef pathString = NewString(path.Get());
  CFURLRef url = pathString != nullptr ? CFURLCreateWithFileSystemPath(nullptr, pathString, kCFURLPOSIXPathStyle, false)
                                       : nullptr;
  CGDataProviderRef provider = url != nullptr ? CGDataProviderCreateWithURL(url) : nullptr;
  if (url != nullptr) CFRelease(url);
  if (pathString != nullptr) CFRelease(pathString);
  return provider != nullptr ? FontOfProvider(provider) : nullptr;
}

CoreTextFontPtr LoadCoreTextFontByName(const char*, const char* familyName, int style) {
  const char* styleName = style == 1 ? "Bold" : style == 2 ? "Italic" : "Regular";
  CFStringRef family = NewString(familyName);
  CFStringRef styleString = NewString(styleName);
  const void* keys[] = {kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute};
  const void* values[] = {family, styleString};
  CFDictionaryRef attributes = family != nullptr && styleString != nullptr
                                   ? CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks,
                                                        &kCFTypeDictionaryValueCallBacks)
                                   : nullptr;
  if (styleString != nullptr) CFRelease(styleString);
  if (family != nullptr) CFRelease(family);
  CTFontDescriptorRef descriptor = attributes != nullptr ? CTFontDescriptorCreateWithAttributes(attributes) : nullptr;
  if (attributes != nullptr) CFRelease(attributes);
  if (descriptor == nullptr) return nullptr;
  auto url = static_cast<CFURLRef>(CTFontDescriptorCopyAttribute(descriptor, kCTFontURLAttribute));
  CGDataProviderRef provider = url != nullptr ? CGDataProviderCreateWithURL(url) : nullptr;
  if (url != nullptr) CFRelease(url);
  if (provider == nullptr) {
    CFRelease(descriptor);
    return nullptr;
  }
  return std::make_unique<CoreTextFont>(descriptor, provider, styleName, true);
}

CoreTextFontPtr LoadCoreTextFontFromMemory(const char*, const void* data, int size) {
  if (data == nullptr || size <= 0) return nullptr;
  void* copy = std::malloc(static_cast<size_t>(size));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, data, static_cast<size_t>(size));
  CGDataProviderRef provider = CGDataProviderCreateWithData(copy, copy, static_cast<size_t>(size),
                                                            [](void* info, const void*, size_t) { std::free(info); });
  return provider != nullptr ? FontOfProvider(provider) : nullptr;
}

}  // namespace fx::gfx
