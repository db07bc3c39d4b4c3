#pragma once
// A font the platform back end found (file, memory or system family). The back end derives from
// it; the editor deletes it once the drawing back end has taken its data. Main thread.

#include <memory>

namespace fx::gfx {

class PlatformFont
{
public:
  PlatformFont() = default;
  virtual ~PlatformFont() = default;
  PlatformFont(const PlatformFont&) = delete;
  PlatformFont& operator=(const PlatformFont&) = delete;
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
