#include "resampler/RsmpStatus.h"

namespace rsmp {

const char* StatusText(EStatus s) noexcept
{
  switch(s)
  {
  case EStatus::kOK: return "ok";
  case EStatus::kInvalidRate: return "sample rate must be a positive finite number";
  case EStatus::kInvalidLength: return "maximum input length must be positive and the buffers must fit in memory";
  case EStatus::kInvalidArgument: return "transition band, attenuation, gain or factor outside the usable range";
  case EStatus::kOutOfMemory: return "out of memory while building the converter";
  case EStatus::kUnsupported: return "this rate pair needs a stage that is not available";
  }
  return "unknown status";
}

} // namespace rsmp
