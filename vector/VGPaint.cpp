// Gradient and image paints.
#include <cmath>
#include <cstring>

#include "vector/VGContext.h"

namespace fx::gfx {

VGpaint vgrLinearGradient(VGcontext* /*ctx*/, float sx, float sy, float ex, float ey, VGcolor icol, VGcolor ocol) {
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  constexpr float large = 1e5f;
  float dx = ex - sx, dy = ey - sy;
  const float d = std::sqrt(dx * dx + dy * dy);
  if (d > 0.0001f) {
    dx /= d;
    dy /= d;
  } else {
    dx = 0;
    dy = 1;
  }
  p.xform[0] = dy;
  p.xform[1] = -dx;
  p.xform[2] = dx;
  p.xform[3] = dy;
  p.xform[4] = sx - dx * large;
  p.xform[5] = sy - dy * large;
  p.extent[0] = large;
  p.extent[1] = large + d * 0.5f;
  p.radius = 0.0f;
  p.feather = std::fmax(1.0f, d);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGpaint vgrRadialGradient(VGcontext* /*ctx*/, float cx, float cy, float inr, float outr, VGcolor icol,
                          VGcolor ocol) {
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  const float r = (inr + outr) * 0.5f;
  const float f = (outr - inr);
  vgrTransformIdentity(p.xform);
  p.xform[4] = cx;
  p.xform[5] = cy;
  p.extent[0] = r;
  p.extent[1] = r;
  p.radius = r;
  p.feather = std::fmax(1.0f, f);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGpaint vgrBoxGradient(VGcontext* /*ctx*/, float x, float y, float w, float h, float r, float f, VGcolor icol,
                       VGcolor ocol) {
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  vgrTransformIdentity(p.xform);
  p.xform[4] = x + w * 0.5f;
  p.xform[5] = y + h * 0.5f;
  p.extent[0] = w * 0.5f;
  p.extent[1] = h * 0.5f;
  p.radius = r;
  p.feather = std::fmax(1.0f, f);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VGpaint vgrImagePattern(VGcontext* /*ctx*/, float cx, float cy, float w, float h, float angle, int image,
                        float alpha) {
  VGpaint p;
  std::memset(&p, 0, sizeof(p));
  vgrTransformRotate(p.xform, angle);
  p.xform[4] = cx;
  p.xform[5] = cy;
  p.extent[0] = w;
  p.extent[1] = h;
  p.image = image;
  p.innerColor = p.outerColor = vgrColorFromFloatsA(1, 1, 1, alpha);
  return p;
}

}  // namespace fx::gfx
