#pragma once
// Colour of four ints: alpha, red, green, blue, each 0 to 255. A plain value; any thread.

#include <cstdint>

namespace fx::gfx {

struct IColor
{
  int32_t A = 255;
  int32_t R = 0;
  int32_t G = 0;
  int32_t B = 0;

  constexpr IColor() = default;
  constexpr IColor(int32_t a, int32_t r, int32_t g, int32_t b) : A(a), R(r), G(g), B(b) {}

  constexpr bool operator==(const IColor& c) const { return A == c.A && R == c.R && G == c.G && B == c.B; }
  constexpr bool operator!=(const IColor& c) const { return !(*this == c); }

  // Each component limited to 0..255.
  constexpr IColor Clamped() const
  {
    auto c = [](int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
    return IColor(c(A), c(R), c(G), c(B));
  }
};

// Shared colours used by the controls.
inline constexpr IColor kColorTransparent(0, 0, 0, 0);
inline constexpr IColor kColorTranslucent(10, 0, 0, 0);
inline constexpr IColor kColorBlack(255, 0, 0, 0);
inline constexpr IColor kColorBlackDropShadow(128, 0, 0, 0);
inline constexpr IColor kColorGrey(255, 127, 127, 127);
inline constexpr IColor kColorLightGrey(255, 240, 240, 240);
inline constexpr IColor kColorMidGrey(255, 200, 200, 200);
inline constexpr IColor kColorDarkGrey(255, 70, 70, 70);
inline constexpr IColor kColorWhite(255, 255, 255, 255);
inline constexpr IColor kColorRed(255, 255, 0, 0);
inline constexpr IColor kColorGreen(255, 0, 255, 0);
inline constexpr IColor kColorBlue(255, 0, 0, 255);
inline constexpr IColor kColorYellow(255, 255, 255, 0);
inline constexpr IColor kColorOrange(255, 255, 127, 0);
inline constexpr IColor kColorIndigo(255, 75, 0, 130);
inline constexpr IColor kColorViolet(255, 148, 0, 211);
inline constexpr IColor kColorDefaultShadow(60, 0, 0, 0);

} // namespace fx::gfx
