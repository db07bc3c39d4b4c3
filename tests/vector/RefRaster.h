// A small reference rasteriser for the recorded calls: fill fans are accumulated with
// the non-zero winding rule at pixel centres, the way a stencil-then-cover back end
// draws them; triangle strips are measured by area.
#pragma once

#include <cmath>
#include <vector>

#include "tests/vector/RecordingRenderer.h"

namespace fx::gfx::test {

inline float triArea(const VGvertex& a, const VGvertex& b, const VGvertex& c) {
  return 0.5f * ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y));
}

inline bool inTri(float px, float py, const VGvertex& a, const VGvertex& b, const VGvertex& c) {
  const float d1 = (px - b.x) * (a.y - b.y) - (a.x - b.x) * (py - b.y);
  const float d2 = (px - c.x) * (b.y - c.y) - (b.x - c.x) * (py - c.y);
  const float d3 = (px - a.x) * (c.y - a.y) - (c.x - a.x) * (py - a.y);
  const bool neg = (d1 < 0) || (d2 < 0) || (d3 < 0);
  const bool pos = (d1 > 0) || (d2 > 0) || (d3 > 0);
  return !(neg && pos);
}

// Winding count of the fill fans of one fill call at a point.
inline int fillWinding(const RecordedCall& call, float px, float py) {
  int w = 0;
  for (const RecordedPath& p : call.paths) {
    for (size_t i = 1; i + 1 < p.fill.size(); i++) {
      const VGvertex &a = p.fill[0], &b = p.fill[i], &c = p.fill[i + 1];
      const float area = triArea(a, b, c);
      if (area != 0 && inTri(px, py, a, b, c)) w += area > 0 ? 1 : -1;
    }
  }
  return w;
}

// Area covered by the fan of one path (signed, shoelace).
inline float fanArea(const std::vector<VGvertex>& v) {
  float a = 0;
  for (size_t i = 1; i + 1 < v.size(); i++) a += triArea(v[0], v[i], v[i + 1]);
  return a;
}

// Total unsigned area of a triangle strip.
inline float stripArea(const std::vector<VGvertex>& v) {
  float a = 0;
  for (size_t i = 0; i + 2 < v.size(); i++) a += std::fabs(triArea(v[i], v[i + 1], v[i + 2]));
  return a;
}

}  // namespace fx::gfx::test
