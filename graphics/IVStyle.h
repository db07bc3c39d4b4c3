#pragma once
// The style of the vector-drawn controls: nine colours by role and the switches, sizes and text
// styles that shape them. Plain values, copied whole into each control; any thread.

#include "graphics/records/IColor.h"
#include "graphics/records/IText.h"

#include <initializer_list>

namespace fx::gfx {

/** Colour roles of IVColorSpec. */
enum EVColorRole : int
{
  kBackground = 0, // fill behind the whole control
  kForeground,     // a pressable widget at rest, an ordinary track handle
  kPressed,        // a pressable widget while pressed
  kFrame,          // outlines, frames, pointers, peaks
  kHighlight,      // the overlay under the pointer
  kShadow,         // drop shadows, unfilled tracks, grids
  kExtra1,         // value arcs, filled tracks
  kExtra2,         // free for custom drawing
  kExtra3,         // free for custom drawing
  kNumVColors
};

inline constexpr IColor kDefaultBGColor = kColorTransparent;
inline constexpr IColor kDefaultFGColor = kColorMidGrey;
inline constexpr IColor kDefaultPRColor = kColorLightGrey;
inline constexpr IColor kDefaultFRColor = kColorDarkGrey;
inline constexpr IColor kDefaultHLColor = kColorTranslucent;
inline constexpr IColor kDefaultSHColor = kColorDefaultShadow;
inline constexpr IColor kDefaultX1Color = kColorBlack;
inline constexpr IColor kDefaultX2Color = kColorGreen;
inline constexpr IColor kDefaultX3Color = kColorBlue;

struct IVColorSpec
{
  IColor mColors[kNumVColors] = {kDefaultBGColor, kDefaultFGColor, kDefaultPRColor, kDefaultFRColor, kDefaultHLColor,
                                 kDefaultSHColor, kDefaultX1Color, kDefaultX2Color, kDefaultX3Color};

  IVColorSpec() = default;
  /** Colours 0, 1, ... take the listed ones in order (at most nine); the rest keep their
   *  defaults. */
  IVColorSpec(std::initializer_list<IColor> colors)
  {
    int i = 0;
    for (const IColor& c : colors)
    {
      if (i >= kNumVColors) break;
      mColors[i++] = c;
    }
  }

  const IColor& GetColor(EVColorRole role) const { return mColors[role]; }
  void SetColor(EVColorRole role, const IColor& color) { mColors[role] = color; }
  const IColor& operator[](int i) const { return mColors[i]; }
  IColor& operator[](int i) { return mColors[i]; }
};

/** The label and value texts of the default style. */
inline IText DefaultLabelText() { return IText(19.f, kColorBlack, nullptr, kAlignCenter, kVAlignTop); }
inline IText DefaultValueText() { return IText(14.f, kColorBlack, nullptr, kAlignCenter, kVAlignBottom); }

struct IVStyle
{
  bool hideCursor = true;
  bool showLabel = true;
  bool showValue = true;
  bool drawFrame = true;
  bool drawShadows = true;
  bool emboss = false;
  float roundness = 0.f;      // corner radius as a fraction of half the shorter side
  float frameThickness = 1.f;
  float shadowOffset = 3.f;
  float widgetFraction = 1.f;
  float angle = 0.f;          // direction of a triangular widget, degrees
  IVColorSpec colors;
  IText labelText = DefaultLabelText();
  IText valueText = DefaultValueText();

  const IColor& GetColor(EVColorRole role) const { return colors.GetColor(role); }
};

/** The style a vector control gets when its creator gives none. */
inline const IVStyle IVStyleDefault{};

} // namespace fx::gfx
