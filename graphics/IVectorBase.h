#pragma once
// Second base of the controls that draw themselves with vector shapes: their style, label and
// value texts with their rectangles, the drawing steps they share (background, label, value,
// and the pressable rectangle, ellipse and triangle that show pressed, hovered and disabled
// states with shadow and frame) and the splash of a click. The editor reaches a vector control
// through this base (restyling, the splash click action). Main thread only.

#include "core/FxString.h"
#include "graphics/IDrawStyles.h"
#include "graphics/IVStyle.h"
#include "graphics/records/IRECT.h"

namespace fx::gfx {

class IControl;
class IGfx;

/** The shape of a pressable widget. */
enum EVShape : int
{
  kVShapeRectangle = 0,
  kVShapeEllipse = 1,
  kVShapeTriangle = 2,
  kVShapeRoundedEnds = 3, // the two top corners rounded
  kVShapeRoundedAll = 4,
};

class IVectorBase
{
public:
  explicit IVectorBase(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false);
  virtual ~IVectorBase() = default;

  /** Set by the owning control's constructor. */
  void AttachIControl(IControl* control) { mControl = control; }
  IControl* GetIControl() const { return mControl; }

  /** Copies the whole style. */
  virtual void SetStyle(const IVStyle& style) { mStyle = style; }
  const IVStyle& GetStyle() const { return mStyle; }
  const IColor& GetColor(EVColorRole role) const { return mStyle.GetColor(role); }

  /** Colour 0 over rect, with the control's blend. */
  virtual void DrawBackground(IGfx& g, const IRECT& rect);
  /** Nothing here: the controls draw their widget. */
  virtual void DrawWidget(IGfx& /*g*/) {}
  /** The label text in its rectangle when labels are shown. */
  virtual void DrawLabel(IGfx& g);
  /** A faint box under the pointer, then the value text when values are shown. */
  virtual void DrawValue(IGfx& g, bool mouseOver);
  /** Rectangle and rounded-all: every corner rounded; ellipse; triangle at the style's angle;
   *  rounded-ends: the top corners rounded; any other shape: nothing. */
  virtual void DrawPressableShape(IGfx& g, int shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                  bool disabled);

  /** Corner flags in the order top-left, top-right, bottom-left, bottom-right. */
  void DrawPressableRectangle(IGfx& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled,
                              bool roundTopLeft = true, bool roundTopRight = true, bool roundBottomLeft = true,
                              bool roundBottomRight = true);
  /** The ellipse inscribed in bounds. */
  void DrawPressableEllipse(IGfx& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled);
  /** Apex at the top centre, base along the bottom, turned about the centre by angle degrees. */
  void DrawPressableTriangle(IGfx& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled, float angle);
  /** The splash circle, clipped to clipRect. */
  void DrawSplash(IGfx& g, const IRECT& clipRect);

  /** Splits parent into the label, widget and value rectangles and returns the clickable area
   *  (parent less the label). hasHandle: the widget is one pressable area, kept clear of the
   *  frame and the drop shadow. Text is measured through the owner's editor. */
  IRECT IVectorBaseLayout(const IRECT& parent, bool hasHandle);

  /** What is left of bounds once the frame and the shadow are allowed for. */
  IRECT GetPressableFaceBounds(const IRECT& bounds) const;
  /** A colour of the style with the disabled shift (-63 on red, green and blue, clamped). */
  IColor GetFaceColor(EVColorRole role, bool disabled) const;

  void SetSplashPoint(float x, float y)
  {
    mSplashX = x;
    mSplashY = y;
  }
  float GetSplashX() const { return mSplashX; }
  float GetSplashY() const { return mSplashY; }
  void SetSplashRadius(float radius) { mSplashRadius = radius; }
  float GetSplashRadius() const { return mSplashRadius; }
  float GetMaxSplashRadius() const { return mMaxSplashRadius; }

  void SetLabelStr(const char* str) { mLabelStr.Set(str); }
  const char* GetLabelStr() const { return mLabelStr.Get(); }
  void SetValueStr(const char* str) { mValueStr.Set(str); }
  const char* GetValueStr() const { return mValueStr.Get(); }
  void SetShape(int shape) { mShape = shape; }
  int GetShape() const { return mShape; }
  float GetTrackSize() const { return mTrackSize; }
  void SetTrackSize(float size) { mTrackSize = size; }
  float GetValueDisplayFraction() const { return mValueDisplayFrac; }
  bool GetLabelInWidget() const { return mLabelInWidget; }
  bool GetValueInWidget() const { return mValueInWidget; }
  const IRECT& GetWidgetBounds() const { return mWidgetBounds; }
  const IRECT& GetLabelBounds() const { return mLabelBounds; }
  const IRECT& GetValueBounds() const { return mValueBounds; }

protected:
  /** The owner's blend, or none before a control is attached. */
  const IBlend* ControlBlend() const;
  /** The owner has an animation running. */
  bool Animating() const;

  IControl* mControl = nullptr;
  IVStyle mStyle;
  bool mLabelInWidget = false;
  bool mValueInWidget = false;
  float mSplashRadius = 0.f;
  float mSplashX = 0.f;
  float mSplashY = 0.f;
  float mMaxSplashRadius = 50.f;
  float mTrackSize = 2.f;
  float mValueDisplayFrac = 0.66f;
  IRECT mWidgetBounds;
  IRECT mLabelBounds;
  IRECT mValueBounds;
  FxString mLabelStr;
  FxString mValueStr;
  int mShape = kVShapeRectangle;
};

} // namespace fx::gfx
