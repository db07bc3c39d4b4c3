// Evaluates paint and scissor records at frame points the way a back end's fragment
// stage reads them: through the inverse transforms, with a rounded-box distance ramp.
#pragma once

#include <algorithm>
#include <cmath>

#include "vector/VGContext.h"

namespace fx::gfx::test {

inline float sdRoundRect(float px, float py, float ex, float ey, float r) {
  const float dx = std::fabs(px) - (ex - r), dy = std::fabs(py) - (ey - r);
  const float ox = std::max(dx, 0.0f), oy = std::max(dy, 0.0f);
  return std::min(std::max(dx, dy), 0.0f) + std::sqrt(ox * ox + oy * oy) - r;
}

// Ramp position at a frame point: 0 = inner colour, 1 = outer colour.
inline float gradientAt(const VGpaint& p, float x, float y) {
  float inv[6], px, py;
  vgrTransformInverse(inv, p.xform);
  vgrTransformPoint(&px, &py, inv, x, y);
  const float d = (sdRoundRect(px, py, p.extent[0], p.extent[1], p.radius) + p.feather * 0.5f) / p.feather;
  return std::clamp(d, 0.0f, 1.0f);
}

inline VGcolor colorAt(const VGpaint& p, float x, float y) {
  return vgrColorLerp(p.innerColor, p.outerColor, gradientAt(p, x, y));
}

inline bool insideScissor(const VGscissor& s, float x, float y) {
  if (s.extent[0] < 0) return true;
  float inv[6], px, py;
  vgrTransformInverse(inv, s.xform);
  vgrTransformPoint(&px, &py, inv, x, y);
  return std::fabs(px) <= s.extent[0] + 1e-4f && std::fabs(py) <= s.extent[1] + 1e-4f;
}

}  // namespace fx::gfx::test
