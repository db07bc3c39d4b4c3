// The frame cycle: dirty rectangles, cleaning, drawing each dirty area clipped, frame timing.

#include "graphics/IGfx.h"

#include <cmath>

namespace fx::gfx {

namespace {

constexpr float kDirtyMargin = 0.75f;

} // namespace

bool IGfx::IsDirty(IRECTList& rects)
{
  if (mDisplayTickFunc) mDisplayTickFunc();
  ForAllControls(&IControl::Animate);

  bool dirty = false;
  ForAllControlsFunc([&](IControl* c) {
    if (!c->IsDirty()) return;
    rects.Add(c->GetRECT().GetPadded(kDirtyMargin));
    dirty = true;
  });
  return dirty;
}

void IGfx::DrawDirtyRects(IRECTList& rects)
{
  if (rects.Size() == 0) return;
  const float scale = GetTotalScale();
  BeginFrame();
  if (!mStrict)
  {
    rects.PixelAlign(scale);
    OptimizeDirtyRects(rects);
    for (int i = 0; i < rects.Size(); ++i) Draw(rects.Get(i), scale);
  }
  else
  {
    Draw(rects.Bounds().GetPixelAligned(scale), scale);
  }
  EndFrame();
}

void IGfx::OptimizeDirtyRects(IRECTList& rects) { rects.Optimize(); }

void IGfx::Draw(const IRECT& bounds, float scale)
{
  ForAllControlsFunc([&](IControl* c) { DrawControl(c, bounds, scale); });
}

void IGfx::DrawControl(IControl* control, const IRECT& bounds, float scale)
{
  if (!control) return;
  // The background is drawn even when hidden.
  if (control->IsHidden() && control != GetControl(0)) return;

  const IRECT padded = control->GetRECT().GetPadded(kDirtyMargin).GetPixelAligned(scale);
  IRECT clip;
  if (!padded.Empty() && !bounds.Empty() && padded.R > bounds.L && bounds.R >= padded.L && bounds.B >= padded.T &&
      padded.B > bounds.T)
  {
    clip = IRECT(std::max(bounds.L, padded.L), std::max(bounds.T, padded.T), std::min(bounds.R, padded.R),
                 std::min(bounds.B, padded.B));
  }
  if (!(clip.W() > 0.f) || !(clip.H() > 0.f)) return;

  PathTransformReset(true);
  PathClear();
  SetClipRegion(clip);
  mClipRECT = clip;
  control->Draw(*this);
  OnControlDrawn(clip);
}

void IGfx::BeginFrame()
{
  if (!mPerfDisplay) return;
  const double nowMs = NowMs();
  if (std::isnan(mFrameClockStartMs)) mFrameClockStartMs = nowMs;
  const double t = (nowMs - mFrameClockStartMs) / 1000.0;
  mPerfDisplay->AddFrameTime(static_cast<float>(t - mPrevTimestamp));
  mPrevTimestamp = t;
}

} // namespace fx::gfx
