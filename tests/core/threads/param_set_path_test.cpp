// Hosts set parameters from several threads at once (automation and render): every change
// queued for the editor must arrive intact and in order per thread, or be dropped when full.

#include "tests/core/fakes/TestPlugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace fx;
using namespace fx::test;

namespace {

class RecordingPlugin : public TestPlugin
{
public:
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override
  {
    received.emplace_back(paramIdx, value);
    EXPECT_FALSE(normalized);
  }
  void OnIdle() override {}
  std::vector<std::pair<int, double>> received;
};

struct NullTimer : Timer
{
  void Stop() override {}
};

} // namespace

TEST(ParamSetPathThreads, SeveralHostThreadsFeedTheEditorQueue)
{
  constexpr int kProducers = 3;
  constexpr int kPerProducer = 20000;
  RecordingPlugin p;
  NullTimer timer;
  std::atomic<int> running{kProducers};

  std::vector<std::thread> producers;
  for (int t = 0; t < kProducers; ++t)
  {
    producers.emplace_back([&p, &running, t] {
      for (int i = 0; i < kPerProducer; ++i)
      {
        // Thread t owns parameter t; values count up so order can be checked.
        p.GetParam(t)->Set(p.GetParam(t)->GetMin());
        p.SendParameterValueFromAPI(t, static_cast<double>(i), false);
      }
      running.fetch_sub(1, std::memory_order_release);
    });
  }

  // The main thread drains as the timer would.
  while (running.load(std::memory_order_acquire) > 0) p.OnTimer(timer);
  p.OnTimer(timer);
  for (auto& th : producers) th.join();

  std::vector<double> last(kProducers, -1.0);
  std::vector<int> count(kProducers, 0);
  for (const auto& [idx, value] : p.received)
  {
    ASSERT_GE(idx, 0);
    ASSERT_LT(idx, kProducers);
    EXPECT_GT(value, last[static_cast<size_t>(idx)]);  // FIFO per producer, no duplicates
    EXPECT_LT(value, kPerProducer);
    last[static_cast<size_t>(idx)] = value;
    ++count[static_cast<size_t>(idx)];
  }
  // Under load one producer may find the ring full for its whole run (drops are allowed),
  // but the ring was drained at least once after the last push.
  int total = 0;
  for (int t = 0; t < kProducers; ++t) total += count[static_cast<size_t>(t)];
  EXPECT_GT(total, 0);
  EXPECT_EQ(p.PendingParamChanges(), 0u);
}
