// Soft clipper, final clamp values and sine saturator.

#include "plugin/dsp/ILimiterStage.h"
#include "plugin/dsp/ISaturator.h"
#include "plugin/dsp/ISoftClipper.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

TEST(SoftClipper, BendsTowardTheTopAndReportsTheClipRatio)
{
  ISoftClipper c;
  c.Compute(0.0, 0.0, false);
  EXPECT_NEAR(c.threshold, std::pow(2.0, -0.01 / 6.0), 1e-15);
  EXPECT_NEAR(c.range, 1.0 - c.threshold, 1e-15);
  EXPECT_DOUBLE_EQ(c.Process(2.0), 1.0);
  EXPECT_DOUBLE_EQ(c.lastClipRatio, 0.5);
  EXPECT_DOUBLE_EQ(c.Process(-2.0), -1.0);
  EXPECT_EQ(c.Process(0.5), 0.5);
  EXPECT_EQ(c.lastClipRatio, 1.0);
  EXPECT_EQ(c.Process(0.0), 0.0);
  EXPECT_EQ(c.lastClipRatio, 1.0);
  // Continuous and monotonic through the threshold.
  double prev = 0.0;
  for (int i = 0; i <= 3000; ++i)
  {
    const double y = c.Process(0.99 + i * 1e-5);
    EXPECT_GE(y, prev);
    EXPECT_LE(y, 1.0);
    prev = y;
  }
  EXPECT_NEAR(c.Process(c.threshold), c.threshold, 1e-15);
}

TEST(SoftClipper, DriveAndCeilingModes)
{
  // Ceiling -0.1: the clamp sits at 10^(-0.005), the stages aim at 2^(-0.1/6).
  ISoftClipper c;
  c.Compute(0.0, -0.1, false);
  EXPECT_NEAR(c.clampHigh, 0.98855, 1e-5);
  EXPECT_EQ(c.clampLow, -c.clampHigh);
  const LimiterStageCoeffs s = ILimiterStage::ComputeCoeffs(0.0, 0.0, 0.0, 0, -0.1, false, 48000, 10.0);
  EXPECT_NEAR(s.threshold, 0.98851, 1e-5);
  EXPECT_LT(s.threshold, c.clampHigh);

  // Drive 6: pre-gain 2, threshold from -Drive.
  c.Compute(6.0, -1.0, false);
  EXPECT_NEAR(c.preGain, 2.0, 1e-14);
  EXPECT_NEAR(c.threshold, std::pow(2.0, (-6.0 - 0.01) / 6.0), 1e-15);
  EXPECT_NEAR(c.top, std::pow(2.0, -1.0 / 6.0), 1e-15);

  // Volume mode works toward 0 dB whatever the Ceiling value; clamp +-1.
  c.Compute(0.0, -12.0, true);
  EXPECT_EQ(c.top, 1.0);
  EXPECT_EQ(c.clampHigh, 1.0);
  EXPECT_EQ(c.clampLow, -1.0);
  EXPECT_NEAR(c.threshold, std::pow(2.0, -0.01 / 6.0), 1e-15);
  const LimiterStageCoeffs v = ILimiterStage::ComputeCoeffs(3.0, 0.0, 0.0, 0, -12.0, true, 48000, 10.0);
  EXPECT_EQ(v.threshold, 1.0);
  EXPECT_EQ(v.ceilingGain, 1.0);
  EXPECT_EQ(v.ceilingDb, 0.0);

  // Ceiling -0.0 behaves as 0.0.
  ISoftClipper z;
  z.Compute(0.0, -0.0, false);
  ISoftClipper p;
  p.Compute(0.0, 0.0, false);
  EXPECT_EQ(z.clampHigh, p.clampHigh);
  EXPECT_EQ(z.threshold, p.threshold);
}

TEST(Saturator, SineCurveClampedToUnity)
{
  ISaturator s;
  s.Compute(24.0);
  EXPECT_NEAR(s.k, 2.0 / 200.0 * std::numbers::pi, 1e-15);
  EXPECT_EQ(s.Process(1.0), 1.0);
  EXPECT_EQ(s.Process(5.0), 1.0);
  EXPECT_EQ(s.Process(-5.0), -1.0);
  EXPECT_EQ(s.Process(std::nan("")), -1.0);
  const double y = s.Process(0.5);
  EXPECT_NEAR(y, std::sin(s.k * 0.5) / std::sin(s.k), 1e-15);
  EXPECT_GT(y, 0.5); // sine saturation lifts the lower levels
}
