#include "graphics/controls/IBSliderControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

namespace {

float HandleSize(const IBitmap& handle, EDirection direction)
{
  return static_cast<float>(direction == kHorizontal ? handle.FW() : handle.FH());
}

IRECT BoundsAt(float x, float y, float length, const IBitmap& handle, EDirection direction)
{
  if (direction == kHorizontal) return IRECT(x, y, x + length, y + static_cast<float>(handle.FH()));
  return IRECT(x, y, x + static_cast<float>(handle.FW()), y + length);
}

} // namespace

IBSliderControl::IBSliderControl(float x, float y, float trackLength, const IBitmap& handleBitmap,
                                 const IBitmap& trackBitmap, int paramIdx, EDirection direction, double gearing)
  : IBSliderControl(BoundsAt(x, y, trackLength, handleBitmap, direction), handleBitmap, trackBitmap, paramIdx,
                    direction, gearing)
{
}

IBSliderControl::IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap,
                                 int paramIdx, EDirection direction, double gearing)
  : ISliderControlBase(bounds, paramIdx, direction, gearing, HandleSize(handleBitmap, direction)),
    IBitmapBase(handleBitmap), mTrackBitmap(trackBitmap)
{
  AttachIControl(this);
}

void IBSliderControl::OnResize()
{
  const IRECT& b = mRECT;
  if (mTrackBitmap.IsValid())
  {
    mTrack = FrameRect(mTrackBitmap, b);
  }
  else if (mDirection == kHorizontal)
  {
    const float h = static_cast<float>(mBitmap.FH());
    mTrack = IRECT(b.L, b.MH() - h / 2.f, b.R, b.MH() + h / 2.f);
  }
  else
  {
    const float w = static_cast<float>(mBitmap.FW());
    mTrack = IRECT(b.MW() - w / 2.f, b.T, b.MW() + w / 2.f, b.B);
  }
  SetDirty(false);
}

IRECT IBSliderControl::GetHandleBounds(double value) const
{
  if (value < 0.0) value = GetValue();
  const float v = static_cast<float>(value);
  const float fw = static_cast<float>(mBitmap.FW()), fh = static_cast<float>(mBitmap.FH());
  float x = mTrack.L, y = mTrack.T;
  if (mDirection == kHorizontal) x += (mTrack.W() - fw) * v;
  else y += (mTrack.H() - fh) * (1.f - v);
  return IRECT(x, y, x + fw, y + fh);
}

void IBSliderControl::Draw(IGfx& g)
{
  if (mTrackBitmap.IsValid()) g.DrawBitmap(mTrackBitmap, FrameRect(mTrackBitmap, mRECT), 0, 0, &mBlend);
  g.DrawBitmapFrame(mBitmap, GetHandleBounds(), 1, &mBlend);
}

} // namespace fx::gfx
