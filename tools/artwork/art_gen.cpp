// Draws the limiter editor's pictures with the vector renderer and writes them as PNG at 1x,
// 2x and 3x ("name.png", "name@2x.png", "name@3x.png"); the same sources always give the same
// bytes. Usage:
//   orbex9_artwork DIR                 write every picture into DIR (fonts are read from DIR)
//   orbex9_artwork DIR --preview FILE [--scale N]
//                                      also compose the whole editor from the pictures into
//                                      FILE, with the controls at sample settings
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/artwork/ArtGenerate.h"
#include "tools/artwork/ArtLayout.h"
#include "tools/artwork/ArtMeter.h"
#include "tools/artwork/ArtStyle.h"

using namespace orbexart;

namespace {

// The texts the editor draws at run time over the pictures, in its styles: the preset name, the
// meter readouts and a knob's value box.
void RuntimeTexts(fx::gfx::VGcontext* vg) {
  using namespace fx::gfx;
  auto text = [&](float x, float y, const char* s, float size, const char* font, VGcolor c, int align) {
    vgrSetFontFace(vg, font);
    vgrSetFontSize(vg, size);
    vgrSetTextAlign(vg, align | VG_ALIGN_MIDDLE);
    vgrSetFillColor(vg, c);
    vgrDrawText(vg, x, y, s, nullptr);
  };
  text(kPresetText.cx(), kPresetText.cy(), "Init", 17, kFontSans, Rgb(211, 212, 213), VG_ALIGN_CENTER);
  const char* readouts[2] = {"-1.00", "-INF"};
  for (int m = 0; m < 2; m++) {
    const Rect r = kReadoutInFace;
    text(kFaces[m].x + r.r, kFaces[m].y + r.cy(), readouts[m], 12, kFontBold, Rgb(90, 90, 85), VG_ALIGN_RIGHT);
  }
  // The Release knob with the pointer over it.
  const float cx = kReleaseKnob.x + kSmallKnob / 2.0f, cy = kReleaseKnob.y + kSmallKnob / 2.0f;
  vgrBeginPath(vg);
  vgrRect(vg, kReleaseKnob.x - 0.75f, cy - 7.5f, kSmallKnob + 1.5f, 15);
  vgrSetFillColor(vg, Rgb(36, 36, 36, 223 / 255.0f));
  vgrFill(vg);
  text(cx, cy, "300.00", 12, kFontBold, Rgb(255, 255, 255), VG_ALIGN_CENTER);
}

// The editor as the layout places the pictures, with sample values on the controls.
ArtImage Preview(ArtRenderer& renderer, const std::map<std::string, ArtImage>& pics, int s) {
  ArtImage out(kEditorW * s, kEditorH * s);
  auto put = [&](const char* name, int frames, int frame, float x, float y) {
    DrawOver(out, pics.at(name), frame, frames, int(x * s), int(y * s));
  };
  put("background", 1, 0, 0, 0);
  put("Knob_big", kKnobFrames, 20, kGainKnob.x, kGainKnob.y);
  put("Knob_big", kKnobFrames, 50, kCeilingKnob.x, kCeilingKnob.y);
  put("Knob_small", kKnobFrames, 12, kAttackKnob.x, kAttackKnob.y);
  put("Knob_small", kKnobFrames, 30, kReleaseKnob.x, kReleaseKnob.y);
  put("Knob_small", kKnobFrames, 0, kDriveKnob.x, kDriveKnob.y);
  put("Knob_small", kKnobFrames, 50, kLinkKnob.x, kLinkKnob.y);
  put("switch_toggle1", 2, 0, kSaturationSwitch.x, kSaturationSwitch.y);
  put("switch_toggle1", 2, 1, kAutoReleaseSwitch.x, kAutoReleaseSwitch.y);
  put("switch_toggle1", 2, 1, kLookAheadSwitch.x, kLookAheadSwitch.y);
  put("switch_toggle1", 2, 0, kLimitModeSwitch.x, kLimitModeSwitch.y);
  put("outputmode", 2, 0, kCeilingMode.x, kCeilingMode.y);
  for (int i = 0; i < 3; i++) put("buttonVU", 2, i == 0, kMeterButtonX[i], kMeterButtonY);
  for (int i = 0; i < 5; i++) put("buttonOS", 2, i == 2, kOSButtonX[i], kOSButtonY);
  const double levels[2][2] = {{-3.0, -1.0}, {-20.0, 0.0}};  // level, held level
  for (int m = 0; m < 2; m++) {
    const Pt f = kFaces[m];
    put("VUbase", 1, 0, f.x, f.y);
    put("VULabel", 2, 1, f.x + kScaleLabelInFace.x, f.y + kScaleLabelInFace.y);
    put("VUneedle1", kNeedleFrames, int(0.5 + LevelPosition(levels[m][1]) * 50), f.x, f.y);
    put("VUneedle", kNeedleFrames, int(0.5 + LevelPosition(levels[m][0]) * 50), f.x, f.y);
    put("VUglass", 1, 0, f.x, f.y);
  }
  put("button_previous", 2, 0, kPresetPrevious.x, kPresetPrevious.y);
  put("button_next", 2, 1, kPresetNext.x, kPresetNext.y);
  put("pluginmenu", 2, 0, kPluginMenu.x, kPluginMenu.y);
  put("iconupdateavailable", 2, 0, kUpdateIconAt.x, kUpdateIconAt.y);
  put("button_resize", 2, 0, kEditorW - kResizeGrip, kEditorH - kResizeGrip);
  DrawOver(out, renderer.Render(kEditorW, kEditorH, s, RuntimeTexts), 0, 1, 0, 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR [--preview FILE [--scale N]]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  std::string preview;
  int previewScale = 1;
  for (int i = 2; i < argc; i++) {
    if (!std::strcmp(argv[i], "--preview") && i + 1 < argc) {
      preview = argv[++i];
    } else if (!std::strcmp(argv[i], "--scale") && i + 1 < argc) {
      previewScale = std::atoi(argv[++i]);
      if (previewScale < 1 || previewScale > 3) {
        std::fprintf(stderr, "--scale takes 1, 2 or 3\n");
        return 2;
      }
    } else {
      std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
      return 2;
    }
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    std::fprintf(stderr, "not a folder: %s\n", dir.c_str());
    return 2;
  }
  ArtRenderer renderer(dir);
  if (!renderer.ok()) {
    std::fprintf(stderr, "%s\n", renderer.error().c_str());
    return 1;
  }
  std::map<std::string, ArtImage> forPreview;
  for (const Strip& s : EditorStrips())
    for (int scale : kArtScales) {
      const ArtImage img = RenderStrip(renderer, s, scale);
      const std::string path = dir + "/" + ScaledFileName(s.name, scale);
      if (img.px.empty() || !WritePng(path, img)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
      if (scale == previewScale) forPreview[s.name] = img;
    }
  if (!preview.empty() && !WritePng(preview, Preview(renderer, forPreview, previewScale))) {
    std::fprintf(stderr, "cannot write %s\n", preview.c_str());
    return 1;
  }
  return 0;
}
