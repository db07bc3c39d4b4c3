#include "core/HostCode.h"

#include <gtest/gtest.h>

#include <string>

using namespace fx;

TEST(HostCode, KnownHostsAndCase)
{
  EXPECT_EQ(LookUpHost("REAPER"), kHostReaper);
  EXPECT_EQ(LookUpHost("Logic Pro X"), kHostLogic);
  EXPECT_EQ(LookUpHost("LOGIC"), kHostLogic);
  EXPECT_EQ(LookUpHost("logic"), kHostLogic);
  EXPECT_EQ(LookUpHost("com.apple.logic10"), kHostLogic);
  EXPECT_EQ(LookUpHost("ProTools"), kHostProTools);
  EXPECT_EQ(LookUpHost("GarageBand"), kHostGarageBand);
  EXPECT_EQ(LookUpHost("Standalone"), kHostStandalone);
  EXPECT_EQ(LookUpHost(kStageMixBundleID), kHostStageMix);
  EXPECT_EQ(LookUpHost("COM.VELMORA.STAGEMIX"), kHostStageMix);
}

TEST(HostCode, EarlierAndLongerKeysWin)
{
  EXPECT_EQ(LookUpHost("Ableton Live 11"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("VST Live Pro"), kHostVSTLive);
  EXPECT_EQ(LookUpHost("WaveLab Elements 11"), kHostWaveLabElements);
  EXPECT_EQ(LookUpHost("WaveLab Pro"), kHostWaveLab);
  EXPECT_EQ(LookUpHost("Element"), kHostElement);
  EXPECT_EQ(LookUpHost("kv_elementfx"), kHostElement);
  EXPECT_EQ(LookUpHost("Blue Cat's VST Host"), kHostBlueCat);
  EXPECT_EQ(LookUpHost("Blue Cat's VST3 Host"), kHostBlueCat3);
  EXPECT_EQ(LookUpHost("reaper logic"), kHostReaper);
  EXPECT_EQ(LookUpHost("logic reaper"), kHostReaper);
  // Keys are searched in table order, not by position in the name.
  EXPECT_EQ(LookUpHost("standalone reaper"), kHostReaper);
  // "iZotope VST3 Host" contains no earlier key; "vsthost" needs no blank.
  EXPECT_EQ(LookUpHost("iZotope VST3 Host"), kHostIZotopeVST3Host);
  EXPECT_EQ(LookUpHost("VSTHost"), kHostVSTHost);
}

TEST(HostCode, UnknownNullWebAndLongNames)
{
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
  EXPECT_EQ(LookUpHost(""), kHostUnknown);
  EXPECT_EQ(LookUpHost("Some Editor"), kHostUnknown);
  EXPECT_EQ(LookUpHost("www.example.org"), kHostWWW);
  EXPECT_EQ(LookUpHost("www reaper"), kHostReaper);  // a key beats the web fallback

  // Only the first 255 characters count; a key beyond them is not seen, and a long name
  // never writes past the copy.
  std::string longName(255, 'x');
  EXPECT_EQ(LookUpHost((longName + "reaper").c_str()), kHostUnknown);
  EXPECT_EQ(LookUpHost((std::string(249, 'x') + "reaper").c_str()), kHostReaper);
  EXPECT_EQ(LookUpHost((std::string(250, 'x') + "reaper").c_str()), kHostUnknown);
  EXPECT_EQ(LookUpHost(std::string(100000, 'a').c_str()), kHostUnknown);
}
