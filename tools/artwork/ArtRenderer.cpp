#include "tools/artwork/ArtRenderer.h"

#include "tools/artwork/ArtLegend.h"
#include "tools/artwork/ArtStyle.h"

namespace orbexart {

using namespace fx::gfx;

ArtRenderer::ArtRenderer(const std::string& fontDir) {
  mLayer = CAMetalLayer::layer();
  // Strokes through the stencil, so a translucent stroke never darkens where it overlaps itself.
  mVG = mvgrCreateContext(mLayer, MVG_ANTIALIAS | MVG_STENCIL_STROKES);
  if (!mVG) {
    mError = "the Metal renderer could not be created";
    return;
  }
  // The editor's fonts, and the legends' face, which only the pictures use.
  const struct {
    const char* name;
    std::string path;
  } fonts[] = {{kFontSans, fontDir + "/verdana.ttf"},
               {kFontBold, fontDir + "/verdanab.ttf"},
               {kFontLegend, LegendFontFile()}};
  for (const auto& f : fonts) {
    if (vgrCreateFontFromFile(mVG, f.name, f.path.c_str()) < 0) {
      mError = "cannot load the font " + f.path;
      return;
    }
  }
}

ArtRenderer::~ArtRenderer() {
  if (mFB) mvgrDeleteFramebuffer(mFB);
  mvgrBindFramebuffer(nullptr);
  if (mVG) mvgrDeleteContext(mVG);
  if (mLayer) MTLRelease(mLayer);
}

ArtImage ArtRenderer::Render(int w, int h, int scale, const std::function<void(VGcontext*)>& draw) {
  if (!ok() || w <= 0 || h <= 0 || scale <= 0) return {};
  const int pw = w * scale, ph = h * scale;
  if (!mFB || mFBW != pw || mFBH != ph) {
    if (mFB) mvgrDeleteFramebuffer(mFB);
    mFB = mvgrCreateFramebuffer(mVG, pw, ph, 0);
    mFBW = pw, mFBH = ph;
    if (!mFB) return {};
  }
  mvgrBindFramebuffer(mFB);
  vgrBeginFrame(mVG, float(w), float(h), float(scale));
  mvgrClearWithColor(mVG, vgrColorFromFloatsA(0, 0, 0, 0));
  vgrReset(mVG);
  draw(mVG);
  vgrEndFrame(mVG);
  ArtImage img(pw, ph);
  if (!mvgrReadPixels(mVG, mFB->image, 0, 0, pw, ph, img.px.data())) return {};
  Unpremultiply(img);
  return img;
}

}  // namespace orbexart
