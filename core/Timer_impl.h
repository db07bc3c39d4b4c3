#pragma once
// The Timer on a run-loop timer of the main run loop. Main thread.

#include "core/Timer.h"

#include <CoreFoundation/CoreFoundation.h>

namespace fx {

class Timer_impl final : public Timer
{
public:
  // intervalMs 0 fires once.
  Timer_impl(ITimerFunction func, uint32_t intervalMs);
  ~Timer_impl() override;
  Timer_impl(const Timer_impl&) = delete;
  Timer_impl& operator=(const Timer_impl&) = delete;

  void Stop() override;

  bool IsRunning() const { return mTimer != nullptr; }
  uint32_t GetIntervalMs() const { return mIntervalMs; }

private:
  static void TimerProc(CFRunLoopTimerRef timer, void* info);

  ITimerFunction mFunc;
  uint32_t mIntervalMs;
  CFRunLoopTimerRef mTimer = nullptr;
};

} // namespace fx
