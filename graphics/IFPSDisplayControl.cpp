#include "graphics/IFPSDisplayControl.h"

#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, int mode, const char* label)
  : IFPSDisplayControlBase(bounds), IVectorBase(IVStyleDefault), mMode(mode), mLabel(label ? label : "")
{
  AttachIControl(this);
  mLabelStr.Set(mLabel.Get());
  mStyle.colors.SetColor(kBackground, kColorWhite);
  mText = IText(14.f);
  const IColor& textColor = GetColor(kFrame);
  mAPIText = IText(14.f, textColor, nullptr, kAlignNear, kVAlignTop);
  mPrimaryText = IText(18.f, textColor, nullptr, kAlignFar, kVAlignTop);
  mSecondaryText = IText(15.f, textColor, nullptr, kAlignFar, kVAlignBottom);
  SetDirty(false);
}

void IFPSDisplayControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  mMode = (mMode + 1) % 3;
}

double IFPSDisplayControl::GetAverage() const
{
  double sum = 0.0;
  for (int i = 0; i < kNumFrameTimes; ++i) sum += GetFrameTime(i);
  return sum / kNumFrameTimes;
}

void IFPSDisplayControl::GetFigures(FxString& main, FxString& second) const
{
  const double avg = GetAverage();
  second.Clear();
  switch (mMode)
  {
    case kFPS:
      // No frame time yet: 0 rather than an infinite rate.
      main.SetFormatted(32, "%.2f FPS", avg > 0.0 ? 1.0 / avg : 0.0);
      second.SetFormatted(32, "%.2f ms", avg * 1000.0);
      break;
    case kMilliseconds: main.SetFormatted(32, "%.2f ms", avg * 1000.0); break;
    default: main.SetFormatted(32, "%.1f %%", avg); break;
  }
}

void IFPSDisplayControl::Draw(IGfx& g)
{
  g.FillRect(GetColor(kBackground), mRECT);
  g.DrawRect(kColorBlack, mRECT, nullptr, 1.f);

  double fullScale = 100.0;
  if (mMode == kFPS) fullScale = 80.0;
  else if (mMode == kMilliseconds) fullScale = 20.0;

  g.PathClear();
  g.PathMoveTo(mRECT.L, mRECT.B);
  for (int i = 0; i < kNumFrameTimes; ++i)
  {
    const double entry = GetFrameTime((GetNewestIndex() + i) % kNumFrameTimes);
    double value = entry;
    if (mMode == kFPS) value = 1.0 / (entry + 0.00001);
    else if (mMode == kMilliseconds) value = entry * 1000.0;
    if (!std::isfinite(value)) value = 0.0;
    value = std::clamp(value, 0.0, fullScale);
    const float x = mRECT.L + (static_cast<float>(i) / (kNumFrameTimes - 1)) * mRECT.W();
    const float y = mRECT.B - static_cast<float>(value / fullScale) * mRECT.H();
    g.PathLineTo(x, y);
  }
  g.PathLineTo(mRECT.R, mRECT.B);
  g.PathClose();
  g.PathFill(IPattern(GetColor(kForeground)));

  g.DrawText(mAPIText, g.GetDrawingAPIName(), mRECT);
  if (!mLabel.Empty()) g.DrawText(mText, mLabel.Get(), mRECT);

  FxString main, second;
  GetFigures(main, second);
  g.DrawText(mPrimaryText, main.Get(), mRECT);
  if (!second.Empty()) g.DrawText(mSecondaryText, second.Get(), mRECT);
}

} // namespace fx::gfx
