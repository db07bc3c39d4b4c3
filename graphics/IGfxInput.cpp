// Input dispatch: hit testing with capture, press, release, drag (including editor resizing by
// the corner resizer), double click, wheel, drop, keys, touch cancellation and focus loss.

#include "core/IGEditorDelegate.h"
#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

bool FinitePoint(float x, float y) { return std::isfinite(x) && std::isfinite(y); }

} // namespace

IMouseInfo IGfx::Released(const IMouseInfo& p) const
{
  // A release must still end its capture; a position that is not a number becomes the press point.
  IMouseInfo safe = p;
  if (!FinitePoint(safe.x, safe.y))
  {
    const bool pressed = FinitePoint(mMouseDownX, mMouseDownY);
    safe.x = pressed ? mMouseDownX : 0.f;
    safe.y = pressed ? mMouseDownY : 0.f;
  }
  safe.dX = safe.dY = 0.f;
  return safe;
}

int IGfx::GetMouseControlIdx(float x, float y, bool mouseOver)
{
  if (mouseOver && !mEnableMouseOver) return -1;
  // The background never becomes the mouse-over control.
  const int lowest = mouseOver ? 1 : 0;
  for (int i = NControls() - 1; i >= lowest; --i)
  {
    const IControl* c = GetControl(i);
    if (c->IsHidden() || c->GetIgnoreMouse()) continue;
    if (c->IsDisabled() && !(mouseOver ? c->GetMOWhenGrayed() : c->GetMEWhenGrayed())) continue;
    if (c->IsHit(x, y)) return i;
  }
  return -1;
}

IControl* IGfx::GetMouseControl(float x, float y, bool capture, bool mouseOver, uint64_t touchId)
{
  if (!mCapturedMap.empty())
  {
    auto it = mCapturedMap.find(touchId);
    if (it != mCapturedMap.end()) return it->second;
  }
  // A position that is not a number hits nothing.
  if (!FinitePoint(x, y)) return nullptr;

  IControl* control = nullptr;
  int idx = -1;
  if (mPopupControl && mPopupControl->GetExpanded())
    control = mPopupControl.get();
  else if (mTextEntryControl && mTextEntryControl->GetEditing())
    control = mTextEntryControl.get();
  else if (mCornerResizer && mCornerResizer->GetRECT().Contains(x, y))
    control = mCornerResizer.get();
  else if (mPerfDisplay && mPerfDisplay->GetRECT().Contains(x, y))
    control = mPerfDisplay.get();
  else
  {
    idx = GetMouseControlIdx(x, y, mouseOver);
    control = idx >= 0 ? GetControl(idx) : nullptr;
  }

  if (capture && control)
  {
    if (mEnableMultiTouch && ControlIsCaptured(control) && !control->GetWantsMultiTouch())
      control = nullptr; // held by another touch
    else
      mCapturedMap.emplace(touchId, control);
  }
  if (mouseOver) mMouseOverIdx = idx;
  return control;
}

bool IGfx::ControlIsCaptured(const IControl* control) const
{
  for (const auto& entry : mCapturedMap)
    if (entry.second == control) return true;
  return false;
}

std::vector<uint64_t> IGfx::GetTouchesForControl(const IControl* control) const
{
  std::vector<uint64_t> touches;
  for (const auto& entry : mCapturedMap)
    if (entry.second == control) touches.push_back(entry.first);
  std::sort(touches.begin(), touches.end());
  return touches;
}

void IGfx::ReleaseMouseCapture()
{
  mCapturedMap.clear();
  if (mCursorHidden) HideMouseCursor(false, true);
}

void IGfx::OnMouseDown(const IMouseInfoList& points)
{
  if (points.size() == 1 && FinitePoint(points[0].x, points[0].y))
  {
    mMouseDownX = points[0].x;
    mMouseDownY = points[0].y;
    mPointerInView = true;
  }

  for (const IMouseInfo& p : points)
  {
    if (!FinitePoint(p.x, p.y)) continue;
    IControl* control = GetMouseControl(p.x, p.y, true, false, p.ms.touchID);
    if (!control) continue;

    int valIdx = control->GetValIdxForPos(p.x, p.y);
    if (valIdx < 0) valIdx = 0;
    const int paramIdx = control->GetParamIdx(valIdx);

    if (!control->GetNoRightClickMenu() && paramIdx >= 0 && p.ms.R)
    {
      ReleaseMouseCapture();
      mPromptPopupMenu.Clear();
      control->CreateContextMenu(mPromptPopupMenu);
      if (mPromptPopupMenu.NItems() > 0)
        CreatePopupMenu(*control, mPromptPopupMenu, IRECT(p.x, p.y, p.x, p.y), -1, true);
      return;
    }

    for (int v = 0; v < control->NVals(); ++v)
    {
      const int idx = control->GetParamIdx(v);
      if (idx >= 0) mDelegate->BeginInformHostOfParamChangeFromUI(idx);
    }
    mDelegate->OnEditorMouseDown();
    control->OnMouseDown(p.x, p.y, p.ms);
  }
}

void IGfx::OnMouseUp(const IMouseInfoList& points)
{
  if (!mCapturedMap.empty())
  {
    for (const IMouseInfo& point : points)
    {
      const IMouseInfo p = Released(point);
      auto it = mCapturedMap.find(p.ms.touchID);
      if (it == mCapturedMap.end()) continue;
      IControl* control = it->second;
      std::vector<int> params;
      for (int v = 0; v < control->NVals(); ++v)
        if (control->GetParamIdx(v) >= 0) params.push_back(control->GetParamIdx(v));

      control->OnMouseUp(p.x, p.y, p.ms);
      mDelegate->OnEditorMouseUp();
      // When the control went away (or lost its capture) meanwhile, its gesture ended then.
      it = mCapturedMap.find(p.ms.touchID);
      if (it == mCapturedMap.end() || it->second != control) continue;
      for (int paramIdx : params) mDelegate->EndInformHostOfParamChangeFromUI(paramIdx);
      mCapturedMap.erase(it);
    }
  }

  if (mResizingInProcess)
  {
    mResizingInProcess = false;
    if (mResizerMode == kResizerScale) ForAllControls(&IControl::OnRescale);
    SetAllControlsDirty();
  }

  if (points.size() == 1 && points[0].ms.touchID == 0 && FinitePoint(points[0].x, points[0].y))
  {
    const IMouseInfo& p = points[0];
    IControl* control = GetMouseControl(p.x, p.y, false, true, 0);
    if (control != mMouseOver)
    {
      if (mMouseOver) mMouseOver->OnMouseOut();
      mMouseOver = control;
    }
    if (control) control->OnMouseOver(p.x, p.y, p.ms);
  }
}

bool IGfx::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (!FinitePoint(x, y)) return false;
  mPointerInView = true;
  IControl* control = GetMouseControl(x, y, false, true, 0);
  if (control != mMouseOver)
  {
    if (mMouseOver) mMouseOver->OnMouseOut();
    mMouseOver = control;
  }
  if (control) control->OnMouseOver(x, y, mod);
  return control != nullptr;
}

void IGfx::OnMouseOut()
{
  // Remember the cursor that was showing, to show it again when the pointer returns.
  mCursorType = SetMouseCursor(kArrowCursor);
  ForAllControls(&IControl::OnMouseOut);
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  mPointerInView = false;
}

void IGfx::OnMouseDrag(const IMouseInfoList& points)
{
  if (mResizingInProcess && points.size() == 1)
  {
    const IMouseInfo& p = points[0];
    if (!FinitePoint(p.x, p.y)) return;
    if (mResizerMode == kResizerSize)
    {
      Resize(static_cast<int>(p.x), static_cast<int>(p.y), mDrawScale, true);
    }
    else if (mResizerMode == kResizerScale && mMouseDownX > 0.f && mMouseDownY > 0.f)
    {
      // No press point to scale from (none yet, or at the origin): nothing to scale by. The
      // person chooses the scale they see: at most what the screen has room for.
      const float scale = std::min(p.x * mDrawScale / mMouseDownX, p.y * mDrawScale / mMouseDownY);
      Resize(mWidth, mHeight, std::min(scale, GetLargestScale(mWidth, mHeight)), true);
    }
    return;
  }

  if (mCapturedMap.empty()) return;
  // The platform's text field has the input; an in-editor one alone takes drags.
  if (mInTextEntry && !mTextEntryControl) return;
  const bool onlyTextEntry = mInTextEntry != nullptr;

  for (const IMouseInfo& p : points)
  {
    auto it = mCapturedMap.find(p.ms.touchID);
    if (it == mCapturedMap.end()) continue;
    IControl* control = it->second;
    if (onlyTextEntry && control != mTextEntryControl.get()) continue;
    if (!FinitePoint(p.x, p.y) || !FinitePoint(p.dX, p.dY)) continue;
    if (p.dX != 0.f || p.dY != 0.f) control->OnMouseDrag(p.x, p.y, p.dX, p.dY, p.ms);
  }
}

bool IGfx::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  if (!FinitePoint(x, y)) return false;
  IControl* control = GetMouseControl(x, y, true, false, 0);
  if (!control) return false;
  if (control->GetDblAsSingleClick())
  {
    IMouseInfo info;
    info.x = x;
    info.y = y;
    info.ms = mod;
    OnMouseDown({info});
  }
  else
  {
    control->OnMouseDblClick(x, y, mod);
    ReleaseMouseCapture();
  }
  return true;
}

void IGfx::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta)
{
  if (!std::isfinite(delta) || !FinitePoint(x, y)) return;
  if (IControl* control = GetMouseControl(x, y, false, false, 0)) control->OnMouseWheel(x, y, mod, delta);
}

void IGfx::OnDrop(const char* path, float x, float y)
{
  if (!FinitePoint(x, y)) return;
  if (IControl* control = GetMouseControl(x, y, false, false, 0)) control->OnDrop(path ? path : "");
}

bool IGfx::OnKeyDown(float x, float y, const IKeyPress& key)
{
  IControl* control = FinitePoint(x, y) ? GetMouseControl(x, y, false, false, 0) : nullptr;
  if (control && control != GetControl(0) && control->OnKeyDown(x, y, key)) return true;
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, false) : false;
}

bool IGfx::OnKeyUp(float x, float y, const IKeyPress& key)
{
  IControl* control = FinitePoint(x, y) ? GetMouseControl(x, y, false, false, 0) : nullptr;
  if (control && control != GetControl(0) && control->OnKeyUp(x, y, key)) return true;
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, true) : false;
}

void IGfx::OnTouchCancelled(const IMouseInfoList& points)
{
  for (const IMouseInfo& point : points)
  {
    const IMouseInfo p = Released(point);
    auto it = mCapturedMap.find(p.ms.touchID);
    if (it == mCapturedMap.end()) continue;
    IControl* control = it->second;
    control->OnTouchCancelled(p.x, p.y, p.ms);
    it = mCapturedMap.find(p.ms.touchID);
    if (it == mCapturedMap.end() || it->second != control) continue;
    mCapturedMap.erase(it);
    EndGestures(control);
  }
}

void IGfx::OnFocusLost()
{
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  ReleaseCapturesEndingGestures();
  if (mCursorHidden) HideMouseCursor(false, true);
  if (mPopupControl && mPopupControl->GetExpanded()) mPopupControl->Hide(true);
  if (mTextEntryControl && mTextEntryControl->GetEditing()) mTextEntryControl->Hide(true);
}

} // namespace fx::gfx
