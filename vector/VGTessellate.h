// Helpers shared by the fill and stroke tessellation.
#pragma once

#include "vector/VGContext.h"

namespace fx::gfx::tess {

inline void vset(VGvertex* v, float x, float y, float u, float t) {
  v->x = x;
  v->y = y;
  v->u = u;
  v->v = t;
}

}  // namespace fx::gfx::tess
