// The VU meter's pictures: the face with its printed scale, the scale label, the two needles
// and the glass.
#include "tools/artwork/ArtMeter.h"


#include "plugin/MeterScale.h"
#include "plugin/editor/VUCalibration.h"
#include "tools/artwork/ArtLayout.h"
#include "tools/artwork/ArtStrips.h"
#include "tools/artwork/ArtStyle.h"

namespace orbexart {

using namespace fx::gfx;

float NeedleAngle(double position) {
  return float((position - 0.5) * kSweepDegrees * double(kPi) / 180.0);
}

double LevelPosition(double dB) {
  static const MeterScale scale = [] {
    MeterScale s;
    for (const VUCalibrationPoint& p : kVUCalibration) s.AddPoint(p.dB, p.position);
    return s;
  }();
  return scale.Map(dB);
}

namespace {

struct Mark {
  double dB;
  const char* label;  // null: a minor tick
};

// The printed scale: classic VU numbering, red from 0 dB up.
constexpr Mark kMarks[] = {{-20, "20"}, {-15, nullptr}, {-10, "10"}, {-7, "7"}, {-6, nullptr}, {-5, "5"},
                           {-4, nullptr}, {-3, "3"},     {-2, "2"},    {-1, "1"}, {0, "0"},       {1, "1"},
                           {2, "2"},      {3, "3"}};

void Face(VGcontext* vg) {
  const float w = kFaceW, h = kFaceH, px = kPivotX, py = kPivotY, R = kScaleRadius;
  // Warm backlit paper.
  vgrBeginPath(vg);
  vgrRoundedRect(vg, 0, 0, w, h, 3);
  vgrSetFillPaint(vg, vgrRadialGradient(vg, px, 62, 20, 130, Rgb(250, 243, 222), Rgb(222, 210, 178)));
  vgrFill(vg);

  // Arcs: the black run up to 0 dB, the red band above it.
  const float aLow = NeedleAngle(0.0), aZero = NeedleAngle(LevelPosition(0));
  const float aTop = NeedleAngle(1.0);
  ArcStroke(vg, px, py, R, aLow, aZero, 1.2f, colour::kFaceInk, VG_BUTT);
  ArcStroke(vg, px, py, R + 3.0f, aZero, aTop, 5.0f, colour::kFaceRed, VG_BUTT);
  ArcStroke(vg, px, py, R, aZero, aTop, 1.2f, colour::kFaceRed, VG_BUTT);

  for (const Mark& m : kMarks) {
    const float a = NeedleAngle(LevelPosition(m.dB));
    const bool red = m.dB > 0;
    const VGcolor ink = red ? colour::kFaceRed : colour::kFaceInk;
    const float len = m.label ? 8.0f : 4.5f;
    Line(vg, PolarX(px, R - 0.6f, a), PolarY(py, R - 0.6f, a), PolarX(px, R + len, a), PolarY(py, R + len, a),
         m.label ? 1.3f : 1.0f, ink, VG_BUTT);
    if (m.label)
      Text(vg, PolarX(px, R + 15.5f, a), PolarY(py, R + 15.5f, a), m.label, 9.5f, kFontBold, ink,
           VG_ALIGN_CENTER | VG_ALIGN_MIDDLE);
  }
  // Signs at both ends of the scale.
  const float aMinus = NeedleAngle(0.0) - 0.06f, aPlus = NeedleAngle(1.0) + 0.07f;
  Text(vg, PolarX(px, R + 15.5f, aMinus), PolarY(py, R + 15.5f, aMinus), "\xE2\x88\x92", 11, kFontBold,
       colour::kFaceInk, VG_ALIGN_CENTER | VG_ALIGN_MIDDLE);
  Text(vg, PolarX(px, R + 15.5f, aPlus), PolarY(py, R + 15.5f, aPlus), "+", 11, kFontBold, colour::kFaceRed,
       VG_ALIGN_CENTER | VG_ALIGN_MIDDLE);

  // The readout's window: a slightly recessed light field for its dark digits.
  const Rect r = kReadoutInFace;
  vgrBeginPath(vg);
  vgrRoundedRect(vg, r.l - 3, r.t - 1.5f, r.w() + 5, r.h() + 3, 2);
  vgrSetFillColor(vg, Rgb(238, 230, 206));
  vgrFill(vg);
  vgrSetStrokeWidth(vg, 1);
  vgrSetStrokeColor(vg, Rgb(150, 138, 110, 0.8f));
  vgrStroke(vg);
}

void ScaleLabel(VGcontext* vg, int frame) {
  // Frame 1 while the meters show gain reduction, frame 2 for the input and output levels.
  Text(vg, kScaleLabelW / 2.0f, kScaleLabelH / 2.0f + 0.5f, frame == 0 ? "dB GR" : "dBFS", 8.5f, kFontBold,
       Rgb(70, 64, 56), VG_ALIGN_CENTER | VG_ALIGN_MIDDLE);
}

void Needle(VGcontext* vg, int frame, bool held) {
  const float a = NeedleAngle(double(frame) / (kNeedleFrames - 1));
  const float r0 = 20, r1 = held ? kScaleRadius + 4.0f : kScaleRadius + 7.0f;
  const float x0 = PolarX(kPivotX, r0, a), y0 = PolarY(kPivotY, r0, a);
  const float x1 = PolarX(kPivotX, r1, a), y1 = PolarY(kPivotY, r1, a);
  if (held) {
    Line(vg, x0, y0, x1, y1, 1.3f, Rgb(208, 58, 40, 0.9f), VG_BUTT);
    return;
  }
  // A soft shadow cast on the face, then the needle.
  vgrSave(vg);
  vgrTranslate(vg, kPivotX + 1.5f, kPivotY + 2.0f);
  vgrRotate(vg, a);
  const float f = 3;
  vgrBeginPath(vg);
  vgrRect(vg, -1 - f, -r1 - f, 2 + 2 * f, r1 - r0 + 2 * f);
  vgrSetFillPaint(vg, vgrBoxGradient(vg, -1, -r1, 2, r1 - r0, 1, f, Rgb(60, 40, 10, 0.16f), Rgb(60, 40, 10, 0)));
  vgrFill(vg);
  vgrRestore(vg);
  Line(vg, x0, y0, x1, y1, 1.5f, Rgb(20, 20, 22), VG_BUTT);
}

void Glass(VGcontext* vg) {
  const float w = kFaceW, h = kFaceH;
  // Depth: the face's edges fall into shadow under the bezel.
  vgrBeginPath(vg);
  vgrRect(vg, 0, 0, w, h);
  vgrSetFillPaint(vg, vgrBoxGradient(vg, 0, 2, w, h - 2, 4, 9, Rgb(0, 0, 0, 0), Rgb(40, 28, 10, 0.32f)));
  vgrFill(vg);
  // Sheen across the upper half.
  vgrBeginPath(vg);
  vgrMoveTo(vg, 0, 0);
  vgrLineTo(vg, w, 0);
  vgrLineTo(vg, w, 26);
  vgrLineTo(vg, 0, 54);
  vgrClosePath(vg);
  // Fading to nothing at its lower edge, across that edge.
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, 0, 7.9f, 52.8f, Rgb(255, 255, 255, 0.2f), Rgb(255, 255, 255, 0)));
  vgrFill(vg);
  // The cover over the needles' pivot.
  const float r = 24;
  vgrBeginPath(vg);
  vgrCircle(vg, kPivotX, kPivotY, r);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, kPivotY - r, 0, h, Rgb(62, 65, 70), Rgb(24, 25, 28)));
  vgrFill(vg);
  vgrSetStrokeWidth(vg, 1);
  vgrSetStrokeColor(vg, Rgb(10, 10, 12, 0.8f));
  vgrStroke(vg);
}

}  // namespace

std::vector<Strip> MeterStrips() {
  return {
      {"VUbase", kFaceW, kFaceH, 1, [](VGcontext* vg, int) { Face(vg); }},
      {"VULabel", kScaleLabelW, kScaleLabelH, 2, ScaleLabel},
      {"VUneedle", kFaceW, kFaceH, kNeedleFrames, [](VGcontext* vg, int f) { Needle(vg, f, false); }},
      {"VUneedle1", kFaceW, kFaceH, kNeedleFrames, [](VGcontext* vg, int f) { Needle(vg, f, true); }},
      {"VUglass", kFaceW, kFaceH, 1, [](VGcontext* vg, int) { Glass(vg); }},
  };
}

}  // namespace orbexart
