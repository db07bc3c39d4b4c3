#pragma once
// The product plug-in as the class tests drive it directly: made with a view class name, then
// connected stereo in and out and prepared for a sample rate and block size.

#include "plugin/ORBEX9.h"

#include <gtest/gtest.h>

#include <memory>

namespace producttest {

inline std::unique_ptr<ORBEX9> MakePlug()
{
  fx::IAUCreateInfo info;
  info.mCocoaViewName.Set("ORBEX9_View");
  return std::make_unique<ORBEX9>(info);
}

inline void Prepare(ORBEX9& plug, double fs = 48000.0, int block = 256)
{
  plug.SetChannelConnections(fx::kInput, 0, 2, true);
  plug.SetChannelConnections(fx::kOutput, 0, 2, true);
  plug.SetSampleRate(fs);
  ASSERT_TRUE(plug.SetBlockSize(block));
  plug.OnReset();
}

} // namespace producttest
