#include "plugin/editor/IBCornerResizerControlBV.h"

#include "graphics/IGfx.h"
#include "plugin/editor/EditorControlSupport.h"

using namespace fx::gfx;

IBCornerResizerControlBV::IBCornerResizerControlBV(const IRECT& graphicsBounds, const IBitmap& bitmap,
                                                   int sizeChangedAction, int sizeResetAction, int scaleChangedAction,
                                                   int scaleResetAction, float drawOffsetX, float drawOffsetY)
  : ICornerResizerControl(graphicsBounds, static_cast<float>(bitmap.W())), IBitmapBase(bitmap),
    mSizeChangedAction(sizeChangedAction), mSizeResetAction(sizeResetAction), mScaleChangedAction(scaleChangedAction),
    mScaleResetAction(scaleResetAction),
    mMode(ModeFor(sizeChangedAction, sizeResetAction, scaleChangedAction, scaleResetAction)),
    mDrawOffsetX(drawOffsetX), mDrawOffsetY(drawOffsetY)
{
  AttachIControl(this);
}

int IBCornerResizerControlBV::ModeFor(int sizeChanged, int sizeReset, int scaleChanged, int scaleReset)
{
  const bool size = sizeChanged != -1 && sizeReset != -1;
  const bool scale = scaleChanged != -1 && scaleReset != -1;
  const bool noSize = sizeChanged == -1 && sizeReset == -1;
  const bool noScale = scaleChanged == -1 && scaleReset == -1;
  if (size && scale) return 0;
  if (size && noScale) return 1;
  if (noSize && scale) return 2;
  return -1;
}

void IBCornerResizerControlBV::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& mod)
{
  IGfx* ui = GetUI();
  if (!ui) return;
  switch (mMode)
  {
    case 0: ui->SetResizerMode(mod.C ? kResizerScale : kResizerSize); break;
    case 1: ui->SetResizerMode(kResizerSize); break;
    case 2: ui->SetResizerMode(kResizerScale); break;
    default: break;
  }
  ui->StartResizeGesture();
}

void IBCornerResizerControlBV::OnMouseDblClick(float /*x*/, float /*y*/, const IMouseMod& mod)
{
  IGfx* ui = GetUI();
  if (!ui || mMode == -1) return;
  const bool scale = mMode == 2 || (mMode == 0 && mod.C);
  ui->SetResizerMode(scale ? kResizerScale : kResizerSize);
  editorbv::SendAction(*this, scale ? mScaleResetAction : mSizeResetAction);
}

void IBCornerResizerControlBV::OnRescale()
{
  IGfx* ui = GetUI();
  if (!ui || mMode == -1) return;
  editorbv::SendAction(*this, ui->GetResizerMode() == kResizerScale ? mScaleChangedAction : mSizeChangedAction);
}

void IBCornerResizerControlBV::OnResize()
{
  IGfx* ui = GetUI();
  if (!ui) return;
  const float s = static_cast<float>(mBitmap.W());
  const float w = static_cast<float>(ui->Width()), h = static_cast<float>(ui->Height());
  mRECT = mTargetRECT = IRECT(w - s, h - s, w, h);
}

void IBCornerResizerControlBV::Draw(IGfx& g)
{
  const bool lit = mMouseIsOver || g.GetResizingInProcess();
  const IRECT r(mRECT.L + mDrawOffsetX, mRECT.T + mDrawOffsetY, mRECT.R + mDrawOffsetX, mRECT.B + mDrawOffsetY);
  g.DrawBitmapFrame(mBitmap, r, lit ? 2 : 1, &mBlend);
}
