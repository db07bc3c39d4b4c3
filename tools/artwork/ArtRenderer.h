// Draws artwork with the vector renderer through the Metal renderer into an offscreen
// framebuffer and reads the pixels back as straight-alpha RGBA.
// Thread: one thread (the generator's main thread).
#pragma once

#include <QuartzCore/CAMetalLayer.h>

#include <functional>
#include <string>

#include "graphics/mac/MVGRenderer.h"
#include "tools/artwork/ArtImage.h"
#include "vector/VGContext.h"

namespace orbexart {

class ArtRenderer {
 public:
  // Loads the editor's fonts from fontDir ("verdana.ttf", "verdanab.ttf") and the legends' face
  // from the generator's own fonts (tools/artwork/fonts).
  explicit ArtRenderer(const std::string& fontDir);
  ~ArtRenderer();
  ArtRenderer(const ArtRenderer&) = delete;
  ArtRenderer& operator=(const ArtRenderer&) = delete;

  // False when the renderer or a font could not be created; error() says why.
  bool ok() const { return mError.empty(); }
  const std::string& error() const { return mError; }

  // Renders w x h points at `scale` pixels per point, on a transparent canvas.
  ArtImage Render(int w, int h, int scale, const std::function<void(fx::gfx::VGcontext*)>& draw);

 private:
  CAMetalLayer* mLayer = nullptr;
  fx::gfx::VGcontext* mVG = nullptr;
  fx::gfx::MVGframebuffer* mFB = nullptr;
  int mFBW = 0, mFBH = 0;
  std::string mError;
};

}  // namespace orbexart
