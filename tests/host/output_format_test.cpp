// The type OUT is written as: WAV up to the most audio its 32-bit sizes
// hold and RF64 from one frame more, AIFF refused from there on with the
// limit named, the 64-bit types never limited; FLAC refused at the rates its
// writer cannot encode.
#include "host/OutputFormat.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdio>
#include <string>

using namespace orbexhost;

namespace {

// Whether libsndfile's FLAC writer, as installed, encodes audio at rate Hz.
bool FlacWriterTakes(int rate) {
  const std::string path = testing::TempDir() + "/orbex9-flac-rate.flac";
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  SNDFILE* snd = sf_open(path.c_str(), SFM_WRITE, &info);
  if (snd == nullptr) return false;
  const float frames[16] = {0.5f};
  const bool wrote = sf_writef_float(snd, frames, 16) == 16;
  const bool closed = sf_close(snd) == 0;
  std::remove(path.c_str());
  return wrote && closed;
}

}  // namespace

TEST(OutputFormat, LongAudioSwitchesWavToRf64AndIsRefusedForAiffAtTheLimit) {
  for (const int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    const int64_t most = kMax32BitAudioBytes / (4 * channels);
    EXPECT_EQ(MaxOutputFrames(SF_FORMAT_WAV | SF_FORMAT_FLOAT, channels), most);
    std::string error;
    EXPECT_EQ(OutputFormatFor("o.wav", channels, most, 48000, error), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(OutputFormatFor("o", channels, most + 1, 48000, error), SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    EXPECT_EQ(OutputFormatFor("o.WAV", channels, int64_t{1} << 40, 48000, error), SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    EXPECT_EQ(OutputFormatFor("o.aiff", channels, most, 48000, error), SF_FORMAT_AIFF | SF_FORMAT_FLOAT);
    error.clear();
    EXPECT_EQ(OutputFormatFor("o.aif", channels, most + 1, 48000, error), 0);
    EXPECT_NE(error.find("at most 4 GiB"), std::string::npos) << error;
    EXPECT_NE(error.find(std::to_string(most + 1) + " frames"), std::string::npos) << error;
    for (const char* name : {"o.caf", "o.w64", "o.flac"}) {
      const int format = OutputFormatFor(name, channels, int64_t{1} << 40, 48000, error);
      EXPECT_NE(format, 0) << name;
      EXPECT_EQ(format, OutputFormatForPath(name, error)) << name;
    }
  }
}

TEST(OutputFormat, FlacIsRefusedAtTheRatesItsWriterCannotEncode) {
  for (const int rate : {1, 1000, 44100, 65535, 65536, 65537, 65539, 65540, 65541, 96000, 100001, 100005, 192000,
                         384000, 655340, 655349, 655350, 655351, 655360, 700000, 768000}) {
    SCOPED_TRACE(rate);
    const bool holds = FormatHoldsRate(SF_FORMAT_FLAC | SF_FORMAT_PCM_24, rate);
    EXPECT_EQ(holds, FlacWriterTakes(rate));
    std::string error;
    EXPECT_EQ(OutputFormatFor("o.flac", 2, 1000, rate, error) != 0, holds);
    const std::string why = "multiples of 10 Hz up to 655350 Hz, and this audio is at " + std::to_string(rate) + " Hz";
    EXPECT_EQ(error.find(why) != std::string::npos, !holds) << error;
    for (const char* name : {"o.wav", "o.aiff", "o.caf", "o.w64"})
      EXPECT_NE(OutputFormatFor(name, 2, 1000, rate, error), 0) << name;
  }
}
