// The engine under concurrent use: parameter changes and rebuilds from other
// threads while blocks run, meters read without a lock. Run under
// ThreadSanitizer (label threads) this also checks that nothing the audio
// thread reads is written unsynchronised.

#include "tests/plugin/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace enginetest;

TEST(LimiterEngineThreads, ParametersRebuildsAndMeterReadsWhileProcessing)
{
  LimiterEngine e;
  std::atomic<int> reported {0};
  e.SetLatencyHooks({}, [&](int) { reported.fetch_add(1, std::memory_order_relaxed); });
  e.SetHostCode(2);
  e.SetOSMode(1);
  ASSERT_EQ(e.Prepare(48000, 256), LimiterEngine::EStatus::kOK);

  std::atomic<bool> stop {false};
  std::atomic<bool> bad {false};
  const std::vector<double> noise = HotNoise(5, 48000, 3.0);

  std::thread audio([&] {
    std::vector<double> l(256), r(256);
    size_t pos = 0;
    for (int block = 0; block < 400; ++block)
    {
      for (int i = 0; i < 256; ++i)
      {
        l[i] = noise[(pos + i) % noise.size()];
        r[i] = -l[i] * 0.7;
      }
      pos += 256;
      double* io[2] = {l.data(), r.data()};
      e.ProcessBlock(io, io, 256, 2, 2);
      for (int i = 0; i < 256; ++i)
        if (!std::isfinite(l[i]) || !std::isfinite(r[i]) || std::fabs(l[i]) > 1.0 || std::fabs(r[i]) > 1.0)
          bad.store(true);
    }
    stop.store(true);
  });

  std::thread params([&] {
    std::mt19937 rng(3);
    int k = 0;
    while (!stop.load())
    {
      switch (k++ % 12)
      {
        case 0: e.SetGain((rng() % 2400) / 100.0); break;
        case 1: e.SetCeiling(-(rng() % 2400) / 100.0); break;
        case 2: e.SetDrive((rng() % 600) / 100.0); break;
        case 3: e.SetChannelLink(rng() % 101); break;
        case 4: e.SetAttack((rng() % 500) / 100.0); break;
        case 5: e.SetRelease((rng() % 50000) / 100.0); break;
        case 6: e.SetAutoRelease(static_cast<int>(rng() % 2)); break;
        case 7: e.SetLimitMode(static_cast<int>(rng() % 2)); break;
        case 8: e.SetSaturationMode(static_cast<int>(rng() % 2)); break;
        case 9: e.SetCeilingMode(static_cast<int>(rng() % 2)); break;
        case 10: if (rng() % 8 == 0) e.SetOSMode(static_cast<int>(rng() % 3)); break;
        default: if (rng() % 8 == 0) e.SetLookAhead(static_cast<int>(rng() % 2)); break;
      }
      e.UpdateWantedLatency();
    }
  });

  std::thread host([&] {
    int k = 0;
    while (!stop.load())
    {
      // Resets with the same format clear; a new format rebuilds.
      e.OnReset(k % 4 == 3 ? 44100.0 : 48000.0, 256);
      ++k;
      std::this_thread::yield();
    }
  });

  std::thread ui([&] {
    while (!stop.load())
    {
      const double g = e.GetMeterValue();
      if (!(g >= 0.0 && g <= 1.0))
        bad.store(true);
      for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
        if (!std::isfinite(e.MeterValue(m)))
          bad.store(true);
      e.ConsumeRefresh();
      if (e.ComputeLatency() < 1 || e.WantedLatency() < 1)
        bad.store(true);
    }
  });

  audio.join();
  params.join();
  host.join();
  ui.join();
  EXPECT_FALSE(bad.load());
  EXPECT_TRUE(e.IsConfigured());
}
