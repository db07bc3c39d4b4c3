// The editor object: lifecycle, scale and size, attaching, finding and removing controls,
// iteration and the parameter-wide operations.

#include "graphics/IGfx.h"

#include "core/IGEditorDelegate.h"
#include "core/IParam.h"
#include "graphics/IControlMakers.h"
#include "graphics/IGfxStores.h"
#include "graphics/IVectorBase.h"
#include "graphics/SteadyClock.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace fx::gfx {

namespace {

bool UsableScale(float scale) { return std::isfinite(scale) && scale > 0.f; }

// Clamps to a size limit of the delegate; an unset range (upper limit 0) does not limit.
int ClampToLimits(int value, int lo, int hi) { return hi > 0 ? std::clamp(value, std::min(lo, hi), hi) : value; }

} // namespace

IGfx::IGfx(IGEditorDelegate& dlg, int width, int height, int fps, float scale)
  : mWidth(width), mHeight(height), mFPS(fps > 0 ? fps : 60), mDrawScale(UsableScale(scale) ? scale : 1.f),
    mChosenScale(mDrawScale), mDelegate(&dlg), mClock(SteadyClockMs)
{
  mMinScale = mDrawScale * 0.5f;
  mMaxScale = mDrawScale * 2.f;
  dlg.SetEditorSize(width, height);
  RetainGraphicsStores();
}

IGfx::~IGfx()
{
  // The back end is gone by now: no cursor or delegate calls, only the controls are deleted.
  mCapturedMap.clear();
  DeleteAllControls();
  for (const LayerEntry& entry : mLayers)
    if (entry.owned) delete entry.layer;
  ReleaseGraphicsStores();
}

void IGfx::DeleteAllControls()
{
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  mInTextEntry = nullptr;
  mInPopupMenu = nullptr;
  mPopupControl.reset();
  mTextEntryControl.reset();
  mCornerResizer.reset();
  mPerfDisplay.reset();
  mBubbleControls.Empty(true);
  mCtrlTags.clear();
  mControls.Empty(true);
}

void IGfx::RemoveAllControls()
{
  ReleaseCapturesEndingGestures();
  if (mCursorHidden) HideMouseCursor(false, true);
  DeleteAllControls();
}

void IGfx::SetClock(IClockFunc clock) { mClock = clock ? std::move(clock) : IClockFunc(SteadyClockMs); }

// ---------------------------------------------------------------------------------- Scale and size

void IGfx::SetScreenScale(float scale)
{
  if (!UsableScale(scale)) return;
  mScreenScale = scale;
  const int windowW = static_cast<int>(static_cast<int>(mWidth * mDrawScale) * GetPlatformWindowScale());
  const int windowH = static_cast<int>(static_cast<int>(mHeight * mDrawScale) * GetPlatformWindowScale());
  PlatformResize(mDelegate->EditorResizeFromUI(windowW, windowH, true));
  ForAllControlsFunc([](IControl* c) {
    c->OnRescale();
    c->SetDirty(false, -1);
  });
  DrawResize();
}

void IGfx::Resize(int width, int height, float scale, bool needsPlatformResize)
{
  Resize(width, height, scale, needsPlatformResize, true);
}

void IGfx::Resize(int width, int height, float scale, bool needsPlatformResize, bool limitsInEditorUnits)
{
  if (!UsableScale(scale)) scale = mChosenScale;
  // The scale asked for is kept; the editor is shown at no more than the screen has room for.
  mChosenScale = std::clamp(scale, mMinScale, mMaxScale);
  scale = std::clamp(scale, mMinScale, GetLargestScale(width, height));
  if (limitsInEditorUnits)
  {
    width = ClampToLimits(width, mDelegate->GetMinWidth(), mDelegate->GetMaxWidth());
    height = ClampToLimits(height, mDelegate->GetMinHeight(), mDelegate->GetMaxHeight());
  }
  else
  {
    const int windowW = ClampToLimits(static_cast<int>(width * scale), mDelegate->GetMinWidth(), mDelegate->GetMaxWidth());
    const int windowH =
      ClampToLimits(static_cast<int>(height * scale), mDelegate->GetMinHeight(), mDelegate->GetMaxHeight());
    width = static_cast<int>(windowW / scale);
    height = static_cast<int>(windowH / scale);
  }

  if (width == mWidth && height == mHeight && scale == mDrawScale) return;

  // A control held through the resize loses its capture; its host gesture ends with it.
  ReleaseCapturesEndingGestures();
  if (mCursorHidden) HideMouseCursor(false, true);
  mDrawScale = scale;
  mWidth = width;
  mHeight = height;

  if (mCornerResizer) mCornerResizer->OnRescale();

  const float windowScale = GetPlatformWindowScale();
  const int windowW = static_cast<int>(windowScale * static_cast<int>(width * scale));
  const int windowH = static_cast<int>(windowScale * static_cast<int>(height * scale));
  PlatformResize(mDelegate->EditorResizeFromUI(windowW, windowH, needsPlatformResize));

  ForAllControls(&IControl::OnResize);
  SetAllControlsDirty();
  DrawResize();

  if (mLayoutOnResize) mDelegate->LayoutUI(this);

  // The controls moved under a pointer held still (a drag of the resizer hovers at its release).
  if (mPointerInView && !mResizingInProcess)
  {
    float x = 0.f, y = 0.f;
    GetMouseLocation(x, y);
    OnMouseOver(x, y, IMouseMod());
  }
}

float IGfx::GetLargestScale(int width, int height) const
{
  float roomW = 0.f, roomH = 0.f;
  const float windowScale = GetPlatformWindowScale();
  if (width <= 0 || height <= 0 || !GetPlatformScreenRoom(roomW, roomH) || !(windowScale > 0.f)) return mMaxScale;
  float fits = std::min(roomW / (width * windowScale), roomH / (height * windowScale));
  // The window's size is truncated from size × scale: step down until it is within the room.
  for (int step = 0; step < 64 && fits > mMinScale &&
                     (static_cast<int>(width * fits) * windowScale > roomW ||
                      static_cast<int>(height * fits) * windowScale > roomH);
       ++step)
    fits = std::nextafter(fits, 0.f);
  return std::clamp(fits, mMinScale, mMaxScale);
}

void IGfx::HoldScaleToScreen()
{
  if (mDrawScale > GetLargestScale(mWidth, mHeight)) Resize(mWidth, mHeight, mChosenScale, true);
}

void IGfx::SetScaleConstraints(float scaleA, float scaleB)
{
  if (!UsableScale(scaleA) || !UsableScale(scaleB)) return;
  mMinScale = std::min(scaleA, scaleB);
  mMaxScale = std::max(scaleA, scaleB);
}

void IGfx::SetStrictDrawing(bool strict)
{
  mStrict = strict;
  SetAllControlsDirty();
}

void IGfx::EnableTooltips(bool enable)
{
  if (enable == mEnableTooltips) return;
  mEnableTooltips = enable;
  UpdateTooltips();
}

IBitmap IGfx::ReloadBitmap(const IBitmap& bitmap)
{
  return LoadBitmap(bitmap.GetResourceName().Get(), bitmap.N(), bitmap.GetFramesAreHorizontal(),
                    static_cast<int>(GetScreenScale()));
}

// ---------------------------------------------------------------------------------- Attaching

void IGfx::InstallSpecialControl(IControl* control)
{
  control->SetDelegate(*mDelegate);
  control->SetGraphics(this);
  control->OnInit();
  control->OnResize();
  control->OnRescale();
}

IControl* IGfx::AttachControl(IControl* control, int tag, const char* group)
{
  if (!control) return nullptr;
  if (tag >= 0 && mCtrlTags.count(tag)) return nullptr;

  if (tag >= 0) mCtrlTags[tag] = control;
  InstallSpecialControl(control);
  control->SetGroup(group);
  if (!mControls.Add(control))
  {
    // Not appended: undo the tag so nothing refers to a control the editor does not hold.
    if (tag >= 0) mCtrlTags.erase(tag);
    return nullptr;
  }
  control->OnAttached();
  return control;
}

void IGfx::InsertBackground(IControl* control)
{
  if (!control) return;
  InstallSpecialControl(control);
  if (!mControls.Insert(0, control))
  {
    delete control;
    return;
  }
  if (mMouseOverIdx >= 0) ++mMouseOverIdx;
}

void IGfx::AttachBackground(const char* fileName)
{
  const auto& make = GetControlMakers().bitmap;
  if (!make) return;
  const IBitmap bitmap = LoadBitmap(fileName, 1, false);
  InsertBackground(make(0.f, 0.f, bitmap, -1, kBlendDefault));
}

void IGfx::AttachSVGBackground(const char* fileName)
{
  const auto& make = GetControlMakers().svg;
  if (!make) return;
  const ISVG svg = LoadSVG(fileName, "px", 72.f);
  InsertBackground(make(GetBounds(), svg, false));
}

void IGfx::AttachPanelBackground(const IPattern& pattern)
{
  const auto& make = GetControlMakers().panel;
  if (!make) return;
  InsertBackground(make(GetBounds(), pattern, false));
}

void IGfx::AttachCornerResizer(EResizerMode mode, bool layoutOnResize, const IColor& color,
                               const IColor& mouseOverColor, const IColor& dragColor, float size)
{
  const auto& make = GetControlMakers().cornerResizer;
  if (!make || mCornerResizer) return;
  AttachCornerResizer(make(GetBounds(), size, color, mouseOverColor, dragColor), mode, layoutOnResize);
}

void IGfx::AttachCornerResizer(IControl* resizer, EResizerMode mode, bool layoutOnResize)
{
  if (!resizer) return;
  if (mCornerResizer)
  {
    delete resizer;
    return;
  }
  mCornerResizer.reset(resizer);
  mResizerMode = mode;
  mLayoutOnResize = layoutOnResize;
  InstallSpecialControl(resizer);
}

void IGfx::AttachBubbleControl(const IText& text)
{
  const auto& make = GetControlMakers().bubble;
  if (make) AttachBubbleControl(make(text, kColorWhite, kColorBlack, 5.f));
}

void IGfx::AttachBubbleControl(IBubbleControlBase* bubble)
{
  if (!bubble) return;
  InstallSpecialControl(bubble);
  if (!mBubbleControls.Add(bubble)) delete bubble;
}

void IGfx::AttachPopupMenuControl(const IText& text, const IRECT& bounds)
{
  const auto& make = GetControlMakers().popupMenu;
  if (mPopupControl || !make) return;
  mPopupControl.reset(make(text, bounds));
  if (mPopupControl) InstallSpecialControl(mPopupControl.get());
}

void IGfx::RemovePopupMenuControl()
{
  if (!mPopupControl) return;
  ForgetControl(mPopupControl.get());
  mPopupControl.reset();
}

void IGfx::AttachTextEntryControl()
{
  const auto& make = GetControlMakers().textEntry;
  if (mTextEntryControl || !make) return;
  mTextEntryControl.reset(make());
  if (mTextEntryControl) InstallSpecialControl(mTextEntryControl.get());
}

void IGfx::RemoveTextEntryControl()
{
  if (!mTextEntryControl) return;
  // Nothing keeps pointing at the field (the pointer, its own edit menu's pending result).
  ForgetControl(mTextEntryControl.get());
  // An entry open in the field can no longer finish.
  if (mTextEntryControl->GetEditing()) mInTextEntry = nullptr;
  mTextEntryControl.reset();
}

void IGfx::ShowFPSDisplay(bool enable)
{
  if (enable)
  {
    const auto& make = GetControlMakers().fpsDisplay;
    if (!mPerfDisplay && make)
    {
      mPerfDisplay.reset(make(IRECT(10.f, 10.f, 210.f, 60.f), 0, "Frame Time"));
      if (mPerfDisplay) InstallSpecialControl(mPerfDisplay.get());
    }
  }
  else if (mPerfDisplay)
  {
    ClearCaptureOf(mPerfDisplay.get());
    mPerfDisplay.reset();
    mMouseOver = nullptr;
    mMouseOverIdx = -1;
  }
  SetAllControlsDirty();
}

void IGfx::ShowBubbleControl(IControl* caller, float x, float y, const char* str, EDirection dir,
                             IRECT minimumContentBounds)
{
  if (!caller || NBubbles() == 0) return;
  IBubbleControlBase* bubble = GetBubbleControl(0);
  uint64_t touchId = 0;
  if (mEnableMultiTouch)
  {
    // The bubble already bound to a touch that holds the caller, else a free one.
    const std::vector<uint64_t> touches = GetTouchesForControl(caller);
    IBubbleControlBase* bound = nullptr;
    IBubbleControlBase* freeBubble = nullptr;
    for (int i = 0; i < NBubbles() && !bound; ++i)
    {
      IBubbleControlBase* b = GetBubbleControl(i);
      if (std::find(touches.begin(), touches.end(), b->GetTouchId()) != touches.end() && b->GetTouchId() != 0)
        bound = b;
      else if (!freeBubble && b->GetTouchId() == 0)
        freeBubble = b;
    }
    bubble = bound ? bound : (freeBubble ? freeBubble : bubble);
    if (!touches.empty()) touchId = touches.front();
  }
  bubble->ShowBubble(caller, x, y, str ? str : "", dir, minimumContentBounds, touchId);
}

// ---------------------------------------------------------------------------------- Finding

IControl* IGfx::GetControlWithTag(int tag) const
{
  auto it = mCtrlTags.find(tag);
  if (it == mCtrlTags.end()) throw std::out_of_range("unordered_map::at: key not found");
  return it->second;
}

IControl* IGfx::FindControlWithTag(int tag) const
{
  auto it = mCtrlTags.find(tag);
  return it == mCtrlTags.end() ? nullptr : it->second;
}

int IGfx::FindControlIndex(const IControl* control) const { return control ? mControls.Find(control) : -1; }

// ---------------------------------------------------------------------------------- Removing

void IGfx::EndGestures(const IControl* control)
{
  if (mDelegate->IsTearingDown()) return;
  for (int v = 0; v < control->NVals(); ++v)
  {
    const int paramIdx = control->GetParamIdx(v);
    if (paramIdx >= 0) mDelegate->EndInformHostOfParamChangeFromUI(paramIdx);
  }
}

void IGfx::ReleaseCapturesEndingGestures()
{
  // Every press that captured a control began a host gesture for its parameters.
  std::unordered_map<uint64_t, IControl*> captured;
  captured.swap(mCapturedMap);
  for (const auto& entry : captured) EndGestures(entry.second);
}

void IGfx::ClearCaptureOf(IControl* control)
{
  if (!ControlIsCaptured(control)) return;
  ReleaseCapturesEndingGestures();
  if (mCursorHidden) HideMouseCursor(false, true);
}

void IGfx::ForgetControl(IControl* control)
{
  ClearCaptureOf(control);
  if (mMouseOver == control)
  {
    mMouseOver = nullptr;
    mMouseOverIdx = -1;
  }
  if (mInTextEntry == control) mInTextEntry = nullptr;
  if (mInPopupMenu == control) mInPopupMenu = nullptr;
  for (auto it = mCtrlTags.begin(); it != mCtrlTags.end();)
  {
    if (it->second == control) it = mCtrlTags.erase(it);
    else ++it;
  }
}

void IGfx::RemoveControl(int idx)
{
  IControl* control = GetControl(idx);
  if (!control) return;
  ForgetControl(control);
  if (mMouseOverIdx > idx) --mMouseOverIdx;
  mControls.Delete(idx, true);
  SetAllControlsDirty();
}

void IGfx::RemoveControl(IControl* control) { RemoveControl(FindControlIndex(control)); }

void IGfx::RemoveControls(int fromIdx)
{
  for (int i = NControls() - 1; i >= std::max(fromIdx, 0); --i) RemoveControl(i);
}

void IGfx::RemoveControlWithTag(int tag) { RemoveControl(GetControlWithTag(tag)); }

void IGfx::SetControlPosition(int idx, float x, float y)
{
  IControl* control = GetControl(idx);
  if (!control) return;
  control->SetPosition(x, y);
  if (!control->IsHidden()) SetAllControlsDirty();
}

void IGfx::SetControlSize(int idx, float w, float h)
{
  IControl* control = GetControl(idx);
  if (!control) return;
  control->SetSize(w, h);
  if (!control->IsHidden()) SetAllControlsDirty();
}

void IGfx::SetControlBounds(int idx, const IRECT& r)
{
  IControl* control = GetControl(idx);
  if (!control) return;
  control->SetTargetAndDrawRECTs(r);
  if (!control->IsHidden()) SetAllControlsDirty();
}

// ---------------------------------------------------------------------------------- Iteration

void IGfx::ForStandardControlsFunc(const IControlFunc& func)
{
  // By index, re-reading the size: the function may remove controls.
  for (int i = 0; i < NControls(); ++i)
  {
    if (IControl* c = GetControl(i)) func(c);
  }
}

void IGfx::ForAllControlsFunc(const IControlFunc& func)
{
  ForStandardControlsFunc(func);
  if (mPerfDisplay) func(mPerfDisplay.get());
  if (mCornerResizer) func(mCornerResizer.get());
  if (mTextEntryControl) func(mTextEntryControl.get());
  if (mPopupControl) func(mPopupControl.get());
  for (int i = 0; i < NBubbles(); ++i) func(GetBubbleControl(i));
}

void IGfx::ForControlWithParam(int paramIdx, const IControlFunc& func)
{
  ForAllControlsFunc([&](IControl* c) {
    if (c->GetValIdxForParam(paramIdx) >= 0) func(c);
  });
}

void IGfx::ForControlInGroup(const char* group, const IControlFunc& func)
{
  FxString name(group);
  ForStandardControlsFunc([&](IControl* c) {
    if (name == c->GetGroup()) func(c);
  });
}

void IGfx::SetAllControlsDirty()
{
  ForAllControlsFunc([](IControl* c) { c->SetDirty(false, -1); });
}

void IGfx::SetAllControlsClean() { ForAllControls(&IControl::SetClean); }

void IGfx::CallAllControlsReservedHook() { ForAllControls(&IControl::ReservedHook); }

void IGfx::AssignParamNameToolTips()
{
  ForAllControlsFunc([](IControl* c) {
    if (const IParam* param = c->GetParam(0)) c->SetTooltip(param->GetName());
  });
}

void IGfx::AssignParamNameToolTipsAuto()
{
  ForAllControlsFunc([](IControl* c) {
    const IParam* param = c->GetParam(0);
    if (param && !*c->GetTooltip()) c->SetTooltip(param->GetName());
  });
}

void IGfx::UpdatePeers(IControl* caller, int callerValIdx)
{
  if (!caller) return;
  const int paramIdx = caller->GetParamIdx(callerValIdx);
  if (paramIdx < 0) return;
  const double value = caller->GetValue(callerValIdx);
  ForStandardControlsFunc([&](IControl* c) {
    if (c == caller) return;
    const int valIdx = c->GetValIdxForParam(paramIdx);
    if (valIdx >= 0) c->SetValueFromDelegate(value, valIdx);
  });
}

void IGfx::HideControl(int paramIdx, bool hide) { ForMatchingControls(&IControl::Hide, paramIdx, hide); }

void IGfx::DisableControl(int paramIdx, bool disable) { ForMatchingControls(&IControl::SetDisabled, paramIdx, disable); }

void IGfx::SetControlsDirty(int paramIdx, bool triggerAction, int valIdx)
{
  ForMatchingControls(&IControl::SetDirty, paramIdx, triggerAction, valIdx);
}

void IGfx::SetControlsHighlight(int paramIdx, bool show, int colorIdx)
{
  ForMatchingControls(&IControl::SetHighlightMarker, paramIdx, show, colorIdx);
}

int IGfx::SetParamIndexUnderMouse(float x, float y)
{
  const IControl* c = GetMouseControl(x, y, false);
  mParamIdxUnderMouse = c ? c->GetParamIdx(0) : -1;
  return mParamIdxUnderMouse;
}

int IGfx::TakeParamIndexUnderMouse()
{
  const int idx = mParamIdxUnderMouse;
  mParamIdxUnderMouse = -1;
  return idx;
}

void IGfx::OnAppearanceChanged(EUIAppearance appearance)
{
  if (mAppearanceChangedFunc) mAppearanceChangedFunc(appearance);
}

void IGfx::StyleAllVectorControls(const IVStyle& style)
{
  ForStandardControlsFunc([&](IControl* c) {
    if (auto* vb = dynamic_cast<IVectorBase*>(c)) vb->SetStyle(style);
  });
}

} // namespace fx::gfx
