#pragma once
// Second base of the controls that draw themselves with vector shapes: their style, label and
// value texts with their rectangles, and the splash of a click. The editor reaches a vector
// control through this base (restyling, the splash click action). Main thread.

#include "core/FxString.h"
#include "graphics/IVStyle.h"
#include "graphics/records/IRECT.h"

namespace fx::gfx {

class IControl;

class IVectorBase
{
public:
  explicit IVectorBase(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false)
    : mStyle(style), mLabelInWidget(labelInWidget), mValueInWidget(valueInWidget)
  {
  }
  virtual ~IVectorBase() = default;

  /** Set by the owning control's constructor. */
  void AttachIControl(IControl* control) { mControl = control; }
  IControl* GetIControl() const { return mControl; }

  /** Copies the whole style. */
  virtual void SetStyle(const IVStyle& style) { mStyle = style; }
  const IVStyle& GetStyle() const { return mStyle; }

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

protected:
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
  int mShape = 0;
};

} // namespace fx::gfx
