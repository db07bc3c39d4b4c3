// The panel behind every control, with all of the editor's legends.
#include "tools/artwork/ArtKnob.h"
#include "tools/artwork/ArtLegend.h"
#include "tools/artwork/ArtLayout.h"
#include "tools/artwork/ArtStrips.h"
#include "tools/artwork/ArtStyle.h"

namespace orbexart {

using namespace fx::gfx;

namespace {

// The well both meter faces sit in; the side sections end level with it.
constexpr Rect kMeterWell{299, 86, 701, 222};

// A recessed field: dark fill, shadow along its top edge, a faint light lip below.
void Recess(VGcontext* vg, Rect r, float radius, VGcolor fill) {
  vgrBeginPath(vg);
  vgrRoundedRect(vg, r.l, r.t + 1, r.w(), r.h(), radius);
  vgrSetFillColor(vg, Rgb(255, 255, 255, 0.05f));
  vgrFill(vg);
  vgrBeginPath(vg);
  vgrRoundedRect(vg, r.l, r.t, r.w(), r.h(), radius);
  vgrSetFillColor(vg, fill);
  vgrFill(vg);
  vgrBeginPath(vg);
  vgrRoundedRect(vg, r.l, r.t, r.w(), r.h(), radius);
  vgrSetFillPaint(vg, vgrBoxGradient(vg, r.l, r.t + 2, r.w(), r.h(), radius, 5, Rgb(0, 0, 0, 0), Rgb(0, 0, 0, 0.5f)));
  vgrFill(vg);
}

// A raised section of the panel.
void Section(VGcontext* vg, Rect r) {
  vgrBeginPath(vg);
  vgrRoundedRect(vg, r.l, r.t, r.w(), r.h(), 6);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, r.t, 0, r.b, Rgb(50, 52, 57), Rgb(34, 35, 39)));
  vgrFill(vg);
  vgrSetStrokeWidth(vg, 1);
  vgrSetStrokeColor(vg, Rgb(0, 0, 0, 0.55f));
  vgrStroke(vg);
  vgrBeginPath(vg);
  vgrRoundedRect(vg, r.l + 1, r.t + 1, r.w() - 2, r.h() - 2, 5);
  vgrSetStrokeColor(vg, Rgb(255, 255, 255, 0.05f));
  vgrStroke(vg);
}

void Panel(VGcontext* vg) {
  vgrBeginPath(vg);
  vgrRect(vg, 0, 0, kEditorW, kEditorH);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, 0, 0, kEditorH, colour::kPanelTop, colour::kPanelBottom));
  vgrFill(vg);
  // Header strip.
  vgrBeginPath(vg);
  vgrRect(vg, 0, 0, kEditorW, 46);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, 0, 0, 46, Rgb(26, 27, 30), colour::kHeader));
  vgrFill(vg);
  Line(vg, 0, 46.5f, kEditorW, 46.5f, 1, Rgb(0, 0, 0, 0.7f), VG_BUTT);
  Line(vg, 0, 47.5f, kEditorW, 47.5f, 1, Rgb(255, 255, 255, 0.06f), VG_BUTT);

  Section(vg, {12, 54, 292, kMeterWell.b});
  Section(vg, {708, 54, 988, kMeterWell.b});
}

void Header(VGcontext* vg) {
  // The preset name's field, with a caret saying it opens a menu.
  Recess(vg, kPresetName, 4, Rgb(10, 11, 12));
  const float cx = (kPresetText.r + kPresetName.r) / 2, cy = kPresetName.cy();
  vgrBeginPath(vg);
  vgrMoveTo(vg, cx - 3.5f, cy - 1.5f);
  vgrLineTo(vg, cx + 3.5f, cy - 1.5f);
  vgrLineTo(vg, cx, cy + 2.5f);
  vgrClosePath(vg);
  vgrSetFillColor(vg, colour::kLegendDim);
  vgrFill(vg);

  // Product name, right of the preset bar; the line under it 8 units over the header's edge.
  Text(vg, 940, 19, "ORBEX9", 21, kFontBold, colour::kLegend, VG_ALIGN_RIGHT | VG_ALIGN_MIDDLE, 4);
  Legend(vg, 939, 34.5f, "LOOK-AHEAD PEAK LIMITER", colour::kLegendDim, VG_ALIGN_RIGHT);
}

// Tick marks around a knob: the two ends longer, nine steps between.
void KnobScale(VGcontext* vg, Pt origin, int size) {
  const float c = size / 2.0f, cx = origin.x + c, cy = origin.y + c;
  const float r0 = c + (size > 60 ? 2.0f : 2.5f);
  for (int i = 0; i <= 10; i++) {
    const float a = KnobAngle(i / 10.0f);
    const bool end = i == 0 || i == 10;
    const float r1 = r0 + (end ? 5.0f : 3.0f);
    Line(vg, PolarX(cx, r0, a), PolarY(cy, r0, a), PolarX(cx, r1, a), PolarY(cy, r1, a), end ? 1.4f : 1.0f,
         end ? colour::kLegendDim : colour::kTick, VG_BUTT);
  }
}

void Knobs(VGcontext* vg) {
  for (Pt p : {kGainKnob, kCeilingKnob}) KnobScale(vg, p, kBigKnob);
  for (Pt p : {kAttackKnob, kReleaseKnob, kDriveKnob, kLinkKnob}) KnobScale(vg, p, kSmallKnob);
  // The Gain caption sits where the Ceiling knob's mode caption does, in the same type.
  Legend(vg, kGainKnob.x + kBigKnob / 2.0f, kCeilingMode.y + kCeilingModeH / 2.0f, "GAIN", colour::kLegend,
         VG_ALIGN_CENTER);
  const struct {
    Pt at;
    const char* text;
  } small[] = {{kAttackKnob, "ATTACK"}, {kReleaseKnob, "RELEASE"}, {kDriveKnob, "DRIVE"}, {kLinkKnob, "CHANNEL LINK"}};
  for (const auto& k : small)
    Legend(vg, k.at.x + kSmallKnob / 2.0f, k.at.y + kSmallKnob + 14, k.text, colour::kLegend, VG_ALIGN_CENTER);
}

void Switches(VGcontext* vg) {
  const struct {
    Pt at;
    const char *name, *off, *on;
  } switches[] = {{kSaturationSwitch, "SATURATION", "OFF", "ON"},
                  {kAutoReleaseSwitch, "AUTO RELEASE", "OFF", "ON"},
                  {kLookAheadSwitch, "LOOK AHEAD", "SHORT", "LONG"},
                  {kLimitModeSwitch, "LIMIT MODE", "HARD", "SOFT"}};
  for (const auto& s : switches) {
    const float cx = s.at.x + kSwitchW / 2.0f;
    // The names 8 units under their section's top edge.
    Legend(vg, cx, s.at.y - 8, s.name, colour::kLegend, VG_ALIGN_CENTER);
    const float y = s.at.y + kSwitchH + 7;
    Legend(vg, cx - 2.5f, y, s.off, colour::kLegendDim, VG_ALIGN_RIGHT);
    Legend(vg, cx + 2.5f, y, s.on, colour::kLegendDim, VG_ALIGN_LEFT);
  }
}

void Meters(VGcontext* vg) {
  Recess(vg, kMeterWell, 7, Rgb(12, 13, 15));
  for (Pt f : kFaces) {
    vgrBeginPath(vg);
    vgrRoundedRect(vg, f.x - 2, f.y - 2, kFaceW + 4, kFaceH + 4, 4);
    vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, f.y - 2, 0, f.y + kFaceH + 2, Rgb(18, 19, 21), Rgb(70, 73, 78)));
    vgrFill(vg);
  }
  // Meter source: IN, GR, OUT over its three buttons.
  const char* sources[] = {"IN", "GR", "OUT"};
  for (int i = 0; i < 3; i++)
    Legend(vg, kMeterButtonX[i] + kMeterButtonW / 2.0f, kMeterButtonY - 7, sources[i], colour::kLegend,
           VG_ALIGN_CENTER);
  Legend(vg, kMeterButtonX[0] - 8, kMeterButtonY + kButtonH / 2.0f, "METER", colour::kLegendDim,
         VG_ALIGN_RIGHT);
  // Oversampling factor under its five buttons.
  const char* factors[] = {"1x", "2x", "4x", "8x", "16x"};
  for (int i = 0; i < 5; i++)
    Legend(vg, kOSButtonX[i] + kOSButtonW / 2.0f, kOSButtonY + kButtonH + 9, factors[i], colour::kLegend,
           VG_ALIGN_CENTER);
  Legend(vg, kOSButtonX[0] - 8, kOSButtonY + kButtonH / 2.0f, "OVERSAMPLING", colour::kLegendDim,
         VG_ALIGN_RIGHT);
}

void Background(VGcontext* vg) {
  Panel(vg);
  Header(vg);
  Knobs(vg);
  Switches(vg);
  Meters(vg);
}

}  // namespace

Strip BackgroundStrip() { return {"background", kEditorW, kEditorH, 1, [](VGcontext* vg, int) { Background(vg); }}; }

}  // namespace orbexart
