#pragma once
// A text readout (the meters' held levels) that is redrawn only when its text changes. Main
// thread only.

#include "graphics/ITextControl.h"

class IVTextControlBV : public fx::gfx::ITextControl
{
public:
  using ITextControl::ITextControl;

  /** Nothing for the text it shows (compared byte for byte); otherwise the text is replaced, the
   *  bounds follow it when they are set to, and the readout is marked dirty. */
  void SetStr(const char* text) override;
};
