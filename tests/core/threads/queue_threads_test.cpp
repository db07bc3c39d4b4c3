#include "core/IFxQueue.h"
#include "core/ParamTuple.h"
#include "core/SysExData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace fx;

// One producer, one consumer: every entry that was accepted arrives once, in order, intact.
TEST(QueueThreads, SingleProducerSingleConsumer)
{
  constexpr int kCount = 200000;
  IFxQueue<SysExData> q(5);
  std::atomic<bool> done{false};
  std::vector<int> accepted;
  accepted.reserve(kCount);

  std::thread producer([&] {
    SysExData d;
    for (int i = 0; i < kCount; ++i)
    {
      uint8_t bytes[8];
      for (int b = 0; b < 8; ++b) bytes[b] = static_cast<uint8_t>(i + b);
      d.Set(i, 8, bytes);
      if (q.Push(d)) accepted.push_back(i);
    }
    done.store(true, std::memory_order_release);
  });

  std::vector<int> received;
  received.reserve(kCount);
  SysExData d;
  for (;;)
  {
    const bool finished = done.load(std::memory_order_acquire);
    while (q.Pop(d))
    {
      ASSERT_EQ(d.mSize, 8);
      for (int b = 0; b < 8; ++b) ASSERT_EQ(d.mData[b], static_cast<uint8_t>(d.mOffset + b));
      received.push_back(d.mOffset);
    }
    if (finished) break;
  }
  producer.join();
  while (q.Pop(d)) received.push_back(d.mOffset);
  EXPECT_EQ(received, accepted);
  EXPECT_GT(received.size(), 0u);
}

// Several producers (automation and render threads), one consumer: nothing accepted is lost or
// duplicated, each producer's entries stay in their order, and no entry is torn.
TEST(QueueThreads, MultipleProducersSingleConsumer)
{
  constexpr int kProducers = 4;
  constexpr int kPerProducer = 50000;
  IFxMPQueue<ParamTuple> q(513);
  std::atomic<int> running{kProducers};
  std::vector<std::vector<int>> accepted(kProducers);

  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p)
  {
    producers.emplace_back([&, p] {
      accepted[p].reserve(kPerProducer);
      for (int i = 0; i < kPerProducer; ++i)
      {
        // The value encodes the index so a torn entry is detected.
        if (q.Push(ParamTuple(p, p * 1e6 + i))) accepted[p].push_back(i);
      }
      running.fetch_sub(1, std::memory_order_release);
    });
  }

  std::vector<std::vector<int>> received(kProducers);
  ParamTuple t;
  bool ok = true;
  auto take = [&] {
    while (q.Pop(t))
    {
      if (t.paramIdx < 0 || t.paramIdx >= kProducers) { ok = false; continue; }
      const double i = t.value - t.paramIdx * 1e6;
      if (i < 0 || i >= kPerProducer) { ok = false; continue; }
      received[t.paramIdx].push_back(static_cast<int>(i));
    }
  };
  while (running.load(std::memory_order_acquire) > 0) take();
  for (auto& th : producers) th.join();
  take();

  EXPECT_TRUE(ok);
  EXPECT_EQ(q.ElementsAvailable(), 0u);
  size_t total = 0;
  for (int p = 0; p < kProducers; ++p)
  {
    EXPECT_EQ(received[p], accepted[p]) << "producer " << p;
    total += received[p].size();
  }
  EXPECT_GT(total, 0u);
}
