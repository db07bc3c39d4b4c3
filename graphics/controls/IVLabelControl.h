#pragma once
// A text in the style's value text, with an optional drop shadow under the text and an outline
// around the bounds. It takes no pointer input and has no layout step: it draws into its whole
// bounds. Main thread only.

#include "graphics/ITextControl.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVLabelControl : public ITextControl, public IVectorBase
{
public:
  IVLabelControl(const IRECT& bounds, const char* str, const IVStyle& style = IVStyleDefault);

  /** Background, shadow text, text, frame; no text for an empty string. */
  void Draw(IGfx& g) override;
};

} // namespace fx::gfx
