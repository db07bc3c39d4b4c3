#pragma once
// A font the platform back end found (file, memory or system family). The back end derives from
// it and hands out its descriptor and its file's data; the editor deletes it once the drawing
// back end has taken its data. Main thread.

#include <memory>

namespace fx::gfx {

class FontData;

class PlatformFont
{
public:
  PlatformFont() = default;
  virtual ~PlatformFont() = default;
  PlatformFont(const PlatformFont&) = delete;
  PlatformFont& operator=(const PlatformFont&) = delete;

  /** The platform's descriptor of the font (a CoreText descriptor on macOS); null by default. */
  virtual void* GetDescriptor() const { return nullptr; }
  /** A new font-data object (the caller's) with the font file's bytes and face; null by default. */
  virtual FontData* GetFontData() const { return nullptr; }
  /** Found by family name and style among the system's fonts (not from a file or memory). */
  bool IsSystem() const { return mIsSystem; }

protected:
  bool mIsSystem = false;
};

using PlatformFontPtr = std::unique_ptr<PlatformFont>;

/** Font styles of the family lookup. */
enum ETextStyle : int
{
  kTextStyleNormal = 0,
  kTextStyleBold = 1,
  kTextStyleItalic = 2,
};

} // namespace fx::gfx
