// The objects of the CoreText layer and the installed-font matching.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include <CoreFoundation/CFObject.h>
#include <CoreText/CTFont.h>
#include <CoreText/CTFontFolders.h>

struct OpaqueCTFontDescriptor final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeFontDescriptor;
  OpaqueCTFontDescriptor(CFDictionaryRef attrs, CGFontRef describedFont);
  ~OpaqueCTFontDescriptor() override;

  const CFDictionaryRef attributes;  // owned copy
  const CGFontRef font;              // the font a font's descriptor describes (retained), or null
  // The installed face the attributes match, found on first use.
  const std::optional<ctx::InstalledFace>& match() const;

 private:
  mutable std::once_flag matched_;
  mutable std::optional<ctx::InstalledFace> match_;
};

struct OpaqueCTFont final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeFont;
  OpaqueCTFont(CGFontRef graphicsFont, CGFloat pointSize, CFDictionaryRef extraAttributes);
  ~OpaqueCTFont() override;

  const CGFontRef graphics;    // retained
  const CGFloat size;
  const CFDictionaryRef extra;  // attributes given at creation (retained), or null
};

namespace ctx {

// The installed face named name (PostScript or full name), or the face of
// family (name 1 or 16) with style (name 2 or 17, any case); a family
// without that style gives its regular face. Empty when nothing matches.
std::optional<InstalledFace> MatchInstalledFace(const std::string& name, const std::string& family,
                                                const std::string& style);

// The first face of the font file at path, or empty when it is not a font.
std::optional<InstalledFace> FileFace(const std::string& path);

// Helpers between CF strings and UTF-8.
std::string Text(CFTypeRef string);
CFStringRef NewText(const std::string& text);  // null for empty text

}  // namespace ctx
