// Helpers shared by the fill and stroke tessellation.
#pragma once

#include "vector/VGContext.h"

#include <cmath>

namespace fx::gfx::tess {

// A command code read back from the float buffer, truncated toward zero; values that
// no int holds (or not a number) read as -1, an unknown code.
inline int commandCode(float v) { return (v > -1.0f && v < 16.0f) ? static_cast<int>(v) : -1; }

// A stored winding value truncated toward zero; out of the int range or not a number: 0.
inline int windingValue(float v) {
  return (v > -2147483648.0f && v < 2147483648.0f) ? static_cast<int>(v) : 0;
}

// Whether two points lie closer than tol.
inline int ptEquals(float x1, float y1, float x2, float y2, float tol) {
  const float dx = x2 - x1, dy = y2 - y1;
  return dx * dx + dy * dy < tol * tol;
}

// Scales (x, y) to unit length unless it is nearly zero; returns the length it had.
inline float normalize(float* x, float* y) {
  const float d = std::sqrt((*x) * (*x) + (*y) * (*y));
  if (d > 1e-6f) {
    const float id = 1.0f / d;
    *x *= id;
    *y *= id;
  }
  return d;
}

inline void vset(VGvertex* v, float x, float y, float u, float t) {
  v->x = x;
  v->y = y;
  v->u = u;
  v->v = t;
}

}  // namespace fx::gfx::tess
