#include "core/IFxProcessorLatencyDelay.h"
#include "tests/core/CoreTestNoise.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace fx;

namespace {
const auto Noise = coretest::Noise<double>;
} // namespace

TEST(LatencyDelay, EqualsBruteForceDelayWithRandomSplits)
{
  const int total = 5000;
  for (int delay : {0, 1, 5, 63, 64, 65, 500, 1000})
  {
    IFxLatencyDelay line;
    ASSERT_TRUE(line.Prepare(2, 1000, 64));
    ASSERT_GE(line.GetMaxDelay(), 1000);
    std::vector<double> a = Noise(total, delay + 1), b = Noise(total, delay + 2);
    std::vector<double> oa(total), ob = b;  // channel b runs in place
    std::mt19937 rng(delay);
    std::uniform_int_distribution<int> len(0, 200);  // pieces longer than maxBlock too
    std::bernoulli_distribution pushOnly(0.2);
    std::vector<bool> pushed(total, false);
    for (int pos = 0; pos < total;)
    {
      const int n = std::min(len(rng), total - pos);
      double* ins[] = {a.data() + pos, ob.data() + pos};
      double* outs[] = {oa.data() + pos, ob.data() + pos};
      if (pushOnly(rng))
      {
        line.Push(ins, 2, n);
        for (int s = 0; s < n; ++s) pushed[pos + s] = true;
      }
      else
        line.Process(ins, outs, 2, n, delay);
      pos += n;
    }
    for (int i = 0; i < total; ++i)
    {
      if (pushed[i]) continue;  // Push writes no output
      ASSERT_EQ(oa[i], i >= delay ? a[i - delay] : 0.0) << "delay " << delay << " at " << i;
      ASSERT_EQ(ob[i], i >= delay ? b[i - delay] : 0.0) << "delay " << delay << " at " << i;
    }
  }
}

TEST(LatencyDelay, EdgeCases)
{
  IFxLatencyDelay line;
  EXPECT_FALSE(line.Prepare(-1, 10, 10));
  EXPECT_FALSE(line.Prepare(1, -1, 10));
  EXPECT_FALSE(line.IsPrepared());
  EXPECT_FALSE(line.Prepare(4, 1 << 30, 64));  // refused, not a huge allocation
  EXPECT_FALSE(line.IsPrepared());
  std::vector<double> x = {1, 2, 3, 4}, y(4, 9.0);
  double* in[] = {x.data()};
  double* out[] = {y.data()};
  line.Process(in, out, 1, 4, 0);  // unprepared: nothing happens
  EXPECT_EQ(y, std::vector<double>(4, 9.0));

  ASSERT_TRUE(line.Prepare(1, 4, 4));
  const int maxDelay = line.GetMaxDelay();
  EXPECT_GE(maxDelay, 4);
  // A null input is silence; a null output is skipped; extra channels are ignored.
  double* nullIn[] = {nullptr, x.data()};
  double* outs[] = {y.data(), y.data()};
  line.Process(nullIn, outs, 2, 4, 0);
  EXPECT_EQ(y, std::vector<double>(4, 0.0));
  double* nullOut[] = {nullptr};
  line.Process(in, nullOut, 1, 4, 2);
  line.Process(in, out, 1, 4, 4);
  EXPECT_EQ(y, x);  // delayed by 4: the block written two calls ago
  // A delay beyond the history is clamped, not read out of bounds.
  line.Process(in, out, 1, 4, maxDelay + 1000);
  line.Reset();
  line.Process(in, out, 1, 4, 1);
  EXPECT_EQ(y, (std::vector<double>{0, 1, 2, 3}));
}
