#pragma once
// The floating value bubble the editor shows next to a control while it changes: it fades in
// over 200 ms, stays at least 1000 ms and as long as the control is held (checked every 200 ms),
// then fades out over 200 ms. A rounded box with an arrow towards the control, on a soft
// shadow, kept inside the editor. Main thread only.

#include "core/FxString.h"
#include "graphics/ISpecialControls.h"

namespace fx::gfx {

class IBubbleControl : public IBubbleControlBase
{
public:
  enum EArrowSide : int
  {
    kTop = 0,
    kRight = 1,
    kBottom = 2,
    kLeft = 3,
  };
  enum EState : int
  {
    kHidden = 0,
    kFadingIn = 1,
    kShowing = 2,
    kFadingOut = 3,
  };

  explicit IBubbleControl(const IText& text = IText(), const IColor& fillColor = kColorWhite,
                          const IColor& strokeColor = kColorBlack, float roundness = 5.f);

  void ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                  const IRECT& minimumContentBounds, uint64_t touchId) override;
  void Draw(IGfx& g) override;

  /** The text inside area. */
  virtual void DrawContent(IGfx& g, const IRECT& area);
  /** The box with its arrow around area. */
  virtual void DrawBubble(IGfx& g, const IRECT& area);
  virtual void MeasureText(const char* str, IRECT& bounds);

  int GetState() const { return mState; }
  int GetArrowSide() const { return mArrowSide; }
  const IRECT& GetBubbleRECT() const { return mBubbleBounds; }
  IControl* GetCaller() const { return mCaller; }
  const char* GetStr() const { return mStr.Get(); }
  float GetOpacity() const { return mBlend.mWeight; }

protected:
  /** One animation step of the fading and holding. */
  void Step();

  EDirection mDirection = kHorizontal;
  IRECT mMaxBounds;
  IRECT mBubbleBounds;
  IControl* mCaller = nullptr;
  int mArrowSide = kLeft;
  FxString mStr;
  float mRoundness;
  float mInset = 10.f;
  float mArrowSize = 10.f;
  float mMaxOpacity = 0.95f;
  float mStrokeWidth = 2.f;
  float mHorizontalPadding = 5.f;
  IColor mFillColor;
  IColor mStrokeColor;
  int mState = kHidden;
};

} // namespace fx::gfx
