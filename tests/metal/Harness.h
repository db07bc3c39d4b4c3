// Draws vector-renderer scenes through the Metal renderer into an offscreen framebuffer
// and reads them back as RGBA.
#pragma once

#include <QuartzCore/CAMetalLayer.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graphics/mac/MVGContext.h"
#include "graphics/mac/MVGRenderer.h"
#include "tests/metal/Image.h"
#include "vector/VGContext.h"

namespace fx::gfx::test {

inline VGcolor rgba(float r, float g, float b, float a) {
  VGcolor c;
  c.r = r, c.g = g, c.b = b, c.a = a;
  return c;
}

class Harness {
 public:
  explicit Harness(int flags = MVG_ANTIALIAS | MVG_TRIPLE_BUFFER) {
    layer = CAMetalLayer::layer();
    vg = mvgrCreateContext(layer, flags);
  }
  ~Harness() {
    if (fb) mvgrDeleteFramebuffer(fb);
    mvgrBindFramebuffer(nullptr);
    mvgrDeleteContext(vg);
    MTLRelease(layer);
  }
  MVGcontext_vORBEX9_au* mvg() const { return static_cast<MVGcontext_vORBEX9_au*>(vg->params.userPtr); }

  // Renders one frame of w x h points at the given ratio into a (w*ratio) x (h*ratio)
  // framebuffer cleared to clear, and returns its pixels.
  Image render(int w, int h, const std::function<void(VGcontext*)>& draw, VGcolor clear = rgba(0, 0, 0, 0),
               float ratio = 1.0f) {
    const int pw = int(w * ratio), ph = int(h * ratio);
    if (!fb || fbw != pw || fbh != ph) {
      if (fb) mvgrDeleteFramebuffer(fb);
      fb = mvgrCreateFramebuffer(vg, pw, ph, 0);
      fbw = pw, fbh = ph;
    }
    mvgrBindFramebuffer(fb);
    vgrBeginFrame(vg, float(w), float(h), ratio);
    mvgrClearWithColor(vg, clear);
    draw(vg);
    vgrEndFrame(vg);
    Image img;
    img.w = pw, img.h = ph;
    img.px.resize(size_t(pw) * ph * 4);
    mvgrReadPixels(vg, fb->image, 0, 0, pw, ph, img.px.data());
    return img;
  }

  CAMetalLayer* layer = nullptr;
  VGcontext* vg = nullptr;
  MVGframebuffer* fb = nullptr;
  int fbw = 0, fbh = 0;
};

}  // namespace fx::gfx::test
