#include "tools/artwork/ArtKnob.h"

#include "tools/artwork/ArtStyle.h"

namespace orbexart {

using namespace fx::gfx;

float KnobAngle(float value) { return (value - 0.5f) * kKnobSweepDegrees * kPi / 180.0f; }

void DrawKnob(VGcontext* vg, float size, float value) {
  const bool big = size > 60;
  const float c = size / 2;
  const float ringR = c - (big ? 3.5f : 3.0f), ringW = big ? 3.0f : 2.5f;
  const float bodyR = big ? 30.0f : 17.5f, capR = big ? 25.5f : 14.5f;
  const float a0 = KnobAngle(0), a = KnobAngle(value), a1 = KnobAngle(1);

  // Value ring: a dark groove over the whole travel, lit from the start to the value.
  ArcStroke(vg, c, c, ringR, a0, a1, ringW, colour::kGroove, VG_BUTT);
  if (a > a0) ArcStroke(vg, c, c, ringR, a0, a, ringW, colour::kAccent, VG_BUTT);

  // Body: soft shadow, a rim lit from above, a machined cap.
  DiscShadow(vg, c, c + (big ? 2.5f : 1.5f), bodyR, big ? 3.5f : 2.5f, 0.75f);
  vgrBeginPath(vg);
  vgrCircle(vg, c, c, bodyR);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, c - bodyR, 0, c + bodyR, Rgb(98, 102, 108), Rgb(30, 31, 35)));
  vgrFill(vg);
  vgrSetStrokeWidth(vg, 1.0f);
  vgrSetStrokeColor(vg, Rgb(8, 8, 10, 0.85f));
  vgrStroke(vg);
  vgrBeginPath(vg);
  vgrCircle(vg, c, c, capR);
  vgrSetFillPaint(vg, vgrLinearGradient(vg, 0, c - capR, 0, c + capR, Rgb(50, 52, 57), Rgb(66, 69, 74)));
  vgrFill(vg);
  vgrBeginPath(vg);
  vgrCircle(vg, c, c, capR - 0.5f);
  vgrSetStrokeWidth(vg, 1.0f);
  vgrSetStrokeColor(vg, Rgb(255, 255, 255, 0.07f));
  vgrStroke(vg);

  // Pointer, with a dark edge so it reads on the cap at every angle.
  const float p0 = big ? 9.0f : 5.0f, p1 = capR - (big ? 2.0f : 1.5f), pw = big ? 3.0f : 2.2f;
  Line(vg, PolarX(c, p0, a), PolarY(c, p0, a), PolarX(c, p1, a), PolarY(c, p1, a), pw + 1.6f, Rgb(10, 10, 12, 0.6f),
       VG_CAP_ROUND);
  Line(vg, PolarX(c, p0, a), PolarY(c, p0, a), PolarX(c, p1, a), PolarY(c, p1, a), pw, Rgb(240, 241, 242),
       VG_CAP_ROUND);
}

}  // namespace orbexart
