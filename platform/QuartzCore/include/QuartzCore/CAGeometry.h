// Sizes of the layer geometry.
#pragma once

#ifndef ORBEX_CGSIZE_DEFINED
#define ORBEX_CGSIZE_DEFINED
typedef double CGFloat;
struct CGSize {
  CGFloat width;
  CGFloat height;
};
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return CGSize{w, h}; }
#endif
