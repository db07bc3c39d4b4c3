#include "core/Timer_impl.h"

#include <utility>

namespace fx {

std::unique_ptr<Timer> Timer::Create(ITimerFunction func, uint32_t intervalMs)
{
  if (!func) return nullptr;
  auto timer = std::make_unique<Timer_impl>(std::move(func), intervalMs);
  if (!timer->IsRunning()) return nullptr;
  return timer;
}

Timer_impl::Timer_impl(ITimerFunction func, uint32_t intervalMs)
  : mFunc(std::move(func)), mIntervalMs(intervalMs)
{
  CFRunLoopTimerContext context = {0, this, nullptr, nullptr, nullptr};
  mTimer = CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent(), intervalMs / 1000.0, 0, 0,
                                TimerProc, &context);
  if (mTimer) CFRunLoopAddTimer(CFRunLoopGetMain(), mTimer, kCFRunLoopCommonModes);
}

Timer_impl::~Timer_impl()
{
  if (mTimer) Stop();
}

void Timer_impl::Stop()
{
  if (!mTimer) return;
  CFRunLoopTimerInvalidate(mTimer);
  CFRelease(mTimer);
  mTimer = nullptr;
}

void Timer_impl::TimerProc(CFRunLoopTimerRef, void* info)
{
  auto* self = static_cast<Timer_impl*>(info);
  if (self && self->mFunc) self->mFunc(*self);
}

} // namespace fx
