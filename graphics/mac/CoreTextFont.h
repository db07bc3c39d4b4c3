// Platform fonts through CoreText and CoreGraphics: a font from a file or
// bundle resource, from bytes in memory, or installed on the system and
// found by family and style. The font keeps its descriptor and the data
// provider of its file, whose bytes (with the face of the wanted style) go
// to the vector renderer. Main thread.
#pragma once

#include <CoreGraphics/CGDataProvider.h>
#include <CoreText/CTFontDescriptor.h>

#include <memory>

#include "core/FxString.h"
#include "graphics/PlatformFont.h"
#include "graphics/mac/FontData.h"

namespace fx::gfx {

class CoreTextFont : public PlatformFont {
 public:
  // Takes one reference of each; styleName "" for file and memory fonts.
  CoreTextFont(CTFontDescriptorRef descriptor, CGDataProviderRef provider, const char* styleName, bool isSystem);
  ~CoreTextFont() override;

  void* GetDescriptor() const override { return const_cast<void*>(static_cast<const void*>(mDescriptor)); }
  // A new FontData (the caller's): the file's bytes and the face carrying
  // the style (face 0 without a style name; -1 when no face carries it).
  FontData* GetFontData() const override;

 private:
  CTFontDescriptorRef mDescriptor = nullptr;
  CGDataProviderRef mProvider = nullptr;
  FxString mStyleName;
};

using CoreTextFontPtr = std::unique_ptr<CoreTextFont>;

// A font file or bundle resource, located as a "ttf" resource; null when it
// is missing or is not a font.
CoreTextFontPtr LoadCoreTextFontFromFile(const char* fontID, const char* fileNameOrResName, const char* bundleID,
                                         const char* sharedResourcesSubPath);
// An installed font by family; style 1 "Bold", 2 "Italic", else "Regular".
// Null when the system matches no file to the family.
CoreTextFontPtr LoadCoreTextFontByName(const char* fontID, const char* familyName, int style);
// Font bytes (copied); null when they are not a font.
CoreTextFontPtr LoadCoreTextFontFromMemory(const char* fontID, const void* data, int size);

}  // namespace fx::gfx
