#include "tools/artwork/ArtGenerate.h"

namespace orbexart {

std::vector<Strip> EditorStrips() {
  std::vector<Strip> strips = ControlStrips();
  for (Strip& s : MeterStrips()) strips.push_back(std::move(s));
  strips.push_back(BackgroundStrip());
  return strips;
}

std::string ScaledFileName(const std::string& name, int scale) {
  return scale == 1 ? name + ".png" : name + "@" + std::to_string(scale) + "x.png";
}

ArtImage RenderStrip(ArtRenderer& renderer, const Strip& strip, int scale) {
  std::vector<ArtImage> frames;
  for (int f = 0; f < strip.frames; f++) {
    ArtImage img = renderer.Render(strip.w, strip.h, scale, [&](fx::gfx::VGcontext* vg) { strip.draw(vg, f); });
    if (img.px.empty()) return {};
    FillTransparent(img);
    frames.push_back(std::move(img));
  }
  return StackFrames(frames);
}

}  // namespace orbexart
