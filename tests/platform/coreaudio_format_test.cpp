// Linear PCM stream formats built by the CoreAudio layer's helper.
#include <CoreAudio/CoreAudioTypes.h>

#include <gtest/gtest.h>

TEST(CoreAudioFormat, FloatNonInterleavedAndInterleavedIntegerLayouts)
{
  AudioStreamBasicDescription f;
  f.mReserved = 7;
  FillOutASBDForLPCM(f, 48000.0, 2, 32, 32, true, false, true);
  EXPECT_EQ(f.mSampleRate, 48000.0);
  EXPECT_EQ(f.mFormatID, kAudioFormatLinearPCM);
  EXPECT_EQ(f.mFormatFlags, kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved);
  // Non-interleaved: each buffer holds one channel, so a frame is one sample.
  EXPECT_EQ(f.mBytesPerPacket, 4u);
  EXPECT_EQ(f.mBytesPerFrame, 4u);
  EXPECT_EQ(f.mFramesPerPacket, 1u);
  EXPECT_EQ(f.mChannelsPerFrame, 2u);
  EXPECT_EQ(f.mBitsPerChannel, 32u);
  EXPECT_EQ(f.mReserved, 0u);

  // Interleaved 24-bit samples in 32-bit words, big-endian: aligned high, not packed.
  FillOutASBDForLPCM(f, 44100.0, 2, 24, 32, false, true);
  EXPECT_EQ(f.mFormatFlags,
            kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsBigEndian | kAudioFormatFlagIsAlignedHigh);
  EXPECT_EQ(f.mBytesPerPacket, 8u);
  EXPECT_EQ(f.mBytesPerFrame, 8u);
  EXPECT_EQ(f.mBitsPerChannel, 24u);
}
