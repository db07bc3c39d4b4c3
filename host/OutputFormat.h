#pragma once
// The type of file OUT is written as: chosen by its name's extension and,
// for WAV, by how much audio it will hold. Any thread.

#include <cstdint>
#include <string>

namespace orbexhost {

// The libsndfile format for an output path, chosen by its extension: .wav or
// no extension 32-bit float WAV, .aif/.aiff/.aifc float AIFF, .caf float CAF,
// .w64 float Wave64, .flac 24-bit FLAC. 0 with a message for any other.
int OutputFormatForPath(const std::string& path, std::string& error);

// The most frames of channels a format holds: WAV and AIFF give their sizes
// in 32 bits, which holds 4 GiB less room for the header (kMax32BitAudioBytes
// of audio); the others have no limit that audio reaches (INT64_MAX).
constexpr int64_t kMax32BitAudioBytes = (int64_t{1} << 32) - 4096;
int64_t MaxOutputFrames(int format, int channels);

// Whether a file of format can give its sample rate as rate Hz. A FLAC frame
// gives it in 16 bits, counted in hertz or in tens of hertz, so FLAC holds 1
// to 65,535 Hz and, above that, multiples of 10 Hz up to 655,350 Hz (its
// writer finds out only when the first audio is encoded). The other types
// hold every rate the host reads.
bool FormatHoldsRate(int format, int rate);

// The format frames of channels at rate Hz are written in at path: the one
// its extension names, except that a WAV they would not fit in is RF64 (the
// WAV of 64-bit sizes). 0 with a message naming the limit when the type
// cannot hold them (AIFF past 4 GiB, FLAC at a rate it cannot give).
int OutputFormatFor(const std::string& path, int channels, int64_t frames, int rate, std::string& error);

}  // namespace orbexhost
