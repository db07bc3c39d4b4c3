// Layout checks of the audio data types: hosts and components exchange them
// by size and offset.
#include <CoreAudio/CoreAudioTypes.h>

#include <cstddef>

static_assert(sizeof(AudioStreamBasicDescription) == 40);
static_assert(sizeof(SMPTETime) == 24);
static_assert(sizeof(AudioTimeStamp) == 64);
static_assert(offsetof(AudioTimeStamp, mFlags) == 56);
static_assert(sizeof(AudioBuffer) == 16);
static_assert(sizeof(AudioBufferList) == 24);
static_assert(offsetof(AudioBufferList, mBuffers) == 8);
static_assert(AudioBufferListSize(2) == 40);
static_assert(sizeof(AudioChannelDescription) == 20);

