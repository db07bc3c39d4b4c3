#include "graphics/ICornerResizerControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

ICornerResizerControl::ICornerResizerControl(const IRECT& editorArea, float size, const IColor& color,
                                             const IColor& mouseOverColor, const IColor& dragColor)
  : IControl(IRECT(editorArea.R - size + 1.f, editorArea.B - size + 1.f, editorArea.R - 1.f, editorArea.B - 1.f)),
    mSize(size), mInitialGraphicsBounds(editorArea), mColor(color), mMouseOverColor(mouseOverColor),
    mDragColor(dragColor)
{
}

void ICornerResizerControl::Draw(IGfx& g)
{
  const IColor& color = g.GetResizingInProcess() ? mDragColor : (mMouseIsOver ? mMouseOverColor : mColor);
  g.FillTriangle(color, mRECT.L, mRECT.B, mRECT.R, mRECT.T, mRECT.R, mRECT.B);
}

void ICornerResizerControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (GetUI()) GetUI()->StartResizeGesture();
}

void ICornerResizerControl::OnMouseDblClick(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  // The editor clamps to the delegate's size limits and its scale limits, and does nothing when
  // size and scale are already these.
  if (GetUI())
    GetUI()->Resize(static_cast<int>(mInitialGraphicsBounds.W()), static_cast<int>(mInitialGraphicsBounds.H()), 1.f,
                    true);
}

void ICornerResizerControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!mHasChangedCursor && GetUI())
  {
    mPrevCursorType = GetUI()->SetMouseCursor(kSizeNWSECursor);
    mHasChangedCursor = true;
  }
  IControl::OnMouseOver(x, y, mod);
}

void ICornerResizerControl::OnMouseOut()
{
  if (mHasChangedCursor && GetUI()) GetUI()->SetMouseCursor(mPrevCursorType);
  mHasChangedCursor = false;
  IControl::OnMouseOut();
}

void ICornerResizerControl::OnRescale()
{
  IGfx* ui = GetUI();
  if (!ui) return;
  const float side = ui->GetDrawScale() > 0.f ? mSize / ui->GetDrawScale() : mSize;
  const float w = static_cast<float>(ui->Width()), h = static_cast<float>(ui->Height());
  SetTargetAndDrawRECTs(IRECT(w - side, h - side, w, h));
}

} // namespace fx::gfx
