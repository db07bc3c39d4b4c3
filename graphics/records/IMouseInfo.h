#pragma once
// One pointer event: position and movement since the previous event of a drag, in editor units,
// with its buttons and modifiers. Pointer handlers receive lists of these, one per pointer.

#include "graphics/records/IMouseMod.h"

namespace fx::gfx {

struct IMouseInfo
{
  float x = 0.f;
  float y = 0.f;
  float dX = 0.f;
  float dY = 0.f;
  IMouseMod ms;
};

} // namespace fx::gfx
