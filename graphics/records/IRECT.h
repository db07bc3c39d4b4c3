#pragma once
// Rectangle in editor units: left, top, right, bottom. The all-zero rectangle is the empty one
// (the only emptiness these operations know; R < L is not treated as empty). Comparisons are
// exact. A plain value; any thread.

#include <algorithm>
#include <cmath>

namespace fx::gfx {

struct IRECT
{
  float L = 0.f;
  float T = 0.f;
  float R = 0.f;
  float B = 0.f;

  constexpr IRECT() = default;
  constexpr IRECT(float l, float t, float r, float b) : L(l), T(t), R(r), B(b) {}
  // The rectangle (x, y, x, y) of a point.
  static constexpr IRECT OfPoint(float x, float y) { return IRECT(x, y, x, y); }

  constexpr float W() const { return R - L; }
  constexpr float H() const { return B - T; }
  constexpr float Area() const { return (R - L) * (B - T); }
  constexpr float MW() const { return 0.5f * (L + R); }
  constexpr float MH() const { return 0.5f * (T + B); }
  constexpr bool Empty() const { return L == 0.f && T == 0.f && R == 0.f && B == 0.f; }

  constexpr bool Contains(float x, float y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  constexpr bool Contains(const IRECT& r) const
  {
    return !Empty() && !r.Empty() && r.L >= L && r.R <= R && r.T >= T && r.B <= B;
  }
  // Touching edges count on the right and bottom sides (R >= r.L, B >= r.T).
  constexpr bool Intersects(const IRECT& r) const
  {
    return !Empty() && !r.Empty() && R >= r.L && L < r.R && B >= r.T && T < r.B;
  }
  constexpr IRECT Intersect(const IRECT& r) const
  {
    if (!Intersects(r)) return IRECT();
    return IRECT(std::max(L, r.L), std::max(T, r.T), std::min(R, r.R), std::min(B, r.B));
  }
  constexpr IRECT Union(const IRECT& r) const
  {
    if (Empty()) return r;
    if (r.Empty()) return *this;
    return IRECT(std::min(L, r.L), std::min(T, r.T), std::max(R, r.R), std::max(B, r.B));
  }
  // Same width and touching or overlapping vertically, or same height and touching or
  // overlapping horizontally; an empty rectangle merges with anything.
  constexpr bool Mergeable(const IRECT& r) const
  {
    if (Empty() || r.Empty()) return true;
    if (L == r.L && R == r.R && ((r.T <= T && T <= r.B) || (T <= r.T && r.T <= B))) return true;
    if (T == r.T && B == r.B && ((r.L <= L && L <= r.R) || (L <= r.L && r.L <= R))) return true;
    return false;
  }

  constexpr IRECT GetPadded(float d) const { return IRECT(L - d, T - d, R + d, B + d); }
  // Each half-extent multiplied by frac about the centre.
  constexpr IRECT GetScaledAboutCentre(float frac) const
  {
    const float hw = W() / 2.f * frac, hh = H() / 2.f * frac;
    return IRECT(MW() - hw, MH() - hh, MW() + hw, MH() + hh);
  }
  // Outward to whole pixels at the given scale; a scale that is not a positive number leaves
  // the rectangle as it is.
  IRECT GetPixelAligned(float scale) const
  {
    if (!(scale > 0.f) || !std::isfinite(scale)) return *this;
    return IRECT(std::floor(L * scale) / scale, std::floor(T * scale) / scale,
                 std::ceil(R * scale) / scale, std::ceil(B * scale) / scale);
  }
  void PixelAlign(float scale) { *this = GetPixelAligned(scale); }

  constexpr bool operator==(const IRECT& r) const { return L == r.L && T == r.T && R == r.R && B == r.B; }
  constexpr bool operator!=(const IRECT& r) const { return !(*this == r); }
};

} // namespace fx::gfx
