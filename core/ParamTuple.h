#pragma once
// A parameter change queued from the host / audio side to the editor: index and value in the
// parameter's own range (not normalised).

#include <cmath>
#include <cstdint>

namespace fx {

struct ParamTuple
{
  int32_t paramIdx = 0;
  double value = 0.0;

  ParamTuple() = default;
  ParamTuple(int32_t idx, double v) : paramIdx(idx), value(v) {}

  // True when the index addresses one of nParams parameters and the value is a number.
  bool IsValid(int nParams) const { return paramIdx >= 0 && paramIdx < nParams && !std::isnan(value); }
};

} // namespace fx
