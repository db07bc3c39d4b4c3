// The base of the layers a view can host: opacity, contents scale and the
// layer's bounds. Reference counted like the Metal layer's objects.
// Main thread.
#pragma once

#include <Metal/MTLObject.h>
#include <QuartzCore/CAGeometry.h>

class CAMetalLayer;

class CALayer : public MTLObject {
 public:
  // A new layer (one reference for the caller).
  static CALayer* layer();

  bool isOpaque() const { return opaque_; }
  void setOpaque(bool opaque) { opaque_ = opaque; }
  CGFloat contentsScale() const { return contentsScale_; }
  void setContentsScale(CGFloat s) { contentsScale_ = s; }
  CGRect bounds() const { return bounds_; }
  void setBounds(CGRect bounds) { bounds_ = bounds; }
  // The layer as a Metal layer, or null.
  virtual CAMetalLayer* asMetalLayer() { return nullptr; }

 protected:
  CALayer() = default;
  ~CALayer() override = default;

 private:
  bool opaque_ = false;
  CGFloat contentsScale_ = 1.0;
  CGRect bounds_{{0, 0}, {0, 0}};
};
