#pragma once
// The platform-independent editor: owns the controls, draws the dirty ones once per frame,
// routes input to them with pointer capture, opens menus and text entries for parameter values,
// loads bitmaps, SVG images and fonts through the process-wide stores, and offers the drawing
// API (shapes as path primitives, bitmaps, SVG, text, layers, transforms, clipping, shadows).
//
// Abstract: a drawing back end and a platform back end derive from it and supply the pure
// virtual operations below; the other virtual operations have working defaults they may
// replace. Time comes from an injectable steady clock in milliseconds.
//
// Main thread only (the resource stores it shares with other editors lock themselves).

#include "core/FxPtrList.h"
#include "core/FxString.h"
#include "core/IGfxLink.h"
#include "graphics/APIBitmap.h"
#include "graphics/IByteBuffer.h"
#include "graphics/IControl.h"
#include "graphics/IDrawStyles.h"
#include "graphics/IGfxEnums.h"
#include "graphics/ILayer.h"
#include "graphics/IMatrix.h"
#include "graphics/IPattern.h"
#include "graphics/IPopupMenu.h"
#include "graphics/ISVG.h"
#include "graphics/ISpecialControls.h"
#include "graphics/IVStyle.h"
#include "graphics/PlatformFont.h"
#include "graphics/records/IBitmap.h"
#include "graphics/records/IColor.h"
#include "graphics/records/IKeyPress.h"
#include "graphics/records/IMouseInfo.h"
#include "graphics/records/IRECT.h"
#include "graphics/records/IRECTList.h"
#include "graphics/records/IText.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <stack>
#include <unordered_map>
#include <vector>

namespace fx {
struct IMidiMsg;
}

namespace fx::gfx {

class IGEditorDelegate;

class IGfx : public IGfxLink
{
public:
  using IKeyHandlerFunc = std::function<bool(const IKeyPress& key, bool isUp)>;
  using IDisplayTickFunc = std::function<void()>;
  using IAppearanceChangedFunc = std::function<void(EUIAppearance appearance)>;
  using IMsgBoxCompletionHandlerFunc = std::function<void(EMessageBoxResult result)>;
  using IColorPickerHandlerFunc = std::function<void(const IColor& color)>;
  using IMidiFunc = std::function<void(const IMidiMsg& msg)>;
  /** Steady clock: milliseconds as a double, never going back. */
  using IClockFunc = std::function<double()>;
  using IControlFunc = std::function<void(IControl* control)>;
  using IMouseInfoList = std::vector<IMouseInfo>;

  // ===================================================================================== Lifecycle

  /** A frame rate of 0 or less gives 60; the draw scale may later range over half to twice
   *  the given one. Writes the size into the delegate and counts this editor into the
   *  process-wide stores. */
  IGfx(IGEditorDelegate& dlg, int width, int height, int fps = 0, float scale = 1.f);
  /** Deletes every control, counts this editor out of the stores (the last one empties them). */
  ~IGfx() override;

  /** Deletes every control, the special ones too. Ends the host gesture of captured controls. */
  void RemoveAllControls();

  // ===================================================================================== Scale and size

  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  /** (0, 0, width, height). */
  IRECT GetBounds() const { return IRECT(0.f, 0.f, static_cast<float>(mWidth), static_cast<float>(mHeight)); }
  int FPS() const { return mFPS; }
  float GetDrawScale() const override { return mDrawScale; }
  /** The scale last asked for (within the limits), which the draw scale equals unless the
   *  screen had no room for it. */
  float GetChosenScale() const override { return mChosenScale; }
  float GetScreenScale() const { return mScreenScale; }
  float GetMinScale() const { return mMinScale; }
  float GetMaxScale() const { return mMaxScale; }
  /** The draw scale's limits become the smaller and the larger of the two; a limit that is not a
   *  positive number leaves both as they were. */
  void SetScaleConstraints(float scaleA, float scaleB);
  /** Screen scale × draw scale. */
  virtual float GetTotalScale() const { return mScreenScale * mDrawScale; }

  /** Stores the screen (backing) scale, resizes the platform view, rescales every control,
   *  marks everything dirty and lets the back end rebuild its surfaces. */
  void SetScreenScale(float scale) override;
  /** Clamps size and scale to the limits, keeps the scale as the chosen one and holds the draw
   *  scale to the screen's room; with anything changed: releases the capture, resizes the
   *  platform view, resizes every control, marks everything dirty, when asked runs the
   *  delegate's layout again, and hovers what now lies under a pointer inside the view. */
  void Resize(int width, int height, float scale, bool needsPlatformResize) override;
  /** As Resize; with limitsInEditorUnits false the delegate's size limits count in window
   *  pixels (size × scale). */
  void Resize(int width, int height, float scale, bool needsPlatformResize, bool limitsInEditorUnits);
  /** The largest draw scale at which width × height editor units fit the room the platform's
   *  screen has for the view: the maximum scale, or less where the screen is smaller (never
   *  below the minimum scale). Resize holds the scale to it. */
  float GetLargestScale(int width, int height) const;
  /** After the view came onto a screen or its screen changed: an editor larger than the screen
   *  is shown at the largest scale that fits; the chosen scale stays. */
  void HoldScaleToScreen();

  void SetLayoutOnResize(bool layoutOnResize) { mLayoutOnResize = layoutOnResize; }
  bool GetLayoutOnResize() const { return mLayoutOnResize; }
  /** Strict drawing draws the union of the dirty rectangles once per frame. */
  void SetStrictDrawing(bool strict);
  bool GetStrictDrawing() const { return mStrict; }
  /** Calls the platform's UpdateTooltips when the setting changes. */
  void EnableTooltips(bool enable);
  bool TooltipsEnabled() const { return mEnableTooltips; }
  void EnableMouseOver(bool enable) { mEnableMouseOver = enable; }
  bool MouseOverEnabled() const { return mEnableMouseOver; }
  void EnableMultiTouch(bool enable) { mEnableMultiTouch = enable; }
  bool MultiTouchEnabled() const { return mEnableMultiTouch; }
  /** The bitmap loaded again by its name, frame count and frame layout at the screen scale. */
  IBitmap ReloadBitmap(const IBitmap& bitmap);

  // ===================================================================================== Controls

  /** Takes the control (the editor owns it) and returns it. Null, the caller keeping the control,
   *  when tag >= 0 is already used or the list cannot grow. */
  IControl* AttachControl(IControl* control, int tag = -1, const char* group = "");
  /** A bitmap control of the named bitmap at (0, 0) as the first control. */
  void AttachBackground(const char* fileName);
  /** An SVG control over the whole editor as the first control. */
  void AttachSVGBackground(const char* fileName);
  /** A panel over the whole editor as the first control. */
  void AttachPanelBackground(const IPattern& pattern);
  /** A corner resizer over the bottom-right square of the given size. Only the first one is
   *  kept; a second is deleted. */
  void AttachCornerResizer(EResizerMode mode = kResizerScale, bool layoutOnResize = false,
                           const IColor& color = kColorTranslucent, const IColor& mouseOverColor = kColorBlack,
                           const IColor& dragColor = kColorBlack, float size = 20.f);
  void AttachCornerResizer(IControl* resizer, EResizerMode mode = kResizerScale, bool layoutOnResize = false);
  /** A value bubble (white, black outline, roundness 5). */
  void AttachBubbleControl(const IText& text = IText());
  void AttachBubbleControl(IBubbleControlBase* bubble);
  /** The in-editor pop-up menu, when none exists. */
  void AttachPopupMenuControl(const IText& text = IText(), const IRECT& bounds = IRECT());
  void RemovePopupMenuControl();
  /** The in-editor text field, when none exists. */
  void AttachTextEntryControl();
  void RemoveTextEntryControl();
  /** Shows or removes the frame-rate display. */
  void ShowFPSDisplay(bool enable);
  bool ShowingFPSDisplay() const { return mPerfDisplay != nullptr; }
  /** Shows str in a bubble next to caller, anchored at (x, y). */
  void ShowBubbleControl(IControl* caller, float x, float y, const char* str, EDirection dir = kHorizontal,
                         IRECT minimumContentBounds = IRECT());

  int NControls() const override { return mControls.GetSize(); }
  IControl* GetControl(int idx) const override { return mControls.Get(idx); }
  IControl* GetBackgroundControl() const { return GetControl(0); }
  /** The control of that tag. Throws std::out_of_range for a tag the editor does not hold. */
  IControl* GetControlWithTag(int tag) const;
  /** The control of that tag; null for a tag the editor does not hold. */
  IControl* FindControlWithTag(int tag) const override;
  /** Its index in the control list, -1 when absent. */
  int FindControlIndex(const IControl* control) const;
  /** The index of the last control of the list (-1 when empty). */
  int GetLastControlIdx() const { return NControls() - 1; }

  ITextEntryControlBase* GetTextEntryControl() const { return mTextEntryControl.get(); }
  IPopupMenuControlBase* GetPopupMenuControl() const { return mPopupControl.get(); }
  IControl* GetCornerResizer() const { return mCornerResizer.get(); }
  IFPSDisplayControlBase* GetPerfDisplay() const { return mPerfDisplay.get(); }
  int NBubbles() const { return mBubbleControls.GetSize(); }
  IBubbleControlBase* GetBubbleControl(int i) const { return mBubbleControls.Get(i); }

  /** Deletes the control; references to it (capture, mouse-over, prompt owners, tag) go too. */
  void RemoveControl(int idx);
  void RemoveControl(IControl* control);
  /** Removes the controls from the last down to fromIdx. */
  void RemoveControls(int fromIdx);
  /** Deletes the control of that tag as RemoveControl does. Throws std::out_of_range for a tag
   *  the editor does not hold. */
  void RemoveControlWithTag(int tag);

  void SetControlPosition(int idx, float x, float y);
  void SetControlSize(int idx, float w, float h);
  void SetControlBounds(int idx, const IRECT& r);

  // --- Iteration ---
  /** The list, then the frame-rate display, corner resizer, text field, pop-up menu, bubbles. */
  void ForAllControlsFunc(const IControlFunc& func);
  /** The list only. */
  void ForStandardControlsFunc(const IControlFunc& func);
  /** Every control with a value slot linked to the parameter. */
  void ForControlWithParam(int paramIdx, const IControlFunc& func);
  /** Every listed control of that group. */
  void ForControlInGroup(const char* group, const IControlFunc& func);
  template <class T, class... Args>
  void ForAllControls(T method, Args... args)
  {
    ForAllControlsFunc([&](IControl* c) { (c->*method)(args...); });
  }
  template <class T, class... Args>
  void ForMatchingControls(T method, int paramIdx, Args... args)
  {
    ForControlWithParam(paramIdx, [&](IControl* c) { (c->*method)(args...); });
  }
  /** SetDirty(false, -1) on every control. */
  void SetAllControlsDirty();
  void SetAllControlsClean();
  void CallAllControlsReservedHook();
  /** Every control's tooltip becomes the name of the parameter of its slot 0 (controls without
   *  one are skipped); the automatic form keeps tooltips already set. */
  void AssignParamNameToolTips();
  void AssignParamNameToolTipsAuto();

  // --- Parameter-wide operations ---
  /** Every other control linked to the parameter of caller's slot gets its value. */
  void UpdatePeers(IControl* caller, int callerValIdx);
  void HideControl(int paramIdx, bool hide);
  void DisableControl(int paramIdx, bool disable);
  void SetControlsDirty(int paramIdx, bool triggerAction, int valIdx = -1);
  void SetControlsHighlight(int paramIdx, bool show, int colorIdx = 0);
  /** Stores and returns the parameter of slot 0 of the control under the point (-1: none). */
  int SetParamIndexUnderMouse(float x, float y);
  /** Returns it and forgets it. */
  int TakeParamIndexUnderMouse();

  // --- Prompts for values ---
  /** A menu of display texts (enumerated parameters, booleans with texts) or a text entry. */
  void PromptUserInput(IControl& control, const IRECT& bounds, int valIdx = 0);
  void CreateTextEntryForControl(IControl& control, const IText& text, const IRECT& bounds, const char* str = "",
                                 int valIdx = 0);
  /** A finished text entry for the control that asked. */
  void SetControlValueAfterTextEdit(const char* str);
  /** A finished menu (null: nothing chosen) for the control that asked. */
  void SetControlValueAfterPopupMenu(IPopupMenu* menu);
  /** Forgets the control in text entry (the field was dismissed). */
  void ClearInTextEntryControl() { mInTextEntry = nullptr; }
  IControl* GetControlInTextEntry() const { return mInTextEntry; }
  IControl* GetControlInPopupMenu() const { return mInPopupMenu; }
  void PopupContextMenuForControl(int controlIdx, float x, float y);
  void PopupContextMenuForControl(IControl* control, float x, float y);

  // --- Handlers ---
  void SetKeyHandlerFunc(IKeyHandlerFunc func) { mKeyHandlerFunc = std::move(func); }
  /** Called at the start of every frame. */
  void SetDisplayTickFunc(IDisplayTickFunc func) { mDisplayTickFunc = std::move(func); }
  void SetAppearanceChangedFunc(IAppearanceChangedFunc func) { mAppearanceChangedFunc = std::move(func); }
  void OnAppearanceChanged(EUIAppearance appearance);
  /** Turns the computer keyboard into a MIDI note keyboard (the editor's key handler); messages
   *  go to the delegate and then to func. */
  void SetQwertyMidiKeyHandlerFunc(IMidiFunc func = nullptr);
  /** Every listed vector control takes the style. */
  void StyleAllVectorControls(const IVStyle& style);

  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  void SetSharedResourcesSubPath(const char* path) { mSharedResourcesSubPath.Set(path); }
  const char* GetSharedResourcesSubPath() const { return mSharedResourcesSubPath.Get(); }

  /** The clock of frame timing and control animations. */
  void SetClock(IClockFunc clock);
  double NowMs() const { return mClock(); }

  // ===================================================================================== Frame cycle

  /** Runs the per-frame function and every animation step, then appends the rectangle (grown
   *  by 0.75) of every dirty control. True when any was dirty. */
  bool IsDirty(IRECTList& rects);
  /** Draws one frame for the list: pixel-aligned, optimised, every control clipped to each. */
  void DrawDirtyRects(IRECTList& rects);
  /** Rewrites the list into fewer, non-overlapping pieces that still cover every dirty pixel. */
  static void OptimizeDirtyRects(IRECTList& rects);
  /** Draws every control against one rectangle. */
  void Draw(const IRECT& bounds, float scale);
  /** Draws one control clipped to bounds (hidden ones but the background are skipped). */
  void DrawControl(IControl* control, const IRECT& bounds, float scale);
  /** Frame timing for the frame-rate display; back ends extend it. */
  virtual void BeginFrame();
  virtual void EndFrame() {}

  // ===================================================================================== Input

  void OnMouseDown(const IMouseInfoList& points);
  void OnMouseUp(const IMouseInfoList& points);
  void OnMouseDrag(const IMouseInfoList& points);
  /** True when a control was hit. */
  bool OnMouseDblClick(float x, float y, const IMouseMod& mod);
  /** True when a control is under the pointer. */
  bool OnMouseOver(float x, float y, const IMouseMod& mod);
  void OnMouseOut();
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  bool OnKeyUp(float x, float y, const IKeyPress& key) override;
  void OnDrop(const char* path, float x, float y);
  void OnTouchCancelled(const IMouseInfoList& points);
  void OnFocusLost();
  /** The control under the point (with capture: recording the touch's capture). */
  IControl* GetMouseControl(float x, float y, bool capture, bool mouseOver = false, uint64_t touchId = 0);
  /** Forgets every capture and shows a hidden cursor. */
  void ReleaseMouseCapture();
  /** A value menu of the control's own. */
  void CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx = 0);
  void CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx, bool isContext);

  bool ControlIsCaptured() const { return !mCapturedMap.empty(); }
  bool ControlIsCaptured(const IControl* control) const;
  /** The touches that hold the control. */
  std::vector<uint64_t> GetTouchesForControl(const IControl* control) const;
  int GetMouseOverIdx() const { return mMouseOverIdx; }
  /** Overrides the reported mouse-over index (a control that commits a prompt it opened while
   *  the pointer was elsewhere); the mouse-over control itself is unchanged. */
  void SetMouseOverIdx(int idx) { mMouseOverIdx = idx; }
  IControl* GetMouseOver() const { return mMouseOver; }
  void GetLastMouseDownPoint(float& x, float& y) const
  {
    x = mMouseDownX;
    y = mMouseDownY;
  }
  /** The corner resizer's press: drags now resize the editor. */
  void StartResizeGesture() { mResizingInProcess = true; }
  bool GetResizingInProcess() const { return mResizingInProcess; }
  EResizerMode GetResizerMode() const { return mResizerMode; }
  /** How the next corner-resizer drag acts (a resizer of the product's picks it at each press). */
  void SetResizerMode(EResizerMode mode) { mResizerMode = mode; }
  bool CursorIsHidden() const { return mCursorHidden; }
  bool CursorIsLocked() const { return mCursorLock; }
  ECursor GetCursorType() const { return mCursorType; }
  void SetTabletInput(bool tablet) { mTabletInput = tablet; }
  bool GetTabletInput() const { return mTabletInput; }

  // ===================================================================================== Gestures

  /** Registers the kind (once). */
  virtual void AttachGestureRecognizer(EGestureType type);
  /** A region (kept as given) whose function a gesture on it runs when no control takes it. */
  void AttachGestureToRegion(const IRECT& bounds, EGestureType type, IGestureFunc func);
  void ClearGestureRegions();
  bool GestureRegionHit(float x, float y);
  void OnGestureRecognized(const IGestureInfo& info);
  const std::vector<EGestureType>& GetRegisteredGestures() const { return mRegisteredGestures; }

  // ===================================================================================== Resources

  /** The named bitmap at the target scale (0: the screen's), from the store or loaded and
   *  stored; an empty IBitmap when nothing is found or the type is refused. */
  virtual IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false, int targetScale = 0);
  /** The same from encoded image bytes. */
  virtual IBitmap LoadBitmap(const char* name, const void* data, int dataSize, int nStates = 1,
                             bool framesAreHorizontal = false, int targetScale = 0);
  /** A copy redrawn at the target scale, kept in the store under cacheName. */
  virtual IBitmap ScaleBitmap(const IBitmap& bitmap, const char* cacheName, int targetScale);
  /** The store takes ownership of the bitmap's APIBitmap. */
  virtual void RetainBitmap(const IBitmap& bitmap, const char* cacheName);
  /** Deletes the bitmap's store entry and APIBitmap (nothing when the store does not hold it). */
  virtual void ReleaseBitmap(const IBitmap& bitmap);
  /** Locates the bitmap's file trying the target scale, then 4 down to target + 1, then target - 1
   *  down to 1, under names "%s@%dx%s". kNotFound (0) when none exists. */
  int SearchScaledBitmap(const char* name, const char* ext, FxString& path, int targetScale, int& sourceScale);
  /** The first stored scale in the same order; null when none. */
  APIBitmap* LoadBitmapFromCache(const char* name, int targetScale, int& sourceScale);
  /** The named SVG image (from the store, or read and parsed); empty when missing or not SVG. */
  virtual ISVG LoadSVG(const char* name, const char* units = "px", float dpi = 72.f);
  virtual ISVG LoadSVG(const char* name, const void* data, int dataSize, const char* units = "px", float dpi = 72.f);
  /** The whole file of a resource of that type (extension without the dot); empty when it is
   *  missing or cannot be read completely. */
  virtual IByteBuffer LoadResource(const char* name, const char* type);
  /** Registers a font with the drawing back end under fontID. */
  virtual bool LoadFont(const char* fontID, const char* fileNameOrResID);
  virtual bool LoadFont(const char* fontID, void* data, int dataSize);
  bool LoadFont(const char* fontID, const char* fontName, ETextStyle style);

  // ===================================================================================== Drawing

  // --- Path primitives (back end) ---
  virtual void PathClear() = 0;
  virtual void PathClose() = 0;
  /** Degrees, 0 at 12 o'clock growing clockwise; winding 0 clockwise, 1 counter-clockwise. An
   *  open sub-path is joined to the arc's start by a line. */
  virtual void PathArc(float cx, float cy, float r, float a1, float a2, int winding = 0) = 0;
  virtual void PathMoveTo(float x, float y) = 0;
  virtual void PathLineTo(float x, float y) = 0;
  /** Marks the last sub-path as a hole (true) or solid for fill rule kFillWinding. */
  virtual void PathSetWinding(bool /*isHole*/) {}
  virtual void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) = 0;
  virtual void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) = 0;
  virtual void PathStroke(const IPattern& pattern, float thickness, const IStrokeStyle& options = IStrokeStyle(),
                          const IBlend* blend = nullptr) = 0;
  virtual void PathFill(const IPattern& pattern, const IFillStyle& options = IFillStyle(),
                        const IBlend* blend = nullptr) = 0;

  // --- Paths of shapes (added to the current path) ---
  void PathRect(const IRECT& bounds);
  void PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3);
  void PathRoundRect(const IRECT& bounds, float cornerRadius);
  void PathRoundRect(const IRECT& bounds, float ctl, float ctr, float cbl, float cbr);
  void PathConvexPolygon(const float* x, const float* y, int nPoints);
  void PathCircle(float cx, float cy, float r);
  void PathEllipse(const IRECT& bounds);
  void PathEllipse(float x, float y, float r1, float r2, float angle = 0.f);

  // --- Shapes ---
  virtual void DrawPoint(const IColor& color, float x, float y, const IBlend* blend = nullptr);
  virtual void DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                        float thickness = 1.f);
  virtual void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                              float thickness = 1.f, float dashLen = 2.f);
  virtual void DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float ctl, float ctr, float cbl, float cbr,
                             const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr,
                          float thickness = 1.f);
  virtual void DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                           float thickness = 1.f);
  virtual void DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlend* blend = nullptr, float thickness = 1.f);
  /** Nothing for fewer than one point. */
  virtual void DrawConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                 const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                              float thickness = 1.f, float dashLen = 2.f);
  virtual void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* blend = nullptr);
  virtual void FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual void FillRect(const IPattern& pattern, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* blend = nullptr);
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float ctl, float ctr, float cbl, float cbr,
                             const IBlend* blend = nullptr);
  virtual void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr);
  virtual void FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual void FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlend* blend = nullptr);
  /** A pie sector from the centre. */
  virtual void FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* blend = nullptr);
  virtual void FillConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                 const IBlend* blend = nullptr);
  /** Lines every spacing inside bounds, none on its edges; a spacing of 1 or less draws none in
   *  that direction. */
  virtual void DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                        const IBlend* blend = nullptr, float thickness = 1.f);
  /** A plot of normalised y values (upward) across bounds; x values (normalised) when given. */
  virtual void DrawData(const IColor& color, const IRECT& bounds, const float* normYPoints, int nPoints,
                        const float* normXPoints = nullptr, const IBlend* blend = nullptr, float thickness = 1.f);
  /** The back end draws a blurred box shadow of inner, moved by xyDrop, over outer. */
  virtual void DrawFastDropShadow(const IRECT& /*innerBounds*/, const IRECT& /*outerBounds*/, float /*xyDrop*/ = 5.f,
                                  float /*roundness*/ = 0.f, float /*blur*/ = 10.f, const IBlend* /*blend*/ = nullptr)
  {
  }

  // --- Lines placed inside a rectangle ---
  /** At the normalised x (clamped to 0..1) from the left. */
  void DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* blend = nullptr,
                        float thickness = 1.f);
  /** At the normalised y (clamped to 0..1) up from the bottom. */
  void DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* blend = nullptr,
                          float thickness = 1.f);
  void DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* blend = nullptr,
                        float thickness = 1.f);
  void DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* blend = nullptr,
                          float thickness = 1.f);
  /** From innerRadius to outerRadius at angle (degrees, 0 at 12 o'clock, clockwise). */
  void DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                      const IBlend* blend = nullptr, float thickness = 1.f);

  // --- Images ---
  /** Pixel (srcX, srcY) of the bitmap lands at the bounds' top-left. */
  virtual void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY,
                          const IBlend* blend = nullptr) = 0;
  /** Frame n (1-based, clamped to the frame count) of a multi-frame bitmap. Nothing for an empty
   *  bitmap. */
  void DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int n, const IBlend* blend = nullptr);
  virtual void DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual void DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                 const IBlend* blend = nullptr);
  /** Text from the fixed character cells of a bitmap font. */
  void DrawBitmapedText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* blend,
                        const char* str, bool vCenter = true, bool multiline = false, int charWidth = 6,
                        int charHeight = 12, int charOffset = 0);
  /** The image anchored at the bounds' top-left, scaled uniformly to fit. Nothing for an empty
   *  or zero-size image. */
  virtual void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual void DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                              double angle, const IBlend* blend = nullptr);

  // --- Text ---
  void DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr);
  void DrawText(const IText& text, const char* str, float x, float y, const IBlend* blend = nullptr);
  /** The width of the text; bounds receive its rectangle. 0 (bounds untouched) for no text. */
  virtual float MeasureText(const IText& text, const char* str, IRECT& bounds) const;
  /** For rotated text: rect becomes the box of rect rotated by the text's angle, (tx, ty) the
   *  move that aligns it in bounds. Nothing for angle 0. */
  void CalculateRotatedTextBounds(const IText& text, const IRECT& bounds, IRECT& rect, double& tx, double& ty) const;
  /** rect becomes the aligned box of the rotated text. */
  void MeasureRotatedTextBounds(const IText& text, const IRECT& bounds, IRECT& rect) const;

  // --- Transforms and clipping ---
  void PathTransformSave();
  /** Nothing with an empty stack. */
  void PathTransformRestore();
  void PathTransformReset(bool clearStates = false);
  void PathTransformTranslate(float x, float y);
  void PathTransformScale(float scaleX, float scaleY);
  void PathTransformScale(float scale);
  void PathTransformRotate(float angle);
  void PathTransformSkew(float xAngle, float yAngle);
  void PathTransformMatrix(const IMatrix& matrix);
  const IMatrix& GetTransform() const { return mTransform; }
  /** Clips to r within the current surface (the whole surface for an empty r), in untransformed
   *  logical units. */
  void PathClipRegion(const IRECT& r = IRECT());
  const IRECT& GetClipRECT() const { return mClipRECT; }

  // --- Layers ---
  /** A new offscreen surface over r (pixel-aligned) becomes the drawing target. */
  void StartLayer(IControl* owner, const IRECT& r, bool cacheable = false);
  /** The layer that was current (empty when none); drawing goes back to the surface below. */
  ILayerPtr EndLayer();
  /** The layer becomes the drawing target again; the pointer is emptied. */
  void ResumeLayer(ILayerPtr& layer);
  /** The layer can be drawn as it is (its owner has not moved, the scales still match). */
  bool CheckLayer(const ILayerPtr& layer);
  void DrawLayer(const ILayerPtr& layer, const IBlend* blend = nullptr);
  void DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* blend = nullptr);
  void DrawRotatedLayer(const ILayerPtr& layer, double angle);
  /** Blurs the layer's alpha and lets the back end compose the shadow with its content. */
  void ApplyLayerDropShadow(const ILayerPtr& layer, const IShadow& shadow);
  void SetLayerData(const ILayerPtr& layer, const RawBitmapData& data) { SetLayerBitmapData(layer, data); }
  /** Makes the layer the drawing target (the caller keeps ownership). */
  void PushLayer(ILayer* layer);
  /** Takes the current layer off; the surface below becomes the target. Null when none. A
   *  layer begun by StartLayer or ResumeLayer passes to the caller. */
  ILayer* PopLayer();
  /** The current layer, null when drawing to the main surface. */
  ILayer* GetCurrentLayer() const { return mLayers.empty() ? nullptr : mLayers.back().layer; }

  // ===================================================================================== Back end

  // --- Drawing back end ---
  virtual IColor GetBackgroundColor() const = 0;
  virtual void* GetDrawContext() = 0;
  virtual const char* GetDrawingAPIName() = 0;
  virtual bool BitmapExtSupported(const char* ext) = 0;
  virtual APIBitmap* LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                                   const char* ext) = 0;
  virtual APIBitmap* LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale) = 0;
  /** A new surface of that pixel size, cleared to transparent, usable as a layer and an image. */
  virtual APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable = false) = 0;
  virtual bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) = 0;
  virtual void GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data) = 0;
  virtual void SetLayerBitmapData(const ILayerPtr& layer, const RawBitmapData& data) = 0;
  virtual void ApplyShadowMask(const ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow) = 0;
  virtual int GetAlphaChannelIndex() const = 0;
  virtual bool IsBitmapDataFlipped() const = 0;
  /** Measures the text; bounds receive its rectangle; returns the width. */
  virtual float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const = 0;
  virtual void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr) = 0;
  /** Applies to the points given afterwards. */
  virtual void SetPathTransform(const IMatrix& transform) = 0;
  virtual void SetClipRegion(const IRECT& r) = 0;
  /** Targets the current layer's surface (or the main one). */
  virtual void UpdateLayer() {}
  /** Called right after each control is drawn. */
  virtual void OnControlDrawn(const IRECT& /*bounds*/) {}
  virtual void OnViewInitialized(void* /*platformContext*/) {}
  virtual void OnViewDestroyed() {}
  /** Rebuilds surfaces after a change of size or scale. */
  virtual void DrawResize() {}
  virtual bool IsDrawContextReady() const { return false; }
  virtual void SetDrawContextReady(bool /*ready*/) {}
  virtual void ActivateContext() {}
  virtual void DeactivateContext() {}

  // --- Platform back end ---
  void GetMouseLocation(float& x, float& y) const override = 0;
  virtual void HideMouseCursor(bool hide = true, bool lock = true) = 0;
  virtual void MoveMouseCursor(float x, float y) = 0;
  /** Shows that cursor kind; returns the kind shown before. */
  virtual ECursor SetMouseCursor(ECursor cursorType = kArrowCursor)
  {
    const ECursor previous = mCursorType;
    mCursorType = cursorType;
    return previous;
  }
  virtual void EndPlatformUserInput() = 0;
  void* OpenWindow(void* pParent) override = 0;
  void CloseWindow() override = 0;
  virtual void* GetWindow() = 0;
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual bool GetTextFromClipboard(FxString& str) = 0;
  virtual bool SetTextInClipboard(const char* str) = 0;
  virtual void UpdateTooltips() = 0;
  virtual EMessageBoxResult ShowMessageBox(const char* str, const char* caption, EMessageBoxButtons buttons,
                                           IMsgBoxCompletionHandlerFunc completionHandler = nullptr) = 0;
  /** Afterwards fileName holds the chosen file's full path and path its folder; both empty
   *  after a cancel. */
  virtual void PromptForFile(FxString& fileName, FxString& path, EFilePromptAction action = kFileOpen,
                             const char* ext = "") = 0;
  /** For a file the editor saves at a place it names itself, with no prompt (a default
   *  preset): true when the platform lets it save at path; false with why, a sentence for the
   *  person, when it does not (a folder, a device or a pipe, or a file the host keeps from
   *  being replaced). The default lets every path be saved. */
  virtual bool MaySaveFile(const char* /*path*/, FxString& why)
  {
    why.Set("");
    return true;
  }
  virtual void PromptForDirectory(FxString& dir) = 0;
  virtual bool PromptForColor(IColor& color, const char* prompt = "", IColorPickerHandlerFunc func = nullptr) = 0;
  /** Opens a web address (text holding "http") or a file path with the system. */
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
                       const char* errMsgOnFailure = nullptr) = 0;
  virtual const char* GetPlatformName() { return ""; }
  virtual bool RevealPath(const char* /*path*/, bool /*select*/) { return false; }
  virtual void AttachPlatformView(const IRECT& /*r*/, void* /*view*/) {}
  virtual void RemovePlatformView(void* /*view*/) {}
  virtual void* GetPlatformInstance() { return nullptr; }
  /** Stores an opaque platform pointer. */
  virtual void SetPlatformContext(void* platformContext) { mPlatformContext = platformContext; }
  void* GetPlatformContext() const { return mPlatformContext; }
  virtual PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) = 0;
  virtual PlatformFontPtr LoadPlatformFont(const char* fontID, void* data, int dataSize) = 0;
  virtual PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style) = 0;
  virtual void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) = 0;
  virtual const char* GetBundleID() { return ""; }
  virtual void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                       const char* str) = 0;
  /** Shows a native menu. A modal menu returns after it closed (isAsync left false) with the
   *  chosen menu (null: nothing chosen); an asynchronous one sets isAsync and answers later through
   *  SetControlValueAfterPopupMenu. */
  virtual IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) = 0;
  /** Backing pixels per view point of the window. */
  virtual float GetPlatformWindowScale() const { return 1.f; }
  /** The room, in view points, that the screen the view is on has for the view (its usable area
   *  less the window's frame around the content); false while the view is on no screen. */
  virtual bool GetPlatformScreenRoom(float& /*width*/, float& /*height*/) const { return false; }
  /** Sizes the platform view to the editor's size × draw scale. */
  virtual void PlatformResize(bool /*parentHasResized*/) {}
  virtual EUIAppearance GetUIAppearance() const { return kLight; }

  /** Translation of the view when the main surface is copied to the window. */
  void SetTranslation(float x, float y)
  {
    mXTranslation = x;
    mYTranslation = y;
  }
  float XTranslation() const { return mXTranslation; }
  float YTranslation() const { return mYTranslation; }

protected:
  /** Shows or hides the cursor through the back end, remembering the state. */
  void SetCursorHidden(bool hidden, bool locked)
  {
    mCursorHidden = hidden;
    mCursorLock = locked;
  }
  /** Draws the shapes of the parsed image in the current transform. */
  void DoDrawSVG(const ISVG& svg, const IBlend* blend);

  int mWidth;
  int mHeight;
  int mFPS;
  float mScreenScale = 1.f;
  float mDrawScale = 1.f;
  float mChosenScale = 1.f;
  float mMinScale;
  float mMaxScale;
  bool mCursorHidden = false;
  bool mCursorLock = false;
  bool mTabletInput = false;
  float mCursorX = -1.f; // cursor position stored by the platform while hidden
  float mCursorY = -1.f;
  ECursor mCursorType = kArrowCursor;

private:
  // Control management.
  void InstallSpecialControl(IControl* control);
  void InsertBackground(IControl* control);
  /** Ends the host gestures of the captured controls' parameters, then forgets the captures. */
  void ReleaseCapturesEndingGestures();
  void EndGestures(const IControl* control);
  void ForgetControl(IControl* control);
  void ClearCaptureOf(IControl* control);
  void DeleteAllControls();
  int GetMouseControlIdx(float x, float y, bool mouseOver);
  /** The record of a release or cancellation with a usable position. */
  IMouseInfo Released(const IMouseInfo& p) const;
  // Resources.
  /** The common steps of the bitmap loaders: the stored bitmap at the target scale, the type
   *  check, then find(target, extension, out source scale, out loaded) for a bitmap stored at
   *  another scale or a new one (loaded set), which is kept or redrawn at the target scale. */
  IBitmap LoadBitmapWith(const char* name, int nStates, bool framesAreHorizontal, int targetScale,
                         const std::function<APIBitmap*(int, const char*, int&, bool&)>& find);
  /** Hands a platform font to the drawing back end and caches it; false when either refuses. */
  bool RegisterFont(const char* fontID, const PlatformFontPtr& font);

  // Layers.
  struct LayerEntry
  {
    ILayer* layer;
    bool owned; // begun here (StartLayer, ResumeLayer), not pushed by its owner
  };
  void PushLayerEntry(ILayer* layer, bool owned);
  void ApplyClip(const IRECT& clip);
  void ClipToSurface();

  IGEditorDelegate* mDelegate;
  FxPtrList<IControl> mControls{4096};
  std::unordered_map<int, IControl*> mCtrlTags;
  std::unique_ptr<IControl> mCornerResizer;
  FxPtrList<IBubbleControlBase> mBubbleControls{4096};
  std::unique_ptr<IPopupMenuControlBase> mPopupControl;
  std::unique_ptr<IFPSDisplayControlBase> mPerfDisplay;
  std::unique_ptr<ITextEntryControlBase> mTextEntryControl;
  IPopupMenu mPromptPopupMenu;
  FxString mSharedResourcesSubPath;

  std::vector<EGestureType> mRegisteredGestures;
  IRECTList mGestureRegions;
  std::unordered_map<int, IGestureFunc> mGestureRegionFuncs;

  std::unordered_map<uint64_t, IControl*> mCapturedMap;
  IControl* mMouseOver = nullptr;
  IControl* mInTextEntry = nullptr;
  IControl* mInPopupMenu = nullptr;
  bool mIsContextMenu = false;
  int mTextEntryValIdx = 0;
  int mPopupMenuValIdx = 0;
  int mMouseOverIdx = -1;
  float mMouseDownX = -1.f;
  float mMouseDownY = -1.f;
  int mParamIdxUnderMouse = -1;
  bool mPointerInView = false; // from a move or press in the view until the pointer leaves it
  bool mEnableMouseOver = false;
  bool mStrict = false;
  bool mEnableTooltips = false;
  bool mResizingInProcess = false;
  bool mLayoutOnResize = false;
  bool mEnableMultiTouch = false;
  EResizerMode mResizerMode = kResizerScale;
  double mPrevTimestamp = 0.0;                                      // seconds since the first timed frame
  double mFrameClockStartMs = std::numeric_limits<double>::quiet_NaN(); // clock at the first timed frame
  IKeyHandlerFunc mKeyHandlerFunc;
  IDisplayTickFunc mDisplayTickFunc;
  IAppearanceChangedFunc mAppearanceChangedFunc;
  IClockFunc mClock;
  void* mPlatformContext = nullptr;
  float mXTranslation = 0.f;
  float mYTranslation = 0.f;

  std::vector<LayerEntry> mLayers;
  IRECT mClipRECT;
  IMatrix mTransform;
  std::stack<IMatrix> mTransformStates;
};

} // namespace fx::gfx
