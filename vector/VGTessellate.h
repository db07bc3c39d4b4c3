// Helpers shared by the fill and stroke tessellation.
#pragma once

#include "vector/VGContext.h"

namespace fx::gfx::tess {

// A command code read back from the float buffer, truncated toward zero; values that
// no int holds (or not a number) read as -1, an unknown code.
inline int commandCode(float v) { return (v > -1.0f && v < 16.0f) ? static_cast<int>(v) : -1; }

// A stored winding value truncated toward zero; out of the int range or not a number: 0.
inline int windingValue(float v) {
  return (v > -2147483648.0f && v < 2147483648.0f) ? static_cast<int>(v) : 0;
}

inline void vset(VGvertex* v, float x, float y, float u, float t) {
  v->x = x;
  v->y = y;
  v->u = u;
  v->v = t;
}

}  // namespace fx::gfx::tess
