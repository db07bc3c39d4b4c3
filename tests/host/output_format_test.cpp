// The type OUT is written as: WAV up to the most audio its 32-bit sizes
// hold and RF64 from one frame more, AIFF refused from there on with the
// limit named, the 64-bit types never limited.
#include "host/OutputFormat.h"

#include <gtest/gtest.h>
#include <sndfile.h>

using namespace orbexhost;

TEST(OutputFormat, LongAudioSwitchesWavToRf64AndIsRefusedForAiffAtTheLimit) {
  for (const int channels : {1, 2}) {
    SCOPED_TRACE(channels);
    const int64_t most = kMax32BitAudioBytes / (4 * channels);
    EXPECT_EQ(MaxOutputFrames(SF_FORMAT_WAV | SF_FORMAT_FLOAT, channels), most);
    std::string error;
    EXPECT_EQ(OutputFormatFor("o.wav", channels, most, error), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(OutputFormatFor("o", channels, most + 1, error), SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    EXPECT_EQ(OutputFormatFor("o.WAV", channels, int64_t{1} << 40, error), SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    EXPECT_EQ(OutputFormatFor("o.aiff", channels, most, error), SF_FORMAT_AIFF | SF_FORMAT_FLOAT);
    error.clear();
    EXPECT_EQ(OutputFormatFor("o.aif", channels, most + 1, error), 0);
    EXPECT_NE(error.find("at most 4 GiB"), std::string::npos) << error;
    EXPECT_NE(error.find(std::to_string(most + 1) + " frames"), std::string::npos) << error;
    for (const char* name : {"o.caf", "o.w64", "o.flac"}) {
      const int format = OutputFormatFor(name, channels, int64_t{1} << 40, error);
      EXPECT_NE(format, 0) << name;
      EXPECT_EQ(format, OutputFormatForPath(name, error)) << name;
    }
  }
}
