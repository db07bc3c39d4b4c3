// Points, sizes and rectangles of the Foundation and AppKit layers: the
// CoreGraphics records under their Foundation names, and the helpers.
#pragma once

#include <CoreGraphics/CGGeometry.h>
#include <Foundation/NSObjCRuntime.h>

typedef CGPoint NSPoint;
typedef CGSize NSSize;
typedef CGRect NSRect;

inline constexpr NSPoint NSZeroPoint = {0, 0};
inline constexpr NSSize NSZeroSize = {0, 0};
inline constexpr NSRect NSZeroRect = {{0, 0}, {0, 0}};

inline NSPoint NSMakePoint(CGFloat x, CGFloat y) { return NSPoint{x, y}; }
inline NSSize NSMakeSize(CGFloat w, CGFloat h) { return NSSize{w, h}; }
inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return NSRect{{x, y}, {w, h}}; }
inline CGFloat NSMinX(NSRect r) { return r.origin.x; }
inline CGFloat NSMinY(NSRect r) { return r.origin.y; }
inline CGFloat NSMaxX(NSRect r) { return r.origin.x + r.size.width; }
inline CGFloat NSMaxY(NSRect r) { return r.origin.y + r.size.height; }
inline CGFloat NSMidX(NSRect r) { return r.origin.x + r.size.width / 2; }
inline CGFloat NSMidY(NSRect r) { return r.origin.y + r.size.height / 2; }
inline CGFloat NSWidth(NSRect r) { return r.size.width; }
inline CGFloat NSHeight(NSRect r) { return r.size.height; }
inline BOOL NSIsEmptyRect(NSRect r) { return !(r.size.width > 0 && r.size.height > 0); }
inline BOOL NSEqualRects(NSRect a, NSRect b) {
  return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width &&
         a.size.height == b.size.height;
}
inline BOOL NSEqualPoints(NSPoint a, NSPoint b) { return a.x == b.x && a.y == b.y; }
inline BOOL NSEqualSizes(NSSize a, NSSize b) { return a.width == b.width && a.height == b.height; }
// In a flipped coordinate system the top edge is inside and the bottom one
// outside; otherwise the other way round. Left edge inside, right outside.
inline BOOL NSMouseInRect(NSPoint p, NSRect r, BOOL flipped) {
  if (!(p.x >= NSMinX(r) && p.x < NSMaxX(r))) return NO;
  return flipped ? (p.y >= NSMinY(r) && p.y < NSMaxY(r)) : (p.y > NSMinY(r) && p.y <= NSMaxY(r));
}
inline BOOL NSPointInRect(NSPoint p, NSRect r) { return NSMouseInRect(p, r, YES); }
inline NSRect NSInsetRect(NSRect r, CGFloat dx, CGFloat dy) {
  return NSMakeRect(r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
}
inline NSRect NSOffsetRect(NSRect r, CGFloat dx, CGFloat dy) {
  return NSMakeRect(r.origin.x + dx, r.origin.y + dy, r.size.width, r.size.height);
}
inline NSRect NSIntersectionRect(NSRect a, NSRect b) { return CGRectIntersection(a, b); }
inline NSRect NSUnionRect(NSRect a, NSRect b) { return CGRectUnion(a, b); }
inline BOOL NSIntersectsRect(NSRect a, NSRect b) { return !NSIsEmptyRect(a) && !NSIsEmptyRect(b) && CGRectIntersectsRect(a, b); }
inline NSRect NSIntegralRect(NSRect r) { return NSIsEmptyRect(r) ? NSZeroRect : CGRectIntegral(r); }
