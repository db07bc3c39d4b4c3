#pragma once
// Status values of the resampler library. Construction never throws: an object
// that could not be built reports why through its GetStatus(), and processing
// on such an object produces nothing.

namespace rsmp {

enum class EStatus : int
{
  kOK = 0,
  kInvalidRate,     // a sample rate <= 0, NaN or infinite
  kInvalidLength,   // a maximum input length <= 0, or sizes that overflow
  kInvalidArgument, // band, attenuation, gain or factor outside what a design can use
  kOutOfMemory,     // an allocation failed while the object was built
  kUnsupported      // the rate pair needs a stage that is not available
};

// Returned by ProcessSamples when a call is refused (negative length, null input
// with samples to read, more samples than the object was built for, or an
// object whose construction failed). Nothing is read or written then.
inline constexpr int kProcessRefused = -1;

const char* StatusText(EStatus s) noexcept;

} // namespace rsmp
