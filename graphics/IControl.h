#pragma once
// The base of every element of the editor: a rectangle that draws itself, takes pointer, wheel,
// key, MIDI and gesture input, and holds one or more normalised values (0..1), each optionally
// linked to a plug-in parameter.
//
// A value change always ends in SetDirty(trigger, value index): with trigger the value goes to
// the editor delegate, the other controls of the same parameter are updated and the action
// function runs once; without it the control is only redrawn. Values from the plug-in never
// echo back. Animations run one step per frame on the editor's steady clock (milliseconds).
//
// Main thread only. The editor owns attached controls.

#include "core/FxString.h"
#include "core/IControlLink.h"
#include "graphics/IDrawStyles.h"
#include "graphics/IGfxEnums.h"
#include "graphics/records/IColor.h"
#include "graphics/records/IMouseMod.h"
#include "graphics/records/IRECT.h"
#include "graphics/records/IText.h"

#include <functional>
#include <initializer_list>
#include <unordered_map>
#include <vector>

namespace fx {
class IParam;
}

namespace fx::gfx {

class IGEditorDelegate;
class IGfx;
class IPopupMenu;
struct IKeyPress;

class IControl;
/** What a control runs when a value is committed or an animation steps or ends. */
using IActionFunction = std::function<void(IControl*)>;
using IGestureFunc = std::function<void(IControl*, const IGestureInfo&)>;

class IControl : public IControlLink
{
public:
  /** One value slot linked to paramIdx (-1: none). */
  explicit IControl(const IRECT& bounds, int paramIdx = -1, IActionFunction actionFunc = nullptr);
  /** One value slot per listed parameter index, in list order. */
  IControl(const IRECT& bounds, std::initializer_list<int> paramIdxs, IActionFunction actionFunc = nullptr);
  IControl(const IRECT& bounds, const std::vector<int>& paramIdxs, IActionFunction actionFunc = nullptr);
  /** One value slot without parameter. */
  IControl(const IRECT& bounds, IActionFunction actionFunc);
  ~IControl() override;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // --- Input ---
  /** Right button: prompts for the value under the point. */
  virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
  virtual void OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) {}
  virtual void OnMouseDrag(float /*x*/, float /*y*/, float /*dX*/, float /*dY*/, const IMouseMod& /*mod*/) {}
  /** Resets the value under the point to its default. */
  virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  virtual void OnMouseWheel(float /*x*/, float /*y*/, const IMouseMod& /*mod*/, float /*d*/) {}
  /** True when the key was handled. */
  virtual bool OnKeyDown(float /*x*/, float /*y*/, const IKeyPress& /*key*/) { return false; }
  virtual bool OnKeyUp(float /*x*/, float /*y*/, const IKeyPress& /*key*/) { return false; }
  /** Sets the mouse-over flag; redraws when it was clear. */
  virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
  /** Clears the mouse-over flag; redraws when it was set. */
  virtual void OnMouseOut();
  /** A touch this control had captured was withdrawn by the system. */
  virtual void OnTouchCancelled(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) {}
  /** A file was dropped on the control. */
  virtual void OnDrop(const char* /*path*/) {}

  // --- Lifecycle ---
  /** After a change of screen scale, and on attach. */
  virtual void OnRescale() {}
  /** After every change of bounds, and on attach. */
  virtual void OnResize() {}
  /** First call made when the control is attached. */
  virtual void OnInit() {}
  /** After the control has joined the editor's list. */
  virtual void OnAttached() {}

  // --- From the plug-in ---
  void OnMsgFromDelegate(int /*msgTag*/, int /*dataSize*/, const void* /*pData*/) override {}
  void OnMidi(const IMidiMsg& /*msg*/) override {}
  /** Runs the gesture's function when the control has one for its type (true). */
  virtual bool OnGesture(const IGestureInfo& info);

  // --- Menus and text entry ---
  /** Adds the entries of the control's context menu; the editor opens it only when some were added. */
  virtual void CreateContextMenu(IPopupMenu& /*contextMenu*/) {}
  /** The chosen item of a value menu (null when none) becomes the slot's value. */
  virtual void OnPopupMenuSelection(IPopupMenu* menu, int valIdx);
  /** A text entry ended on a slot without parameter. */
  virtual void OnTextEntryCompletion(const char* /*str*/, int /*valIdx*/) {}
  /** The chosen item of the context menu, or -1. */
  virtual void OnContextSelection(int /*itemIdx*/) {}

  // --- Drawing ---
  virtual void Draw(IGfx& g) = 0;
  /** A small dot in the highlight colour at the top right while the marker is shown. */
  virtual void DrawHighlightMarker(IGfx& g);

  // --- Values ---
  /** Links a slot to a parameter; an index outside the slots is ignored. */
  virtual void SetParamIdx(int paramIdx, int valIdx = 0);
  /** The slot under the point: 0 with exactly one slot, else -1. */
  virtual int GetValIdxForPos(float x, float y) const;
  /** A value from the plug-in: ignored while the control is captured; an equal value does
   *  nothing; otherwise stored and redrawn. */
  void SetValueFromDelegate(double value, int valIdx = 0) override;
  /** A value the user entered: when it differs, stored and committed (SetDirty(true)). */
  virtual void SetValueFromUserInput(double value, int valIdx = 0);
  /** The default of the slot's parameter (every slot for -1), stepped, clamped and normalised;
   *  then committed. */
  virtual void SetValueToDefault(int valIdx = -1);
  /** Stores the value (no clamping, no redraw); every slot for -1; ignored outside the slots. */
  virtual void SetValue(double value, int valIdx = 0);

  // --- Bounds and visibility ---
  /** Moves the top-left corner to (max(0, x), max(0, y)), keeping the size. */
  virtual void SetPosition(float x, float y);
  virtual void SetSize(float width, float height);
  virtual void Hide(bool hide);
  /** Disabled controls draw at a quarter strength. */
  virtual void SetDisabled(bool disable);
  /** The target rectangle contains the point. */
  virtual bool IsHit(float x, float y) const;

  // --- Dirty and action protocol ---
  virtual void SetDirty(bool triggerAction = true, int valIdx = -1);
  virtual void SetClean() { mDirty = false; }
  /** True while an animation runs, else the dirty flag. */
  virtual bool IsDirty() { return mAnimationFunc ? true : mDirty; }
  /** Does nothing in the base; the editor can call it on every control. */
  virtual void ReservedHook() {}
  /** Sets the slot (every slot for -1) from the pointer's position across bounds, in steps of
   *  0.001 clamped to [lo, hi], and commits it. A zero-size area or a position that is not a
   *  number is ignored. */
  virtual void SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx = -1,
                           double lo = 0.0, double hi = 1.0);
  /** Clears the animation, redraws, then runs the end-of-animation action. */
  virtual void OnEndAnimation();

  // --- Value slots ---
  int NVals() const override { return static_cast<int>(mVals.size()); }
  /** -1 for a slot without parameter or outside the slots. */
  int GetParamIdx(int valIdx = 0) const override;
  /** First slot linked to the parameter, -1 when none. */
  int GetValIdxForParam(int paramIdx) const;
  /** 0 outside the slots. */
  double GetValue(int valIdx = 0) const;
  /** The parameter of the slot; null without one or outside the delegate's list. */
  const IParam* GetParam(int valIdx = 0) const;

  // --- Prompts, marker ---
  void PromptUserInput(int valIdx = 0);
  void PromptUserInput(const IRECT& bounds, int valIdx = 0);
  /** Colour 0 red, 1 blue, 2 green, 3 yellow; another index keeps the colour. */
  void SetHighlightMarker(bool show, int colorIdx = 0);
  bool GetHighlightMarkerShown() const { return mShowHighlightMarker; }
  const IColor& GetHighlightColor() const { return mHighlightColor; }

  // --- Animation (steady clock, milliseconds) ---
  /** Runs the animation function (a copy, so it may replace or clear itself). */
  void Animate();
  /** Records start, duration and direction; does not install an animation function. */
  void StartAnimation(int durationMs, bool forward = true);
  /** 0 without animation; else elapsed / duration (1 minus that when reversed), not clamped. */
  double GetAnimationProgress() const;
  /** True once the elapsed time exceeds the duration (a duration of 0 or less: at once). */
  bool AnimationElapsed() const;
  double GetAnimationDuration() const { return mAnimationDuration; }
  bool GetAnimationForward() const { return mAnimationForward; }
  void SetAnimation(IActionFunction func) { mAnimationFunc = std::move(func); }
  /** Installs the step and starts it. */
  void SetAnimation(IActionFunction func, int durationMs)
  {
    mAnimationFunc = std::move(func);
    StartAnimation(durationMs);
  }
  const IActionFunction& GetAnimationFunction() const { return mAnimationFunc; }
  bool GetAnimating() const { return static_cast<bool>(mAnimationFunc); }

  // --- Gestures ---
  /** Adds the function for that type unless the type has one; asks the editor to recognise it. */
  IControl* AttachGestureRecognizer(EGestureType type, IGestureFunc func);
  /** Has a gesture function and no animation running. */
  bool GetWantsGestures() const { return !mGestureFuncs.empty() && !mAnimationFunc; }
  EGestureType GetLastGesture() const { return mLastGesture; }

  // --- Links ---
  void SetDelegate(IGEditorDelegate& dlg) { mDelegate = &dlg; }
  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  void SetGraphics(IGfx* graphics) { mGraphics = graphics; }
  IGfx* GetUI() const { return mGraphics; }

  // --- Fields ---
  const IRECT& GetRECT() const { return mRECT; }
  /** Sets the drawing rectangle; clears the mouse-over flag. */
  void SetRECT(const IRECT& bounds)
  {
    mRECT = bounds;
    mMouseIsOver = false;
  }
  const IRECT& GetTargetRECT() const { return mTargetRECT; }
  void SetTargetRECT(const IRECT& bounds)
  {
    mTargetRECT = bounds;
    mMouseIsOver = false;
  }
  /** Both rectangles, then OnResize. */
  void SetTargetAndDrawRECTs(const IRECT& bounds)
  {
    mRECT = mTargetRECT = bounds;
    mMouseIsOver = false;
    OnResize();
  }
  const char* GetGroup() const { return mGroup.Get(); }
  void SetGroup(const char* group) { mGroup.Set(group); }
  const IText& GetText() const { return mText; }
  void SetText(const IText& text) { mText = text; }
  const IBlend& GetBlend() const { return mBlend; }
  void SetBlend(const IBlend& blend) { mBlend = blend; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  const char* GetTooltip() const { return mTooltip.Get(); }
  void SetTooltip(const char* str) { mTooltip.Set(str); }

  bool IsHidden() const { return mHide; }
  bool IsDisabled() const { return mDisabled; }
  bool GetPromptDisabled() const { return mDisablePrompt; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool GetDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool single) { mDblAsSingleClick = single; }
  bool GetMOWhenGrayed() const { return mMOWhenGreyed; }
  void SetMOWhenGrayed(bool allow) { mMOWhenGreyed = allow; }
  bool GetMEWhenGrayed() const { return mMEWhenGreyed; }
  void SetMEWhenGrayed(bool allow) { mMEWhenGreyed = allow; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  void SetIgnoreMouse(bool ignore) { mIgnoreMouse = ignore; }
  bool GetNoRightClickMenu() const { return mNoRightClickMenu; }
  void SetNoRightClickMenu(bool noMenu) { mNoRightClickMenu = noMenu; }
  bool GetWantsMidi() const override { return mWantsMidi; }
  void SetWantsMidi(bool wants) { mWantsMidi = wants; }
  bool GetWantsMultiTouch() const { return mWantsMultiTouch; }
  void SetWantsMultiTouch(bool wants) { mWantsMultiTouch = wants; }
  bool GetPromptShowsParamLabel() const { return mPromptShowsParamLabel; }
  void SetPromptShowsParamLabel(bool show) { mPromptShowsParamLabel = show; }
  bool GetMouseIsOver() const { return mMouseIsOver; }

  void SetActionFunction(IActionFunction func) { mActionFunc = std::move(func); }
  const IActionFunction& GetActionFunction() const { return mActionFunc; }
  void SetAnimationEndActionFunction(IActionFunction func) { mAnimationEndActionFunc = std::move(func); }
  const IActionFunction& GetAnimationEndActionFunction() const { return mAnimationEndActionFunc; }

  /** A value of the parameter's own range as a slot value: rounded to the step counted from
   *  the minimum (when stepped), clamped to the range, normalised and clamped to 0..1. */
  static double NormalizedFromParam(const IParam& param, double value);

protected:
  /** Steady-clock milliseconds: the editor's clock when attached, else the process's. */
  double NowMs() const;
  bool ValidValIdx(int valIdx) const { return valIdx >= 0 && valIdx < NVals(); }

  IRECT mRECT;
  IRECT mTargetRECT;
  FxString mGroup;
  IText mText;
  IBlend mBlend;
  int mTextEntryLength = 7;
  bool mDirty = true;
  bool mHide = false;
  bool mDisabled = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMOWhenGreyed = false;
  bool mMEWhenGreyed = false;
  bool mIgnoreMouse = false;
  bool mNoRightClickMenu = false;
  bool mWantsMidi = false;
  bool mWantsMultiTouch = false;
  bool mPromptShowsParamLabel = false;
  bool mMouseIsOver = false;
  FxString mTooltip;
  IColor mHighlightColor = kColorRed;
  bool mShowHighlightMarker = false;
  IGEditorDelegate* mDelegate = nullptr;
  IGfx* mGraphics = nullptr;
  IActionFunction mActionFunc;
  IActionFunction mAnimationEndActionFunc;
  IActionFunction mAnimationFunc;
  double mAnimationStartTime = 0.0;
  double mAnimationDuration = 0.0;
  bool mAnimationForward = true;

private:
  struct IControlValue
  {
    int idx = -1;
    double value = 0.0;
  };
  std::vector<IControlValue> mVals;
  std::unordered_map<int, IGestureFunc> mGestureFuncs;
  EGestureType mLastGesture = kGestureUnknown;
};

/** The parameter's display text of its current value, then " " and its unit label when it has
 *  one. */
void GetParamDisplayTextWithLabel(const IParam* param, FxString& out, bool withDisplayText = true);

// Action functions.
void EmptyClickActionFunc(IControl* caller);
/** A 100 ms click animation. */
void DefaultClickActionFunc(IControl* caller);
/** A 100 ms splash from the last mouse-down point (vector controls). */
void SplashClickActionFunc(IControl* caller);
/** A value bubble right of the control. */
void ShowBubbleHorizontalActionFunc(IControl* caller);
/** A value bubble above the control. */
void ShowBubbleVerticalActionFunc(IControl* caller);

// Animation steps.
/** Ends the animation once its time has passed. */
void DefaultAnimationFunc(IControl* caller);
/** Grows the splash radius with the progress; ends like DefaultAnimationFunc. */
void SplashAnimationFunc(IControl* caller);

} // namespace fx::gfx
