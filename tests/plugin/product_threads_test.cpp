// The limiter plug-in under concurrent use: host automation on one thread, rendering on
// another, idle ticks and editor actions on the main thread.

#include "ProductPlug.h"
#include "ProductTestSupport.h"
#include "tests/plugin/editor/EditorTestSupport.h"

#include "plugin/ORBEX9.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

using namespace producttest;

TEST(ProductThreads, AutomationRenderingAndIdleTogether)
{
  TempHome home;
  auto plug = MakePlug();
  plug->SetHost("Logic Pro", 0x000A0000); // reports latency at once from the automation thread
  Prepare(*plug, 48000.0, 128);
  if (HasFatalFailure()) return;
  editortest::EditorDriver editor(*plug);
  editor.Open();

  std::atomic<bool> stop {false};
  std::atomic<bool> badOutput {false};
  std::thread render([&] {
    std::vector<double> inL(128), inR(128), outL(128), outR(128);
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> dist(-1.5, 1.5);
    while (!stop.load())
    {
      for (int i = 0; i < 128; ++i)
      {
        inL[i] = dist(rng);
        inR[i] = dist(rng);
      }
      double* in[2] = {inL.data(), inR.data()};
      double* out[2] = {outL.data(), outR.data()};
      plug->ProcessBlock(in, out, 128);
      for (int i = 0; i < 128; ++i)
      {
        if (!std::isfinite(outL[i]) || !std::isfinite(outR[i])) badOutput.store(true);
      }
    }
  });
  std::thread automation([&] {
    std::mt19937 rng(2);
    std::uniform_real_distribution<double> norm(0.0, 1.0);
    for (int round = 0; round < 300; ++round)
    {
      const int idx = static_cast<int>(rng() % kNumParams);
      plug->GetParam(idx)->SetNormalized(norm(rng));
      plug->OnParamChange(idx, fx::kHost);
    }
  });

  for (int tick = 0; tick < 200; ++tick)
  {
    plug->OnIdle();
    if (tick % 50 == 0) plug->OnParamChange(kActionAbout, fx::kUI);
    if (tick % 40 == 0)
    {
      plug->GetParam(kMeterMode)->Set(tick % 3);
      plug->OnParamChange(kMeterMode, fx::kUI);
    }
    std::this_thread::yield();
  }
  automation.join();
  stop.store(true);
  render.join();
  plug->OnIdle();

  EXPECT_FALSE(badOutput.load());
  EXPECT_EQ(plug->Engine().GetParams().osMode, plug->GetParam(kOSMode)->Int());
  EXPECT_DOUBLE_EQ(plug->Engine().GetParams().gain, plug->GetParam(kGain)->Value());
  EXPECT_EQ(plug->GetLatency(), plug->Engine().WantedLatency());
  editor.Close();
}
