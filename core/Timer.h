#pragma once
// Repeating main-thread timer on the main run loop (common modes, so it also fires during modal
// loops and mouse tracking). Create, Stop and destruction on the main thread; the callback runs
// on the main thread each time the run loop fires the timer.

#include <cstdint>
#include <functional>
#include <memory>

namespace fx {

class Timer;
using ITimerFunction = std::function<void(Timer& timer)>;

class Timer
{
public:
  virtual ~Timer() = default;
  // Stops the timer; further calls do nothing.
  virtual void Stop() = 0;

  // First firing at the current time, then every intervalMs milliseconds. Null when the callback
  // is empty or the run-loop timer cannot be made.
  static std::unique_ptr<Timer> Create(ITimerFunction func, uint32_t intervalMs);

protected:
  Timer() = default;
};

} // namespace fx
