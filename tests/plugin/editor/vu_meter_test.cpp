// The VU meters: the calibration table's lookups, the needles and readouts the idle ticks set
// from the meter followers, and the scale labels by Meter Mode.

#include "tests/plugin/editor/EditorTestSupport.h"

#include "graphics/ITextControl.h"
#include "plugin/MeterScale.h"
#include "plugin/editor/VUCalibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace editortest;

namespace {

MeterScale Table(int copies)
{
  MeterScale scale;
  for (int c = 0; c < copies; ++c)
    for (const VUCalibrationPoint& p : kVUCalibration) scale.AddPoint(p.dB, p.position);
  return scale;
}

void Feed(ORBEX9& plug, double amplitude, int nFrames)
{
  std::vector<double> l(256, amplitude), r(256, amplitude), ol(256), orr(256);
  for (int done = 0; done < nFrames; done += 256)
  {
    double* in[2] = {l.data(), r.data()};
    double* out[2] = {ol.data(), orr.data()};
    plug.ProcessBlock(in, out, 256);
  }
}

} // namespace

TEST(VUMeter, CalibrationLookups)
{
  const MeterScale once = Table(1);
  EXPECT_DOUBLE_EQ(once.Map(-100.0), 0.0);
  EXPECT_DOUBLE_EQ(once.Map(-500.0), 0.0);
  EXPECT_DOUBLE_EQ(once.Map(-144.0), 0.0);
  EXPECT_DOUBLE_EQ(once.Map(3.5), 1.0);
  EXPECT_DOUBLE_EQ(once.Map(12.0), 1.0);
  EXPECT_DOUBLE_EQ(once.Map(-4.0), 0.5);
  EXPECT_NEAR(once.Map(-4.5), 0.46, 1e-12);
  EXPECT_NEAR(once.Map(0.0), 0.78, 1e-12);
  EXPECT_DOUBLE_EQ(once.Map(std::nan("")), 0.0);

  // A table filled twice looks up as the one filled once.
  const MeterScale twice = Table(2);
  EXPECT_EQ(twice.NPoints(), 30);
  for (double dB = -120.0; dB <= 6.0; dB += 0.125) EXPECT_DOUBLE_EQ(twice.Map(dB), once.Map(dB)) << dB;

  // Two points at one level have no slope: the later one's position, no division by zero.
  MeterScale flat;
  flat.AddPoint(-10.0, 0.2);
  flat.AddPoint(-10.0, 0.4);
  flat.AddPoint(0.0, 1.0);
  EXPECT_DOUBLE_EQ(flat.Map(-10.0), 0.4);
  EXPECT_TRUE(std::isfinite(flat.Map(-20.0)));
}

TEST(VUMeter, NeedlesReadoutsAndLabelsFollowTheLevels)
{
  ProductEditor ed;
  producttest::Prepare(*ed.plug);
  ed.Open();
  const ORBEX9::ControlIndices& k = ed.plug->GetControlIndices();
  auto text = [&](int idx) { return std::string(ed.ControlAs<fx::gfx::ITextControl>(idx)->GetStr()); };

  // Silence: -144 dB, needles at rest, "-INF".
  Feed(*ed.plug, 0.0, 4800);
  ed.plug->OnIdle();
  EXPECT_EQ(text(k.readouts[0]), "-INF");
  for (int n : k.needles) EXPECT_DOUBLE_EQ(ed.Control(n)->GetValue(), 0.0);

  // A steady -3.456 dB: both needles on the table's position for it, "-3.46".
  const double amplitude = std::exp(-3.456 / 8.685889638065037);
  Feed(*ed.plug, amplitude, 48000);
  ed.plug->OnIdle();
  EXPECT_EQ(text(k.readouts[0]), "-3.46");
  EXPECT_EQ(text(k.readouts[1]), "-3.46");
  const double position = Table(1).Map(-3.456);
  EXPECT_NEAR(ed.Control(k.needles[0])->GetValue(), position, 1e-6);
  EXPECT_NEAR(ed.Control(k.needles[1])->GetValue(), position, 1e-6);

  // The needle's frame: frame 1 + int(0.5 + position × 50).
  ed.gfx->Clear();
  ed.Control(k.needles[0])->Draw(*ed.gfx);
  const auto drawn = ed.gfx->Bitmaps("VUneedle.png");
  ASSERT_EQ(drawn.size(), 1u);
  const int frameHeight = static_cast<int>(ed.Control(k.needles[0])->GetRECT().H());
  EXPECT_EQ(drawn[0].a[5], static_cast<int>(0.5 + position * 50) * frameHeight);

  // An unchanged readout is not redrawn.
  ed.Control(k.readouts[0])->SetClean();
  ed.plug->UpdateMeterReadouts();
  EXPECT_FALSE(ed.Control(k.readouts[0])->IsDirty());

  // Levels just below 0 dB: one that rounds to -0.01 keeps its sign, one that rounds to zero
  // reads "0.00", never "-0.00".
  Feed(*ed.plug, std::exp(-0.006 / 8.685889638065037), 4800);
  ed.plug->OnIdle();
  EXPECT_EQ(text(k.readouts[0]), "-0.01");
  Feed(*ed.plug, std::exp(-0.004 / 8.685889638065037), 4800);
  ed.plug->OnIdle();
  EXPECT_EQ(text(k.readouts[0]), "0.00");
  EXPECT_EQ(text(k.readouts[1]), "0.00");

  // Scale labels: the level scale for IN and OUT, the reduction scale for GR.
  EXPECT_DOUBLE_EQ(ed.Control(k.meterScaleLabels[0])->GetValue(), 1.0);
  const fx::gfx::IBitmap vu = ed.gfx->LoadBitmap("buttonVU.png", 2);
  ed.Click(485.f + vu.FW() / 2.f, 62.f + vu.FH() / 2.f);
  EXPECT_DOUBLE_EQ(ed.Control(k.meterScaleLabels[0])->GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(ed.Control(k.meterScaleLabels[1])->GetValue(), 0.0);
  ed.Click(511.f + vu.FW() / 2.f, 62.f + vu.FH() / 2.f);
  EXPECT_DOUBLE_EQ(ed.Control(k.meterScaleLabels[1])->GetValue(), 1.0);
}
