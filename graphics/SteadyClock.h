#pragma once
// The process's monotonic clock in milliseconds (steady clock nanoseconds / 1e6). Any thread.

namespace fx::gfx {

double SteadyClockMs();

} // namespace fx::gfx
