#include "core/IParam.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <string>

using namespace fx;

namespace {

std::string Display(const IParam& p, double v, bool normalized = false, bool withTexts = true)
{
  FxString s;
  p.GetDisplay(v, normalized, s, withTexts);
  return s.Get();
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(IParam, InitDoubleRangePrecisionAndStepRounding)
{
  IParam p;
  EXPECT_EQ(p.Type(), kTypeNone);
  EXPECT_EQ(p.Unit(), kUnitCustom);
  EXPECT_EQ(p.GetShapeDisplayType(), kDisplayLinear);

  struct { double step; int precision; } cases[] = {{0.25, 2}, {0.0000001, 6}, {5, 0}, {0.01, 2}, {0.001, 3}, {0.1, 1}, {0.00001, 5}};
  for (const auto& c : cases)
  {
    p.InitDouble("x", 0, 0, 100, c.step);
    EXPECT_EQ(p.GetDisplayPrecision(), c.precision) << c.step;
  }

  p.InitDouble("max", 0.2, 0, 0.5, 1);
  EXPECT_EQ(p.GetMax(), 1.0);

  IParam s;
  s.InitDouble("s", 0.74, 0, 10, 0.5, "", kFlagStepped);
  EXPECT_EQ(s.Value(), 0.5);
  s.InitDouble("s", 0.75, 0, 10, 0.5, "", kFlagStepped);
  EXPECT_EQ(s.Value(), 1.0);
  EXPECT_EQ(s.GetPrevious(), 0.5);
  EXPECT_EQ(s.GetDefault(), 0.75); // the default is kept as given
  EXPECT_EQ(s.Type(), kTypeDouble);

  // Halves round away from zero.
  IParam n;
  n.InitDouble("n", 0, -10, 10, 1, "", kFlagStepped);
  EXPECT_EQ(n.Constrain(-2.5), -3.0);
  EXPECT_EQ(n.Constrain(2.5), 3.0);
  EXPECT_EQ(n.Constrain(99), 10.0);
  EXPECT_EQ(n.Constrain(-std::numeric_limits<double>::infinity()), -10.0);
}

TEST(IParam, InitialisersSetKindUnitLabelAndTexts)
{
  IParam b;
  b.InitBool("Bypass", true, "", 0, "Main", "Off", "On");
  EXPECT_EQ(b.Type(), kTypeBool);
  EXPECT_EQ(b.Value(), 1.0);
  EXPECT_TRUE(b.GetStepped());
  EXPECT_STREQ(b.GetGroup(), "Main");
  EXPECT_EQ(Display(b, 0), "Off");
  EXPECT_EQ(Display(b, 1), "On");

  IParam e;
  e.InitEnum("Mode", 1, 3, "", 0, "", "Hard", "Soft", "Clip");
  EXPECT_EQ(e.Type(), kTypeEnum);
  EXPECT_EQ(e.GetMax(), 2.0);
  EXPECT_EQ(e.GetNumDisplayTexts(), 3);
  double v = -1;
  EXPECT_STREQ(e.GetDisplayTextAtIdx(2, &v), "Clip");
  EXPECT_EQ(v, 2.0);
  v = -1;
  EXPECT_STREQ(e.GetDisplayTextAtIdx(3, &v), "");
  EXPECT_EQ(v, -1.0);
  EXPECT_STREQ(e.GetDisplayTextAtIdx(-1), "");

  IParam noTexts;
  noTexts.InitEnum("Mode", 0, 4);
  EXPECT_EQ(noTexts.GetNumDisplayTexts(), 0);
  EXPECT_EQ(noTexts.GetMax(), 3.0);

  IParam l;
  l.InitEnum("Meter", 2, {"IN", "GR", "OUT"}, 0, "GUI");
  EXPECT_EQ(l.GetMax(), 2.0);
  EXPECT_EQ(Display(l, 2), "OUT");
  EXPECT_STREQ(l.GetLabel(), "");

  IParam i;
  i.InitInt("Count", 7, -3, 12, "pcs");
  EXPECT_EQ(i.Type(), kTypeInt);
  EXPECT_EQ(i.Int(), 7);
  EXPECT_EQ(i.GetStep(), 1.0);

  struct { void (*init)(IParam&); EParamUnitCode unit; const char* label; double step; } units[] = {
    {[](IParam& p) { p.InitFrequency("f", 1000, 20, 20000, 1); }, kUnitFrequency, "Hz", 1},
    {[](IParam& p) { p.InitSeconds("s", 1, 0, 10, 0.01); }, kUnitSeconds, "Seconds", 0.01},
    {[](IParam& p) { p.InitMilliseconds("ms", 1, 0, 100); }, kUnitMilliseconds, "ms", 1},
    {[](IParam& p) { p.InitGain("g", 0, -24, 24, 0.1); }, kUnitDB, "dB", 0.1},
    {[](IParam& p) { p.InitPercentage("p", 50); }, kUnitPercentage, "%", 1},
    {[](IParam& p) { p.InitAngleDegrees("a", 90); }, kUnitDegrees, "degrees", 1},
  };
  for (const auto& u : units)
  {
    IParam p;
    u.init(p);
    EXPECT_EQ(p.Type(), kTypeDouble);
    EXPECT_EQ(p.Unit(), u.unit);
    EXPECT_STREQ(p.GetLabel(), u.label);
    EXPECT_EQ(p.GetStep(), u.step);
  }

  // A later initialiser keeps the first kind.
  IParam k;
  k.InitInt("k", 0, 0, 5);
  k.InitGain("k", 0, -6, 6, 1);
  EXPECT_EQ(k.Type(), kTypeInt);
}

TEST(IParam, PitchNames)
{
  IParam p;
  p.InitPitch("Note", 0, 48, 50, 0, "", true);
  ASSERT_EQ(p.GetNumDisplayTexts(), 3);
  EXPECT_EQ(Display(p, 0), "C 3");
  EXPECT_EQ(Display(p, 1), "C#3");
  EXPECT_EQ(Display(p, 2), "D 3");

  IParam q;
  q.InitPitch("Note", 0, 59, 60, 0, "", false);
  EXPECT_EQ(Display(q, 0), "B 2");
  EXPECT_EQ(Display(q, 1), "C 3");

  IParam r;
  r.InitPitch("Note", 0, 60, 60, 0, "", true);
  EXPECT_EQ(Display(r, 0), "C 4");
  EXPECT_EQ(r.GetMax(), 1.0); // an empty range still gets one step

  // Notes below 0 name and number their octave consistently.
  IParam s;
  s.InitPitch("Note", 0, -1, 0, 0, "", true);
  EXPECT_EQ(Display(s, 0), "B -2");
  EXPECT_EQ(Display(s, 1), "C -1");
}

TEST(IParam, ShapesRoundTripAgainstTheirFormulas)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(0.0, 1.0);

  IParam lin;
  lin.InitDouble("lin", 0, -12, 36, 0.0001);
  IParam pow2;
  pow2.InitDouble("pow", 0, 0, 24, 0.0001, "", 0, "", ShapePowCurve(2.0));
  IParam ex;
  ex.InitFrequency("exp", 1000, 20, 20000, 0.0001);

  EXPECT_DOUBLE_EQ(pow2.GetShape()->NormalizedToValue(0.5, pow2), 6.0);
  EXPECT_EQ(pow2.GetShapeDisplayType(), kDisplaySquared);
  EXPECT_EQ(ex.GetShapeDisplayType(), kDisplayLog);

  for (int i = 0; i < 200; ++i)
  {
    const double n = u(rng);
    EXPECT_NEAR(lin.GetShape()->NormalizedToValue(n, lin), -12 + n * 48, 1e-12);
    EXPECT_NEAR(pow2.GetShape()->NormalizedToValue(n, pow2), n * n * 24, 1e-12);
    EXPECT_NEAR(ex.GetShape()->NormalizedToValue(n, ex), std::exp(std::log(20.0) + n * std::log(1000.0)), 1e-9);
    for (const IParam* p : {&lin, &pow2, &ex})
    {
      const double v = p->GetShape()->NormalizedToValue(n, *p);
      EXPECT_NEAR(p->ToNormalized(v), n, 1e-9) << p->GetName();
    }
  }
  EXPECT_NEAR(ex.FromNormalized(0.0), 20.0, 1e-9);
  EXPECT_NEAR(ex.FromNormalized(1.0), 20000.0, 1e-6);

  struct { double e; int type; } types[] = {{3, 6}, {2, 4}, {0.3, 5}, {0.5, 3}, {1, 0}, {0.7, 0}};
  for (const auto& t : types) EXPECT_EQ(ShapePowCurve(t.e).GetDisplayType(), t.type) << t.e;

  ShapeExp fresh;
  EXPECT_EQ(fresh.GetMul(), 1.0);
  EXPECT_EQ(fresh.GetAdd(), 1.0);
  std::unique_ptr<IParamShape> clone(ShapePowCurve(3.5).Clone());
  EXPECT_EQ(static_cast<ShapePowCurve*>(clone.get())->GetExponent(), 3.5);
}

TEST(IParam, ExpShapeFromZeroUsesTinyLowerEnd)
{
  IParam p;
  p.InitFrequency("f", 100, 0, 20000, 1);
  EXPECT_NEAR(p.GetShape()->NormalizedToValue(0.0, p), 1e-08, 1e-20);
  // The stored 0 maps to the bottom, not to minus infinity.
  EXPECT_EQ(p.ToNormalized(0.0), 0.0);
  EXPECT_EQ(p.ToNormalized(-5.0), 0.0);
}

TEST(IParam, DegenerateCurvesAndStepsStayFinite)
{
  // ShapeExp on a range whose top is not positive: maps linearly instead of NaN.
  IParam e;
  e.InitDouble("e", -5, -10, -1, 0.1, "", 0, "", ShapeExp());
  for (double n : {0.0, 0.25, 1.0})
  {
    const double v = e.FromNormalized(n);
    EXPECT_TRUE(std::isfinite(v));
    EXPECT_NEAR(v, -10 + 9 * n, 1e-9);
    EXPECT_NEAR(e.ToNormalized(v), n, 1e-9);
  }

  // A power curve with exponent 0 (or negative) behaves as linear both ways.
  for (double ex : {0.0, -2.0, kNaN})
  {
    IParam p;
    p.InitDouble("p", 0, 0, 10, 0.01, "", 0, "", ShapePowCurve(ex));
    EXPECT_NEAR(p.FromNormalized(0.3), 3.0, 1e-9);
    EXPECT_NEAR(p.ToNormalized(3.0), 0.3, 1e-9);
    EXPECT_EQ(p.GetShapeDisplayType(), kDisplayLinear);
  }

  // step <= 0 with the stepped flag: no division by zero, the value is only clamped.
  for (double step : {0.0, -1.0, kNaN})
  {
    IParam p;
    p.InitDouble("s", 0.37, 0, 2, step, "", kFlagStepped);
    EXPECT_EQ(p.Value(), 0.37);
    EXPECT_EQ(p.Constrain(1.234), 1.234);
    EXPECT_EQ(p.Constrain(5), 2.0);
    EXPECT_EQ(p.StringToValue("0.5"), 0.5);
    EXPECT_EQ(Display(p, 1.5), "2"); // precision 0 for a whole (zero) step
    EXPECT_GE(p.GetMax(), p.GetMin());
  }

  // A zero-width range (possible with a zero step) normalises to 0.
  IParam z;
  z.InitDouble("z", 1, 1, 1, 0);
  EXPECT_EQ(z.ToNormalized(1), 0.0);
  EXPECT_EQ(z.FromNormalized(0.7), 1.0);

  // A range given as NaN or infinity is replaced by a usable one.
  IParam w;
  w.InitDouble("w", kNaN, kNaN, std::numeric_limits<double>::infinity(), 1);
  EXPECT_TRUE(std::isfinite(w.GetMin()));
  EXPECT_TRUE(std::isfinite(w.GetMax()));
  EXPECT_TRUE(std::isfinite(w.Value()));
}

TEST(IParam, NaNAndOutOfRangeInputsGiveSafeResults)
{
  IParam p;
  p.InitGain("g", -3, -24, 24, 0.5);
  bool ok = true;
  p.Set(6.0, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(p.Value(), 6.0);
  EXPECT_EQ(p.Set(kNaN, &ok), 6.0);
  EXPECT_FALSE(ok);
  EXPECT_EQ(p.Value(), 6.0); // refused, unchanged
  p.SetNormalized(kNaN, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(p.Value(), 6.0);

  p.SetNormalized(7.5);
  EXPECT_EQ(p.Value(), 24.0);
  p.SetNormalized(-3);
  EXPECT_EQ(p.Value(), -24.0);
  EXPECT_EQ(p.GetPrevious(), 24.0);
  p.Set(1e300);
  EXPECT_EQ(p.Value(), 24.0);

  EXPECT_EQ(p.Constrain(kNaN), -3.0);
  EXPECT_EQ(p.ToNormalized(kNaN), 0.0);
  EXPECT_EQ(p.ToNormalized(100), 1.0);
  EXPECT_EQ(p.FromNormalized(kNaN), -3.0);
  EXPECT_EQ(Display(p, kNaN), "-3.0");
  EXPECT_EQ(Display(p, kNaN, true), "-3.0");
  EXPECT_EQ(p.StringToValue(nullptr), 0.0);
  EXPECT_EQ(p.StringToValue("nan"), -3.0);
  EXPECT_EQ(p.StringToValue("1e999"), 24.0);
  EXPECT_EQ(p.StringToValue("-1e999"), -24.0);
  EXPECT_EQ(p.StringToValue("1e-999"), 0.0);
}

TEST(IParam, DisplayTable)
{
  IParam p1;
  p1.InitDouble("p", 0, -10, 10, 0.1);
  EXPECT_EQ(Display(p1, -0.0), "0.0");
  EXPECT_EQ(Display(p1, 0.25), "0.2"); // printf rounding of the binary value
  EXPECT_EQ(Display(p1, 1, true), "10.0");
  EXPECT_EQ(Display(p1, 0.5, true), "0.0");

  IParam sign;
  sign.InitDouble("s", 0, -10, 10, 0.01, "", kFlagSignDisplay);
  EXPECT_EQ(Display(sign, 3.5), "+3.50");
  EXPECT_EQ(Display(sign, 0.0), "0.00");
  EXPECT_EQ(Display(sign, -2), "-2.00");

  IParam whole;
  whole.InitDouble("w", 0, -10, 10, 1);
  EXPECT_EQ(Display(whole, 2.5), "3");
  EXPECT_EQ(Display(whole, -2.5), "-3");
  EXPECT_EQ(Display(whole, -0.4), "0");

  IParam neg;
  neg.InitDouble("n", 0, 0, 20, 0.1, "", kFlagNegateDisplay);
  EXPECT_EQ(Display(neg, 3.0), "-3.0");
  EXPECT_EQ(Display(neg, 0.0), "0.0");
  EXPECT_EQ(neg.StringToValue("-4.5"), 4.5);
  EXPECT_EQ(neg.StringToValue("4.5"), 0.0);

  // Values beyond the int range print their digits instead of overflowing "%d".
  IParam huge;
  huge.InitDouble("h", 0, -1e12, 1e12, 1);
  EXPECT_EQ(Display(huge, 5e9), "5000000000");
  EXPECT_EQ(Display(huge, -5e9), "-5000000000");
  EXPECT_EQ(Display(huge, 1e300).size(), 32u);
  EXPECT_EQ(Display(huge, std::numeric_limits<double>::infinity()), "inf");

  // Display texts match exact values only, may be bypassed, and empty ones never show.
  IParam t;
  t.InitDouble("t", 0, 0, 10, 0.5);
  t.SetDisplayText(0, "Off");
  t.SetDisplayText(10, "");
  EXPECT_EQ(Display(t, 0), "Off");
  EXPECT_EQ(Display(t, 0, false, false), "0.0");
  EXPECT_EQ(Display(t, 10), "10.0");
  EXPECT_EQ(Display(t, 0.0000001), "0.0");
  EXPECT_STREQ(t.GetDisplayText(0), "Off");
  EXPECT_STREQ(t.GetDisplayText(1), "");

  // A display function alone formats.
  IParam f;
  f.InitDouble("f", 0, 0, 1, 0.01, "", 0, "", ShapeLinear(), kUnitCustom,
               [](double v, FxString& s) { s.SetFormatted(32, "<%g>", v * 2); });
  EXPECT_EQ(Display(f, 0.25), "<0.5>");
}

TEST(IParam, ParsingTable)
{
  IParam f;
  f.InitDouble("f", 0, 0, 20000, 1);
  struct { const char* text; double value; } cases[] = {
    {"1.5k", 1500}, {"2k5", 2500}, {"2.5k", 2500}, {"2K", 2000}, {"k5", 500}, {"  42 Hz", 42},
    {"+7", 7}, {"abc", 0}, {"", 0}, {"30000", 20000}, {"-5", 0}, {"1e3", 1000},
    {".5k", 500}, {"0x10", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(f.StringToValue(c.text), c.value) << c.text;

  // On a range around zero a sign must show: one sign is read, a second one is no number.
  IParam g;
  g.InitDouble("g", 3, -100, 100, 1);
  struct { const char* text; double value; } signed_cases[] = {
    {"-5", -5}, {"+5", 5}, {" -2k", -100}, {"-0.5k", -100}, {"+-5", 0}, {"-+5", 0}, {"--5", 0}, {"- 5", 0},
  };
  for (const auto& c : signed_cases) EXPECT_EQ(g.StringToValue(c.text), c.value) << c.text;

  IParam s;
  s.InitDouble("s", 0, 0, 10, 1, "", kFlagStepped);
  EXPECT_EQ(s.StringToValue("3.6"), 4.0);
  EXPECT_EQ(s.StringToValue("12"), 10.0);
  EXPECT_EQ(s.StringToValue("-5"), 0.0);

  IParam e;
  e.InitEnum("e", 0, 2, "", 0, "", "Short", "Long");
  EXPECT_EQ(e.StringToValue("Long"), 1.0);
  EXPECT_EQ(e.StringToValue("long"), 0.0);
  EXPECT_EQ(e.StringToValue("1"), 0.0);
  double v = -1;
  EXPECT_TRUE(e.MapDisplayText("Short", &v));
  EXPECT_EQ(v, 0.0);
  EXPECT_FALSE(e.MapDisplayText("short", &v));
  EXPECT_FALSE(e.MapDisplayText(nullptr, &v));

  // A display text maps to its value as stored, even outside the range.
  IParam t;
  t.InitDouble("t", 0, 0, 1, 0.1);
  t.SetDisplayText(-1, "Auto");
  EXPECT_EQ(t.StringToValue("Auto"), -1.0);
}

TEST(IParam, LongTextsAreCut)
{
  const std::string longText(100, 'n');
  IParam p;
  p.InitDouble(longText.c_str(), 0, 0, 1, 0.1, longText.c_str(), 0, longText.c_str());
  EXPECT_EQ(std::string(p.GetName()), longText.substr(0, 31));
  EXPECT_EQ(std::string(p.GetLabel()), longText.substr(0, 31));
  EXPECT_EQ(std::string(p.GetGroup()), longText.substr(0, 31));
  p.SetDisplayText(0.5, longText.c_str());
  EXPECT_EQ(std::string(p.GetDisplayText(0.5)), longText.substr(0, 31));
  EXPECT_TRUE(p.MapDisplayText(longText.substr(0, 31).c_str(), nullptr));

  IParam n;
  n.InitDouble(nullptr, 0, 0, 1, 0.1, nullptr, 0, nullptr);
  EXPECT_STREQ(n.GetName(), "");
  n.SetDisplayText(0, nullptr);
  EXPECT_STREQ(n.GetDisplayTextAtIdx(0), "");
}

TEST(IParam, CopyReplacesNameAndGroup)
{
  IParam src;
  src.InitDouble("Gain L", 1, -6, 6, 0.5, "dB", kFlagStepped | kFlagSignDisplay, "Left", ShapePowCurve(3.0), kUnitDB,
                 nullptr);
  src.SetDisplayText(0, "Unity");
  src.SetDisplayPrecision(3);

  IParam dst;
  dst.InitFromCopy(src, "L", "Right", "");
  EXPECT_STREQ(dst.GetName(), "Gain Right");
  EXPECT_STREQ(dst.GetGroup(), "Left");
  EXPECT_STREQ(dst.GetLabel(), "dB");
  EXPECT_EQ(dst.Type(), kTypeDouble);
  EXPECT_EQ(dst.Unit(), kUnitDB);
  EXPECT_EQ(dst.GetFlags(), kFlagStepped | kFlagSignDisplay);
  EXPECT_EQ(dst.GetMin(), -6.0);
  EXPECT_EQ(dst.GetMax(), 6.0);
  EXPECT_EQ(dst.GetStep(), 0.5);
  EXPECT_EQ(dst.GetDefault(), 1.0);
  EXPECT_EQ(dst.GetDisplayPrecision(), 3);
  EXPECT_EQ(dst.GetShapeDisplayType(), kDisplayCubed);
  EXPECT_NE(dst.GetShape(), src.GetShape());
  EXPECT_EQ(Display(dst, 0), "Unity");

  IParam g;
  g.InitFromCopy(src, nullptr, "x", "Other");
  EXPECT_STREQ(g.GetName(), "Gain L");
  EXPECT_STREQ(g.GetGroup(), "Other");

  // Repeated occurrences, a replacement containing the search text, and self-copies.
  IParam r;
  r.InitDouble("a-a-a", 0, 0, 1, 0.1);
  r.SetDisplayText(1, "Full");
  r.InitFromCopy(r, "a", "aa", nullptr);
  EXPECT_STREQ(r.GetName(), "aa-aa-aa");
  EXPECT_EQ(r.GetNumDisplayTexts(), 1);
}

TEST(IParam, JSON)
{
  IParam p;
  p.InitGain("Ceiling", -0.3, -30, 0, 0.1);
  FxString out("[");
  p.GetJSON(out, 4);
  EXPECT_STREQ(out.Get(), "[{\"id\":4, \"name\":\"Ceiling\", \"type\":\"float\", \"min\":-30.000000, "
                          "\"max\":0.000000, \"default\":-0.300000, \"rate\":\"control\"}");

  IParam none;
  out.Set("");
  none.GetJSON(out, 0);
  EXPECT_STREQ(out.Get(), "{\"id\":0, \"name\":\"\", \"min\":0.000000, \"max\":1.000000, \"default\":0.000000, "
                          "\"rate\":\"control\"}");

  IParam b;
  b.InitBool("Say \"hi\"\\", false);
  out.Set("");
  b.GetJSON(out, 1);
  EXPECT_NE(std::string(out.Get()).find("\"name\":\"Say \\\"hi\\\"\\\\\", \"type\":\"bool\""), std::string::npos)
    << out.Get();
}
