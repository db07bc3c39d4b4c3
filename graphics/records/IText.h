#pragma once
// Text style: font, size, colours, angle and alignment. A plain value; any thread.

#include "core/FxTextField.h"
#include "graphics/records/IColor.h"

#include <cstdint>

namespace fx::gfx {

enum EAlign : int32_t
{
  kAlignNear = 0, // left
  kAlignCenter = 1,
  kAlignFar = 2, // right
};

enum EVAlign : int32_t
{
  kVAlignTop = 0,
  kVAlignMiddle = 1,
  kVAlignBottom = 2,
};

struct IText
{
  static constexpr int kFontLen = 64; // including the terminator; longer names are cut
  static constexpr const char* kDefaultFont = "Roboto-Regular";
  static constexpr float kDefaultSize = 14.f;

  char mFont[kFontLen] = {};
  float mSize = kDefaultSize;
  IColor mFGColor = kColorBlack;
  IColor mTextEntryBGColor = kColorWhite;
  IColor mTextEntryFGColor = kColorBlack;
  float mAngle = 0.f;
  int32_t mAlign = kAlignCenter;
  int32_t mVAlign = kVAlignMiddle;

  // A null font gives the default font.
  explicit IText(float size = kDefaultSize, const IColor& color = kColorBlack, const char* font = nullptr,
                 int32_t align = kAlignCenter, int32_t valign = kVAlignMiddle, float angle = 0.f,
                 const IColor& textEntryBG = kColorWhite, const IColor& textEntryFG = kColorBlack)
    : mSize(size), mFGColor(color), mTextEntryBGColor(textEntryBG), mTextEntryFGColor(textEntryFG),
      mAngle(angle), mAlign(align), mVAlign(valign)
  {
    SetFont(font);
  }

  void SetFont(const char* font) { CopyTextField(mFont, kFontLen, font ? font : kDefaultFont); }
};

} // namespace fx::gfx
