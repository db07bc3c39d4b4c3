#pragma once
// A labelled frame drawn around a named group of other controls (or over given bounds). It
// takes no pointer input. Main thread only.

#include "core/FxString.h"
#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVGroupControl : public IControl, public IVectorBase
{
public:
  IVGroupControl(const IRECT& bounds, const char* label = "", float labelOffset = 10.f,
                 const IVStyle& style = IVStyleDefault);
  /** Fits itself around the controls of groupName, grown by the margins, once attached. */
  IVGroupControl(const char* label, const char* groupName, float padL = 0.f, float padT = 0.f, float padR = 0.f,
                 float padB = 0.f, const IVStyle& style = IVStyleDefault);

  void Draw(IGfx& g) override;
  /** The frame, open where the label sits. */
  void DrawWidget(IGfx& g) override;
  void OnInit() override;
  void OnResize() override;
  /** Bounds around every other control of the group, grown by the margins. */
  void SetBoundsBasedOnGroup(const char* groupName, float padL, float padT, float padR, float padB);

protected:
  float CornerRadius() const;

  FxString mGroupName;
  float mPadL = 0.f;
  float mPadT = 0.f;
  float mPadR = 0.f;
  float mPadB = 0.f;
  float mLabelOffset;
  float mLabelPadding = 10.f;
};

} // namespace fx::gfx
