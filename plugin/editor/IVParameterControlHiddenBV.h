#pragma once
// An invisible control that only carries a parameter binding in the editor's control list: its
// rectangle is empty, so it is never hit, and it draws nothing. Main thread only.

#include "graphics/IControl.h"

class IVParameterControlHiddenBV : public fx::gfx::IControl
{
public:
  explicit IVParameterControlHiddenBV(int paramIdx) : IControl(fx::gfx::IRECT(), paramIdx) {}

  void Draw(fx::gfx::IGfx&) override {}
};
