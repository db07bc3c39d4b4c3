#pragma once
// Named values the control library shares with the controls built on it: blend presets, the
// default text style, the amplitude of -90 dB and two small colour sets. The named colours are
// those of graphics/records/IColor.h and the default role colours those of graphics/IVStyle.h.
// Plain values; any thread.

#include "graphics/IDrawStyles.h"
#include "graphics/IVStyle.h"
#include "graphics/records/IColor.h"
#include "graphics/records/IText.h"

namespace fx::gfx {

// Normal blending at reduced strength.
inline constexpr IBlend kBlend75(kBlendDefault, 0.75f);
inline constexpr IBlend kBlend50(kBlendDefault, 0.5f);
inline constexpr IBlend kBlend25(kBlendDefault, 0.25f);
inline constexpr IBlend kBlend10(kBlendDefault, 0.1f);
inline constexpr IBlend kBlend05(kBlendDefault, 0.05f);
inline constexpr IBlend kBlend01(kBlendDefault, 0.01f);
/** Keeps what is drawn only where the destination already has coverage. */
inline constexpr IBlend kBlendMask(kBlendDestIn, 1.f);
/** Draws beneath what is already there. */
inline constexpr IBlend kBlendUnder(kBlendDestOver, 1.f);

/** "Roboto-Regular" 14 pt, black, centred both ways, white entry background, black entry text. */
inline IText DefaultText() { return IText(14.f, kColorBlack, nullptr, kAlignCenter, kVAlignMiddle); }

/** The amplitude of -90 dB. */
inline constexpr double kAmpMinus90dB = 3.1622778e-05;

/** A level scale from green through yellow to orange. */
inline constexpr IColor kLevelColors[] = {IColor(255, 36, 157, 16), IColor(255, 153, 191, 28),
                                          IColor(255, 215, 222, 37), IColor(255, 247, 153, 33)};

/** Frame, face, shadow, text and accent of a plain grey look. */
inline constexpr IColor kPlainColors[] = {kColorDarkGrey, kColorLightGrey, kColorDefaultShadow, kColorBlack,
                                          kColorOrange};

} // namespace fx::gfx
