// Knobs, switches, selector buttons, the preset arrows and the header icons.
#include "tools/artwork/ArtKnob.h"
#include "tools/artwork/ArtLegend.h"
#include "tools/artwork/ArtLayout.h"
#include "tools/artwork/ArtStrips.h"
#include "tools/artwork/ArtStyle.h"

namespace orbexart {

using namespace fx::gfx;

namespace {

// Two-frame pictures: frame 1 at rest, frame 2 lit (hovered, selected or on).
using TwoStateDraw = void (*)(VGcontext*, float w, float h, bool lit);

Strip TwoState(const char* name, int w, int h, TwoStateDraw draw) {
  return {name, w, h, 2, [=](VGcontext* vg, int frame) { draw(vg, float(w), float(h), frame == 1); }};
}

Strip Knob(const char* name, int size) {
  return {name, size, size, kKnobFrames,
          [=](VGcontext* vg, int frame) { DrawKnob(vg, float(size), float(frame) / (kKnobFrames - 1)); }};
}

// Slide switch: the thumb left (off) or right (on, the track lit).
void Toggle(VGcontext* vg, float w, float h, bool on) {
  const float tx = 3, th = 14, ty = (h - th) / 2, tw = w - 6, r = th / 2;
  vgrBeginPath(vg);
  vgrRoundedRect(vg, tx, ty, tw, th, r);
  if (on)
    vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, ty, 0, ty + th, colour::kAccentDeep, colour::kAccent));
  else
    vgrSetFillColor(vg, colour::kGroove);
  vgrFill(vg);
  // Inner shadow along the top of the track.
  vgrBeginPath(vg);
  vgrRoundedRect(vg, tx, ty, tw, th, r);
  vgrSetFillPaint(vg, vgrBoxGradient(vg, tx, ty + 1.5f, tw, th, r, 3, Rgb(0, 0, 0, 0), Rgb(0, 0, 0, 0.45f)));
  vgrFill(vg);
  vgrBeginPath(vg);
  vgrRoundedRect(vg, tx - 0.5f, ty - 0.5f, tw + 1, th + 1, r + 0.5f);
  vgrSetStrokeWidth(vg, 1);
  vgrSetStrokeColor(vg, Rgb(255, 255, 255, 0.06f));
  vgrStroke(vg);

  const float cy = h / 2, tr = 8, cx = on ? tx + tw - r - 1 : tx + r + 1;
  DiscShadow(vg, cx, cy + 1.5f, tr, 2, 0.6f);
  vgrBeginPath(vg);
  vgrCircle(vg, cx, cy, tr);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, cy - tr, 0, cy + tr, Rgb(132, 136, 142), Rgb(52, 54, 59)));
  vgrFill(vg);
  vgrSetStrokeWidth(vg, 1);
  vgrSetStrokeColor(vg, Rgb(8, 8, 10, 0.8f));
  vgrStroke(vg);
  vgrBeginPath(vg);
  vgrCircle(vg, cx, cy, tr - 3.5f);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, cy - tr, 0, cy + tr, Rgb(70, 73, 78), Rgb(100, 104, 110)));
  vgrFill(vg);
}

// Selector button with an LED lens: dark when off, glowing when selected.
void LedButton(VGcontext* vg, float w, float h, bool on) {
  vgrBeginPath(vg);
  vgrRoundedRect(vg, 1, 1, w - 2, h - 2, 3);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, 1, 0, h - 1, Rgb(64, 67, 72), Rgb(36, 38, 42)));
  vgrFill(vg);
  vgrSetStrokeWidth(vg, 1);
  vgrSetStrokeColor(vg, Rgb(6, 6, 8, 0.9f));
  vgrStroke(vg);
  const float lx = 5, lw = w - 10, lh = 4, ly = (h - lh) / 2;
  if (on) {
    vgrBeginPath(vg);
    vgrRect(vg, 1, 1, w - 2, h - 2);
    vgrSetFillPaint(vg, vgrBoxGradient(vg, lx, ly, lw, lh, 2, 6, Rgb(255, 160, 50, 0.6f), Rgb(255, 160, 50, 0)));
    vgrFill(vg);
  }
  vgrBeginPath(vg);
  vgrRoundedRect(vg, lx, ly, lw, lh, 2);
  if (on)
    vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, ly, 0, ly + lh, Rgb(255, 214, 130), Rgb(246, 160, 52)));
  else
    vgrSetFillColor(vg, Rgb(58, 44, 28));
  vgrFill(vg);
  vgrSetStrokeWidth(vg, 0.75f);
  vgrSetStrokeColor(vg, on ? Rgb(255, 226, 170, 0.7f) : Rgb(0, 0, 0, 0.6f));
  vgrStroke(vg);
}

// The Ceiling knob's caption, which also switches its mode: a pill holding the mode's name.
void CaptionPill(VGcontext* vg, float w, float h, const char* text) {
  vgrBeginPath(vg);
  vgrRoundedRect(vg, 2.5f, 3.5f, w - 5, h - 7, (h - 7) / 2);
  vgrSetFillColor(vg, Rgb(16, 17, 19, 0.7f));
  vgrFill(vg);
  vgrSetStrokeWidth(vg, 1);
  vgrSetStrokeColor(vg, Rgb(92, 96, 102, 0.9f));
  vgrStroke(vg);
  Legend(vg, w / 2, h / 2, text, colour::kLegend, VG_ALIGN_CENTER);
}

void CeilingMode(VGcontext* vg, float w, float h, bool volume) {
  CaptionPill(vg, w, h, volume ? "VOLUME" : "CEILING");
}

// Hover plate behind a header icon. Its top and bottom edges stay 1.5 units inside the frame
// (the renderer's edge smoothing reaches half a pixel out), so the frame's first and last rows
// are clear at every scale: an editor that scales the strip with filtering reads those rows
// into the neighbouring frame, where the plate's edge would show as a line under the icon.
void HoverPlate(VGcontext* vg, float w, float h) {
  vgrBeginPath(vg);
  vgrRoundedRect(vg, 0.5f, 1.5f, w - 1, h - 3, 4);
  vgrSetFillColor(vg, colour::kIconHoverBack);
  vgrFill(vg);
}

VGcolor IconColour(bool hover) { return hover ? colour::kAccent : colour::kIcon; }

void Triangle(VGcontext* vg, float w, float h, bool hover, bool pointsLeft) {
  if (hover) HoverPlate(vg, w, h);
  const float cx = w / 2, cy = h / 2, s = 5;
  vgrBeginPath(vg);
  if (pointsLeft) {
    vgrMoveTo(vg, cx + s * 0.6f, cy - s);
    vgrLineTo(vg, cx + s * 0.6f, cy + s);
    vgrLineTo(vg, cx - s * 0.8f, cy);
  } else {
    vgrMoveTo(vg, cx - s * 0.6f, cy - s);
    vgrLineTo(vg, cx - s * 0.6f, cy + s);
    vgrLineTo(vg, cx + s * 0.8f, cy);
  }
  vgrClosePath(vg);
  vgrSetFillColor(vg, IconColour(hover));
  vgrFill(vg);
}

void Previous(VGcontext* vg, float w, float h, bool hover) { Triangle(vg, w, h, hover, true); }
void Next(VGcontext* vg, float w, float h, bool hover) { Triangle(vg, w, h, hover, false); }

void MenuIcon(VGcontext* vg, float w, float h, bool hover) {
  if (hover) HoverPlate(vg, w, h);
  for (int i = -1; i <= 1; i++)
    Line(vg, w / 2 - 7, h / 2 + 5.0f * i, w / 2 + 7, h / 2 + 5.0f * i, 2, IconColour(hover), VG_CAP_ROUND);
}

// A ring with an arrow pointing down into it.
void UpdateIcon(VGcontext* vg, float w, float h, bool hover) {
  if (hover) HoverPlate(vg, w, h);
  const float cx = w / 2, cy = h / 2;
  const VGcolor c = IconColour(hover);
  vgrBeginPath(vg);
  vgrCircle(vg, cx, cy, 7.5f);
  vgrSetStrokeWidth(vg, 1.5f);
  vgrSetStrokeColor(vg, c);
  vgrStroke(vg);
  Line(vg, cx, cy - 4, cx, cy + 3.5f, 1.6f, c, VG_CAP_ROUND);
  vgrBeginPath(vg);
  vgrMoveTo(vg, cx - 3.2f, cy + 0.5f);
  vgrLineTo(vg, cx, cy + 3.7f);
  vgrLineTo(vg, cx + 3.2f, cy + 0.5f);
  vgrSetLineCap(vg, VG_CAP_ROUND);
  vgrSetLineJoin(vg, VG_ROUND);
  vgrSetStrokeWidth(vg, 1.6f);
  vgrStroke(vg);
}

// Three diagonal ridges in the corner.
void ResizeGrip(VGcontext* vg, float w, float h, bool hover) {
  const VGcolor c = hover ? colour::kAccent : Rgb(120, 124, 130);
  for (int k = 1; k <= 3; k++) {
    const float d = 4.0f * k;
    Line(vg, w - 2 - d, h - 2, w - 2, h - 2 - d, 1.2f, c, VG_CAP_ROUND);
  }
}

}  // namespace

std::vector<Strip> ControlStrips() {
  return {
      Knob("Knob_big", kBigKnob),
      Knob("Knob_small", kSmallKnob),
      TwoState("switch_toggle1", kSwitchW, kSwitchH, Toggle),
      TwoState("outputmode", kCeilingModeW, kCeilingModeH, CeilingMode),
      TwoState("buttonVU", kMeterButtonW, kButtonH, LedButton),
      TwoState("buttonOS", kOSButtonW, kButtonH, LedButton),
      TwoState("button_previous", kArrowW, kArrowH, Previous),
      TwoState("button_next", kArrowW, kArrowH, Next),
      TwoState("pluginmenu", kMenuIconW, kMenuIconH, MenuIcon),
      TwoState("iconupdateavailable", kUpdateIcon, kUpdateIcon, UpdateIcon),
      TwoState("button_resize", kResizeGrip, kResizeGrip, ResizeGrip),
  };
}

}  // namespace orbexart
