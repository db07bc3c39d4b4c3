// Points, sizes and rectangles, and the usual helpers. A rectangle's origin
// is its minimum corner; a negative width or height counts from the other
// side, as the helpers' standardising rules say. Header only; any thread.
#pragma once

#include <algorithm>
#include <cmath>

#include <CoreGraphics/CGBase.h>

struct CGPoint {
  CGFloat x;
  CGFloat y;
};

struct CGSize {
  CGFloat width;
  CGFloat height;
};

struct CGRect {
  CGPoint origin;
  CGSize size;
};

inline constexpr CGPoint CGPointZero = {0, 0};
inline constexpr CGSize CGSizeZero = {0, 0};
inline constexpr CGRect CGRectZero = {{0, 0}, {0, 0}};

inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return CGPoint{x, y}; }
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return CGSize{w, h}; }
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return CGRect{{x, y}, {w, h}}; }

// The rectangle with a non-negative width and height covering the same area.
inline CGRect CGRectStandardize(CGRect r) {
  if (r.size.width < 0) r.origin.x += r.size.width, r.size.width = -r.size.width;
  if (r.size.height < 0) r.origin.y += r.size.height, r.size.height = -r.size.height;
  return r;
}
inline CGFloat CGRectGetMinX(CGRect r) { return CGRectStandardize(r).origin.x; }
inline CGFloat CGRectGetMinY(CGRect r) { return CGRectStandardize(r).origin.y; }
inline CGFloat CGRectGetWidth(CGRect r) { return std::fabs(r.size.width); }
inline CGFloat CGRectGetHeight(CGRect r) { return std::fabs(r.size.height); }
inline CGFloat CGRectGetMaxX(CGRect r) { return CGRectGetMinX(r) + CGRectGetWidth(r); }
inline CGFloat CGRectGetMaxY(CGRect r) { return CGRectGetMinY(r) + CGRectGetHeight(r); }
inline CGFloat CGRectGetMidX(CGRect r) { return CGRectGetMinX(r) + CGRectGetWidth(r) / 2; }
inline CGFloat CGRectGetMidY(CGRect r) { return CGRectGetMinY(r) + CGRectGetHeight(r) / 2; }

inline bool CGPointEqualToPoint(CGPoint a, CGPoint b) { return a.x == b.x && a.y == b.y; }
inline bool CGSizeEqualToSize(CGSize a, CGSize b) { return a.width == b.width && a.height == b.height; }
inline bool CGRectEqualToRect(CGRect a, CGRect b) {
  a = CGRectStandardize(a), b = CGRectStandardize(b);
  return CGPointEqualToPoint(a.origin, b.origin) && CGSizeEqualToSize(a.size, b.size);
}
// Empty: no area (zero width or height) or a coordinate that is not a number.
inline bool CGRectIsEmpty(CGRect r) {
  return !(r.size.width != 0 && r.size.height != 0) || std::isnan(r.origin.x) || std::isnan(r.origin.y);
}
// Contains: min <= p < max on both axes, as hit testing wants.
inline bool CGRectContainsPoint(CGRect r, CGPoint p) {
  return p.x >= CGRectGetMinX(r) && p.x < CGRectGetMaxX(r) && p.y >= CGRectGetMinY(r) && p.y < CGRectGetMaxY(r);
}
inline bool CGRectIntersectsRect(CGRect a, CGRect b) {
  return CGRectGetMinX(a) < CGRectGetMaxX(b) && CGRectGetMinX(b) < CGRectGetMaxX(a) &&
         CGRectGetMinY(a) < CGRectGetMaxY(b) && CGRectGetMinY(b) < CGRectGetMaxY(a);
}
// The common area; CGRectZero when there is none.
inline CGRect CGRectIntersection(CGRect a, CGRect b) {
  if (!CGRectIntersectsRect(a, b)) return CGRectZero;
  const CGFloat x0 = std::max(CGRectGetMinX(a), CGRectGetMinX(b)), y0 = std::max(CGRectGetMinY(a), CGRectGetMinY(b));
  const CGFloat x1 = std::min(CGRectGetMaxX(a), CGRectGetMaxX(b)), y1 = std::min(CGRectGetMaxY(a), CGRectGetMaxY(b));
  return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}
inline CGRect CGRectUnion(CGRect a, CGRect b) {
  if (CGRectIsEmpty(a)) return CGRectStandardize(b);
  if (CGRectIsEmpty(b)) return CGRectStandardize(a);
  const CGFloat x0 = std::min(CGRectGetMinX(a), CGRectGetMinX(b)), y0 = std::min(CGRectGetMinY(a), CGRectGetMinY(b));
  const CGFloat x1 = std::max(CGRectGetMaxX(a), CGRectGetMaxX(b)), y1 = std::max(CGRectGetMaxY(a), CGRectGetMaxY(b));
  return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}
inline CGRect CGRectOffset(CGRect r, CGFloat dx, CGFloat dy) {
  r = CGRectStandardize(r);
  r.origin.x += dx, r.origin.y += dy;
  return r;
}
inline CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy) {
  r = CGRectStandardize(r);
  r.origin.x += dx, r.origin.y += dy, r.size.width -= 2 * dx, r.size.height -= 2 * dy;
  return (r.size.width < 0 || r.size.height < 0) ? CGRectZero : r;
}
// The smallest rectangle with whole-number corners that holds r.
inline CGRect CGRectIntegral(CGRect r) {
  r = CGRectStandardize(r);
  const CGFloat x0 = std::floor(r.origin.x), y0 = std::floor(r.origin.y);
  return CGRectMake(x0, y0, std::ceil(r.origin.x + r.size.width) - x0, std::ceil(r.origin.y + r.size.height) - y0);
}
