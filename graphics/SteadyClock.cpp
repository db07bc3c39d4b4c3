#include "graphics/SteadyClock.h"

#include <chrono>

namespace fx::gfx {

double SteadyClockMs()
{
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
    std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<double>(ns.count()) / 1e6;
}

} // namespace fx::gfx
