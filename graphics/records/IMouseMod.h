#pragma once
// Pointer buttons and modifier keys of one pointer event.

#include <cstdint>

namespace fx::gfx {

struct IMouseMod
{
  bool L = false; // left button
  bool R = false; // right button
  bool S = false; // shift
  bool C = false; // control
  bool A = false; // option
  uint64_t touchID = 0; // 0 for the mouse
  float touchRadius = 0.f;

  constexpr IMouseMod() = default;
  constexpr IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false,
                      uint64_t touch = 0, float radius = 0.f)
    : L(l), R(r), S(s), C(c), A(a), touchID(touch), touchRadius(radius) {}

  constexpr bool IsTouch() const { return touchID > 0; }
};

} // namespace fx::gfx
