// Fractional interpolator and its filter banks: against a brute-force
// evaluation of every output, block-split invariance, state reset, latency
// hand-over, bank design and the bank cache.

#include "resampler/CDSPFracInterpolator.h"
#include "resampler/CFracDelayFilterBank.h"
#include "resampler/CLowPassFilter.h"

#include "tests/resampler/ResamplerTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

using namespace rsmp;
using namespace rsmptest;

namespace {

double Sample(const std::vector<double>& x, long k)
{
  return (k >= 0 && k < long(x.size())) ? x[k] : 0.0;
}

// Every output evaluated on its own: whole stepping from integer phases.
std::vector<double> BruteWhole(const CDSPFracInterpolator& ip, const std::vector<double>& x, int drop, int phase0)
{
  const CFracDelayFilterBank* b = ip.GetBank();
  const int f = b->FilterLen;
  std::vector<double> y;
  for (long n = 0;; ++n)
  {
    const long total = phase0 + n * ip.GetInStep();
    const long k = drop + total / ip.GetOutStep();
    if (k + f / 2 > long(x.size()) - 1)
      break;
    const double* row = b->GetRow(int(total % ip.GetOutStep()));
    double acc = 0;
    for (int i = 0; i < f; ++i)
      acc += row[i] * Sample(x, k - f / 2 + 1 + i);
    y.push_back(acc);
  }
  return y;
}

// Interpolating bank: the quadratic of each tap at fraction x.
std::vector<double> InterpTaps(const CFracDelayFilterBank* b, double x)
{
  const double fx = b->FracCount * x;
  const int row = int(fx);
  const double t = fx - row;
  const double* c = b->GetRow(row);
  std::vector<double> taps(b->FilterLen);
  for (int i = 0; i < b->FilterLen; ++i)
  {
    const int p = i / 2, o = i % 2;
    taps[i] = c[6 * p + o] + c[6 * p + 2 + o] * t + c[6 * p + 4 + o] * t * t;
  }
  return taps;
}

std::vector<double> BruteInterp(const CDSPFracInterpolator& ip, const std::vector<double>& x, double start,
                                double ratio)
{
  const CFracDelayFilterBank* b = ip.GetBank();
  const int f = b->FilterLen;
  std::vector<double> y;
  for (long n = 0;; ++n)
  {
    const long double pos = (long double)start + (long double)n * ratio;
    const long k = long(std::floor(pos));
    if (k + f / 2 > long(x.size()) - 1)
      break;
    const std::vector<double> taps = InterpTaps(b, double(pos - k));
    double acc = 0;
    for (int i = 0; i < f; ++i)
      acc += taps[i] * Sample(x, k - f / 2 + 1 + i);
    y.push_back(acc);
  }
  return y;
}

// Kaiser-windowed sinc tap at delay phi, independently of the bank code.
double WindowedSinc(int i, double phi, int f, double alpha, double power)
{
  const long double pi = 3.141592653589793238462643383279502884L;
  const long double z = i + phi;
  const long double s = std::fabs(double(z)) < 1e-12 ? 1.0L : std::sin(pi * z) / (pi * z);
  const double x = double(z / (f / 2));
  if (x * x > 1)
    return 0.0;
  return double(s) * std::pow(BesselI0(alpha * std::sqrt(1 - x * x)) / BesselI0(alpha), power);
}

} // namespace

TEST(FracInterpolator, WholeSteppingMatchesBruteForceForAnySplit)
{
  // 2 x 44.1 kHz -> 48 kHz: whole stepping with steps 147 and 80.
  CDSPFracInterpolator ip(false, 88200.0, 48000.0, 136.32, 0.0);
  ASSERT_EQ(ip.GetStatus(), EStatus::kOK);
  ASSERT_TRUE(ip.IsWholeStepping());
  EXPECT_EQ(ip.GetInStep(), 147);
  EXPECT_EQ(ip.GetOutStep(), 80);
  EXPECT_EQ(ip.GetFilterLen(), 18);
  EXPECT_EQ(ip.GetBank()->FracCount, 80);
  EXPECT_EQ(ip.GetMaxOutputLength(100), 56);
  const std::vector<double> x = Noise(3000, 1);
  const std::vector<double> ref = BruteWhole(ip, x, 0, 0);
  for (int maxBlock : {0, 1, 5, 100, 700})
  {
    ip.ClearState();
    const std::vector<double> y = RunStage(ip, x, maxBlock, maxBlock);
    ASSERT_EQ(y.size(), ref.size());
    for (size_t i = 0; i < y.size(); ++i)
      ASSERT_NEAR(y[i], ref[i], 1e-14) << i;
  }
  // Upward whole stepping (48 -> 88.2) and a 3*2^k bank.
  CDSPFracInterpolator up(true, 48000.0, 88200.0, 100.0, 0.0);
  ASSERT_TRUE(up.IsWholeStepping());
  EXPECT_EQ(up.GetFilterLen(), 6 + 2 * 2);
  const std::vector<double> refUp = BruteWhole(up, x, 0, 0);
  const std::vector<double> yUp = RunStage(up, x, 77, 3);
  ASSERT_EQ(yUp.size(), refUp.size());
  for (size_t i = 0; i < yUp.size(); ++i)
    ASSERT_NEAR(yUp[i], refUp[i], 1e-14) << i;
}

TEST(FracInterpolator, InterpolatingMatchesBruteForceForAnySplit)
{
  // No small common divisor: the interpolating bank of design 5.
  for (double dst : {44100.3, 96001.7, 31999.1})
  {
    SCOPED_TRACE(dst);
    CDSPFracInterpolator ip(false, 48000.0, dst, 136.32, 0.0);
    ASSERT_EQ(ip.GetStatus(), EStatus::kOK);
    ASSERT_FALSE(ip.IsWholeStepping());
    EXPECT_EQ(ip.GetFilterLen(), 18);
    EXPECT_EQ(ip.GetBank()->FracCount, 180);
    // Long enough to pass the position restarts after 1000 outputs.
    const std::vector<double> x = Noise(5000, 2);
    const std::vector<double> ref = BruteInterp(ip, x, 0.0, 48000.0 / dst);
    for (int maxBlock : {0, 1, 33, 1200})
    {
      ip.ClearState();
      const std::vector<double> y = RunStage(ip, x, maxBlock, maxBlock + 7);
      ASSERT_EQ(y.size(), ref.size());
      for (size_t i = 0; i < y.size(); ++i)
        ASSERT_NEAR(y[i], ref[i], 1e-9) << i;
    }
  }
}

TEST(FracInterpolator, PreviousLatencyIsDroppedAndPassedOn)
{
  const std::vector<double> x = Noise(2000, 3);
  // Whole stepping: 2 samples dropped, 0.25 becomes phase 20 of 80, nothing left.
  CDSPFracInterpolator w(false, 88200.0, 48000.0, 136.32, 2.25);
  EXPECT_EQ(w.GetFracLatency(), 0.0);
  // Dropped samples are gone, not history.
  const std::vector<double> x2(x.begin() + 2, x.end());
  const std::vector<double> ref = BruteWhole(w, x2, 0, 20);
  const std::vector<double> y = RunStage(w, x, 9, 1);
  ASSERT_EQ(y.size(), ref.size());
  for (size_t i = 0; i < y.size(); ++i)
    ASSERT_NEAR(y[i], ref[i], 1e-14) << i;
  // 0.33 is not a whole phase: the rest, 0.4 / 80 of an input sample, is
  // passed on in output samples (147 inputs span 80 outputs).
  CDSPFracInterpolator r(false, 88200.0, 48000.0, 136.32, 0.33);
  EXPECT_NEAR(r.GetFracLatency(), (0.33 * 80 - 26) / 147, 1e-12);

  // Interpolating: 1 sample dropped, the first output at fraction 0.25.
  CDSPFracInterpolator ip(false, 48000.0, 44100.3, 136.32, 1.25);
  EXPECT_EQ(ip.GetFracLatency(), 0.0);
  const std::vector<double> x1(x.begin() + 1, x.end());
  const std::vector<double> refI = BruteInterp(ip, x1, 0.25, 48000.0 / 44100.3);
  const std::vector<double> yI = RunStage(ip, x, 50, 2);
  ASSERT_EQ(yI.size(), refI.size());
  for (size_t i = 0; i < yI.size(); ++i)
    ASSERT_NEAR(yI[i], refI[i], 1e-9);

  // Garbage latencies count as none.
  CDSPFracInterpolator bad(false, 48000.0, 44100.3, 136.32, -5.0);
  CDSPFracInterpolator none(false, 48000.0, 44100.3, 136.32, 0.0);
  EXPECT_EQ(RunStage(bad, x, 0, 1), RunStage(none, x, 0, 1));
}

TEST(FracInterpolator, PassedOnFractionIsTheDelayLeftInTheOutput)
{
  // The input carries a delay of prev input samples; what the stage does not
  // take out must show in the output as exactly GetFracLatency output samples.
  const double pairs[][2] = {{88200, 48000}, {48000, 32000}, {24000, 64000}, {64000, 24000}, {48000, 44100.3}};
  for (const auto& pr : pairs)
    for (const double prev : {0.1, 0.33, 0.77})
    {
      const double src = pr[0], dst = pr[1];
      SCOPED_TRACE(testing::Message() << src << " -> " << dst << " prev " << prev);
      CDSPFracInterpolator ip(false, src, dst, 136.32, prev);
      ASSERT_EQ(ip.GetStatus(), EStatus::kOK);
      const double d = ip.GetFracLatency();
      EXPECT_GE(d, 0.0);
      EXPECT_LT(d, 1.0);
      const double w = 2 * M_PI * 0.01; // per input sample
      std::vector<double> x(6000);
      for (size_t n = 0; n < x.size(); ++n)
        x[n] = std::sin(w * (double(n) - prev));
      const std::vector<double> y = RunStage(ip, x, 300, 5);
      const double wo = w * src / dst; // per output sample
      const auto [a, b, residual] =
        FitSine(y, y.size() / 4, y.size() * 3 / 4, [&](size_t j) { return wo * double(j); });
      EXPECT_NEAR(std::hypot(a, b), 1.0, 1e-6);
      EXPECT_NEAR(-std::atan2(b, a) / wo, d, 2e-4);
    }
}

TEST(FracInterpolator, SineKeepsItsFrequencyAndLevel)
{
  // 1 kHz at 88.2 kHz to 48 kHz (whole stepping) and 48 kHz to 44100.3 Hz.
  for (int pair = 0; pair < 2; ++pair)
  {
    const double src = pair ? 48000.0 : 88200.0, dst = pair ? 44100.3 : 48000.0;
    CDSPFracInterpolator ip(false, src, dst, 136.32, 0.0);
    std::vector<double> x(20000);
    for (size_t i = 0; i < x.size(); ++i)
      x[i] = std::sin(2 * M_PI * 1000.0 * i / src);
    const std::vector<double> y = RunStage(ip, x, 512, 1);
    double err = 0;
    for (size_t n = 100; n + 100 < y.size(); ++n)
      err = std::max(err, std::fabs(y[n] - std::sin(2 * M_PI * 1000.0 * n / dst)));
    EXPECT_LT(err, 1e-5) << "pair " << pair;
  }
}

TEST(FracInterpolator, ClearStateEqualsFreshObjectAndInvalidUse)
{
  const std::vector<double> x = Noise(1500, 4);
  for (double dst : {48000.0, 44100.3})
  {
    CDSPFracInterpolator fresh(false, 88200.0, dst, 136.32, 1.5);
    CDSPFracInterpolator used(false, 88200.0, dst, 136.32, 1.5);
    RunStage(used, Noise(777, 9), 100, 1);
    used.ClearState();
    double dummy = 0;
    double* op = &dummy;
    EXPECT_EQ(used.ProcessSamples(nullptr, 0, op), 0);
    EXPECT_EQ(op, &dummy);
    EXPECT_EQ(used.ProcessSamples(nullptr, 3, op), kProcessRefused);
    EXPECT_EQ(used.ProcessSamples(&dummy, -1, op), kProcessRefused);
    EXPECT_EQ(RunStage(used, x, 64, 2), RunStage(fresh, x, 64, 2));
  }
  for (double bad : {0.0, -48000.0, std::nan(""), double(INFINITY)})
  {
    CDSPFracInterpolator a(false, bad, 48000.0, 136.32, 0.0);
    CDSPFracInterpolator b(false, 48000.0, bad, 136.32, 0.0);
    EXPECT_EQ(a.GetStatus(), EStatus::kInvalidRate);
    EXPECT_EQ(b.GetStatus(), EStatus::kInvalidRate);
    double v = 1.0;
    double* op = &v;
    EXPECT_EQ(a.ProcessSamples(&v, 1, op), kProcessRefused);
    EXPECT_EQ(a.GetMaxOutputLength(10), 0);
    a.ClearState();
  }
  // Ratios whose positions would overflow are refused; the bound itself works.
  EXPECT_EQ(CDSPFracInterpolator(false, 1e6, 1.0, 136.32, 0.0).GetStatus(), EStatus::kInvalidRate);
  EXPECT_EQ(CDSPFracInterpolator(false, 1.0, 1e6, 136.32, 0.0).GetStatus(), EStatus::kInvalidRate);
  CDSPFracInterpolator far(false, 65536.0 * 1000.3, 1000.3, 136.32, 0.0);
  ASSERT_EQ(far.GetStatus(), EStatus::kOK);
  const std::vector<double> y = RunStage(far, Noise(300000, 8), 65536, 1);
  EXPECT_GE(y.size(), 4u);
}

TEST(FracDelayFilterBank, RowsAreNormalisedWindowedSincs)
{
  for (bool third : {false, true})
  {
    const int n = third ? CFracDelayFilterBank::kThirdDesignCount : CFracDelayFilterBank::kPow2DesignCount;
    for (int d = 0; d < n; ++d)
    {
      const CFracDelayFilterBank::SDesign& des =
        third ? CFracDelayFilterBank::kThirdDesigns[d] : CFracDelayFilterBank::kPow2Designs[d];
      EXPECT_EQ(CFracDelayFilterBank::ChooseDesign(third, des.Atten), d);
      CFracDelayFilterBank* b = CFracDelayFilterBank::Acquire(40, 1, 2, third, false, des.Atten);
      ASSERT_NE(b, nullptr);
      const int f = b->FilterLen;
      EXPECT_EQ(f, (third ? 6 : 8) + 2 * d);
      for (int idx = 0; idx <= 41; ++idx)
      {
        const double phi = double(40 - idx) / 40;
        const double* row = b->GetRow(idx);
        double sum = 0;
        std::vector<double> ref(f);
        for (int i = 0; i < f; ++i)
          sum += ref[i] = WindowedSinc(i - f / 2, phi, f, des.Alpha, des.Power);
        for (int i = 0; i < f; ++i)
          ASSERT_NEAR(row[i], ref[i] / sum, 1e-13) << "d=" << d << " idx=" << idx << " i=" << i;
      }
      CFracDelayFilterBank::Release(b);
    }
  }
  EXPECT_EQ(CFracDelayFilterBank::ChooseDesign(false, 136.32), 5);
  EXPECT_EQ(CFracDelayFilterBank::ChooseDesign(false, 500.0), 11);
  EXPECT_EQ(CFracDelayFilterBank::ChooseDesign(true, 1.0), 0);
}

TEST(FracDelayFilterBank, QuadraticRowsTrackTheTrueFractionalDelay)
{
  CFracDelayFilterBank* b = CFracDelayFilterBank::Acquire(-1, 3, 8, false, true, 136.32);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->FracCount, 180);
  const CFracDelayFilterBank::SDesign& des = CFracDelayFilterBank::kPow2Designs[5];
  // At a row (t = 0) the quadratic is the plain row; between rows it follows
  // the windowed sinc of that delay closely.
  double worst = 0;
  for (int k = 0; k <= 1000; ++k)
  {
    const double x = k / 1000.0 * (1 - 1e-12);
    const std::vector<double> taps = InterpTaps(b, x);
    std::vector<double> ref(b->FilterLen);
    double sum = 0;
    for (int i = 0; i < b->FilterLen; ++i)
      sum += ref[i] = WindowedSinc(i - b->FilterLen / 2, 1 - x, b->FilterLen, des.Alpha, des.Power);
    for (int i = 0; i < b->FilterLen; ++i)
      worst = std::max(worst, std::fabs(taps[i] - ref[i] / sum));
  }
  EXPECT_LT(worst, 1e-6);
  CFracDelayFilterBank::Release(b);
}

TEST(FracDelayFilterBank, CacheSharesAndEvicts)
{
  // Long-lived: the same request yields the same bank and is never evicted.
  CFracDelayFilterBank* a = CFracDelayFilterBank::Acquire(-1, 3, 8, false, true, 100.0);
  CFracDelayFilterBank* b = CFracDelayFilterBank::Acquire(-1, 3, 8, false, true, 99.0);
  EXPECT_EQ(a, b);
  CFracDelayFilterBank::Release(a);
  CFracDelayFilterBank::Release(b);

  // Short-lived: identical requests share; a held bank survives eviction.
  CFracDelayFilterBank* held = CFracDelayFilterBank::Acquire(1001, 1, 2, false, false, 136.32);
  CFracDelayFilterBank* again = CFracDelayFilterBank::Acquire(1001, 1, 2, false, false, 136.32);
  EXPECT_EQ(held, again);
  EXPECT_EQ(CFracDelayFilterBank::GetRefCount(held), 2);
  CFracDelayFilterBank::Release(again);
  const int before = std::max(CFracDelayFilterBank::GetShortLivedCount(), CFracDelayFilterBank::kShortLivedLimit);
  for (int q = 1; q <= 30; ++q)
  {
    CFracDelayFilterBank* t = CFracDelayFilterBank::Acquire(2000 + q, 1, 2, false, false, 136.32);
    ASSERT_NE(t, nullptr);
    CFracDelayFilterBank::Release(t);
    // Unused banks make room; only the held one may push the count up.
    EXPECT_LE(CFracDelayFilterBank::GetShortLivedCount(), before + 2);
  }
  // Still the same object, still usable.
  EXPECT_EQ(CFracDelayFilterBank::GetRefCount(held), 1);
  EXPECT_EQ(held->FracCount, 1001);
  CFracDelayFilterBank::Release(held);

  // Requests the table cannot hold are refused with a status.
  EStatus st = EStatus::kOK;
  EXPECT_EQ(CFracDelayFilterBank::Acquire(1, 1, 3, false, false, 136.32, &st), nullptr);
  EXPECT_EQ(st, EStatus::kInvalidArgument);
}

TEST(FracDelayFilterBank, ConvertersBuiltOnManyThreadsShareBanksSafely)
{
  // Rate pairs with whole stepping (short-lived banks, more of them than the
  // cache keeps) and without (the long-lived bank).
  std::vector<double> dsts;
  for (int i = 0; i < 16; ++i)
    dsts.push_back(48000.0 * (i + 17) / 16);
  dsts.push_back(44100.3);
  const std::vector<double> x = Noise(2000, 12);
  std::vector<std::vector<double>> expect;
  for (double d : dsts)
  {
    CDSPFracInterpolator ip(false, 48000.0, d, 136.32, 0.0);
    expect.push_back(RunStage(ip, x, 0, 1));
  }
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 8; ++round)
        for (size_t i = 0; i < dsts.size(); ++i)
        {
          const size_t j = (i + size_t(t) * 5 + size_t(round)) % dsts.size();
          CDSPFracInterpolator ip(false, 48000.0, dsts[j], 136.32, 0.0);
          if (ip.GetStatus() != EStatus::kOK || RunStage(ip, x, 0, 1) != expect[j])
            ++mismatches;
        }
    });
  for (std::thread& th : threads)
    th.join();
  EXPECT_EQ(mismatches.load(), 0);
}
