// Audio data types shared by the audio frameworks: stream formats, time
// stamps, buffer lists and channel-layout tags. Plain data; any thread.
#pragma once

#include <CoreFoundation/CFBase.h>

// Stream formats.
struct AudioStreamBasicDescription {
  Float64 mSampleRate;
  UInt32 mFormatID;
  UInt32 mFormatFlags;
  UInt32 mBytesPerPacket;
  UInt32 mFramesPerPacket;
  UInt32 mBytesPerFrame;
  UInt32 mChannelsPerFrame;
  UInt32 mBitsPerChannel;
  UInt32 mReserved;
};

enum : UInt32 {
  kAudioFormatLinearPCM = 0x6C70636D  // 'lpcm'
};

enum : UInt32 {
  kAudioFormatFlagIsFloat = 1u << 0,
  kAudioFormatFlagIsBigEndian = 1u << 1,
  kAudioFormatFlagIsSignedInteger = 1u << 2,
  kAudioFormatFlagIsPacked = 1u << 3,
  kAudioFormatFlagIsAlignedHigh = 1u << 4,
  kAudioFormatFlagIsNonInterleaved = 1u << 5,
  kAudioFormatFlagIsNonMixable = 1u << 6,
  kAudioFormatFlagsAreAllClear = 0x80000000u,
  kLinearPCMFormatFlagIsFloat = kAudioFormatFlagIsFloat,
  kLinearPCMFormatFlagIsPacked = kAudioFormatFlagIsPacked,
  kLinearPCMFormatFlagIsNonInterleaved = kAudioFormatFlagIsNonInterleaved,
  kAudioFormatFlagsNativeEndian = 0,
  kAudioFormatFlagsNativeFloatPacked = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked
};

// Format flags of linear PCM with the given sample layout: float or signed integer, the byte
// order, packed when every bit of a sample is used (else aligned high), non-interleaved.
constexpr UInt32 CalculateLPCMFlags(UInt32 inValidBitsPerChannel, UInt32 inTotalBitsPerChannel, bool inIsFloat,
                                    bool inIsBigEndian, bool inIsNonInterleaved = false) {
  return (inIsFloat ? kAudioFormatFlagIsFloat : kAudioFormatFlagIsSignedInteger) |
         (inIsBigEndian ? kAudioFormatFlagIsBigEndian : 0u) |
         (inValidBitsPerChannel == inTotalBitsPerChannel ? kAudioFormatFlagIsPacked : kAudioFormatFlagIsAlignedHigh) |
         (inIsNonInterleaved ? kAudioFormatFlagIsNonInterleaved : 0u);
}

// Fills a linear PCM stream format: one frame per packet; a frame holds one sample of every
// channel when interleaved, one sample of one channel's buffer when not.
inline void FillOutASBDForLPCM(AudioStreamBasicDescription& outASBD, Float64 inSampleRate, UInt32 inChannelsPerFrame,
                               UInt32 inValidBitsPerChannel, UInt32 inTotalBitsPerChannel, bool inIsFloat,
                               bool inIsBigEndian, bool inIsNonInterleaved = false) {
  outASBD.mSampleRate = inSampleRate;
  outASBD.mFormatID = kAudioFormatLinearPCM;
  outASBD.mFormatFlags =
    CalculateLPCMFlags(inValidBitsPerChannel, inTotalBitsPerChannel, inIsFloat, inIsBigEndian, inIsNonInterleaved);
  outASBD.mBytesPerPacket = (inIsNonInterleaved ? 1u : inChannelsPerFrame) * (inTotalBitsPerChannel / 8u);
  outASBD.mFramesPerPacket = 1;
  outASBD.mBytesPerFrame = outASBD.mBytesPerPacket;
  outASBD.mChannelsPerFrame = inChannelsPerFrame;
  outASBD.mBitsPerChannel = inValidBitsPerChannel;
  outASBD.mReserved = 0;
}

// Time stamps.
struct SMPTETime {
  SInt16 mSubframes;
  SInt16 mSubframeDivisor;
  UInt32 mCounter;
  UInt32 mType;
  UInt32 mFlags;
  SInt16 mHours;
  SInt16 mMinutes;
  SInt16 mSeconds;
  SInt16 mFrames;
};

struct AudioTimeStamp {
  Float64 mSampleTime;
  UInt64 mHostTime;
  Float64 mRateScalar;
  UInt64 mWordClockTime;
  SMPTETime mSMPTETime;
  UInt32 mFlags;
  UInt32 mReserved;
};

enum : UInt32 {
  kAudioTimeStampNothingValid = 0,
  kAudioTimeStampSampleTimeValid = 1u << 0,
  kAudioTimeStampHostTimeValid = 1u << 1,
  kAudioTimeStampRateScalarValid = 1u << 2,
  kAudioTimeStampWordClockTimeValid = 1u << 3,
  kAudioTimeStampSMPTETimeValid = 1u << 4,
  kAudioTimeStampSampleHostTimeValid = kAudioTimeStampSampleTimeValid | kAudioTimeStampHostTimeValid
};

// Buffers. An AudioBufferList is allocated with room for mNumberBuffers
// entries; the declared single entry is only the first.
struct AudioBuffer {
  UInt32 mNumberChannels;
  UInt32 mDataByteSize;
  void* mData;
};

struct AudioBufferList {
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[1];
};

// Bytes needed for a buffer list of n buffers (n >= 1).
constexpr size_t AudioBufferListSize(UInt32 n) {
  return sizeof(AudioBufferList) + (n > 1 ? (n - 1) : 0) * sizeof(AudioBuffer);
}

// Channel layouts: a tag's low 16 bits hold its channel count.
typedef UInt32 AudioChannelLayoutTag;
enum : UInt32 {
  kAudioChannelLayoutTag_UseChannelDescriptions = (0u << 16) | 0,
  kAudioChannelLayoutTag_UseChannelBitmap = (1u << 16) | 0,
  kAudioChannelLayoutTag_Mono = (100u << 16) | 1,
  kAudioChannelLayoutTag_Stereo = (101u << 16) | 2,
  kAudioChannelLayoutTag_Ambisonic_B_Format = (107u << 16) | 4,
  kAudioChannelLayoutTag_Quadraphonic = (108u << 16) | 4,
  kAudioChannelLayoutTag_MPEG_3_0_A = (113u << 16) | 3,
  kAudioChannelLayoutTag_MPEG_5_1_A = (121u << 16) | 6,
  kAudioChannelLayoutTag_MPEG_6_1_A = (125u << 16) | 7,
  kAudioChannelLayoutTag_AudioUnit_6_0 = (139u << 16) | 6,
  kAudioChannelLayoutTag_AudioUnit_7_0 = (140u << 16) | 7,
  kAudioChannelLayoutTag_DiscreteInOrder = (147u << 16) | 0,
  kAudioChannelLayoutTag_HOA_ACN_SN3D = (190u << 16) | 0,
  kAudioChannelLayoutTag_Unknown = 0xFFFF0000u
};

inline UInt32 AudioChannelLayoutTag_GetNumberOfChannels(AudioChannelLayoutTag tag) { return tag & 0x0000FFFFu; }

typedef UInt32 AudioChannelLabel;

struct AudioChannelDescription {
  AudioChannelLabel mChannelLabel;
  UInt32 mChannelFlags;
  Float32 mCoordinates[3];
};

struct AudioChannelLayout {
  AudioChannelLayoutTag mChannelLayoutTag;
  UInt32 mChannelBitmap;
  UInt32 mNumberChannelDescriptions;
  AudioChannelDescription mChannelDescriptions[1];
};
