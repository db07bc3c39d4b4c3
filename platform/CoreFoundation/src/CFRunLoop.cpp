// Run loops and timers. One mutex guards every run loop's timer list; timer
// callbacks run without it, so they may add, remove or invalidate timers.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <CoreFoundation/CFManualClock.h>
#include <CoreFoundation/CFRunLoop.h>

#include <CoreFoundation/CFObject.h>
#include "CFStringImpl.h"

struct OpaqueCFRunLoopTimer final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeRunLoopTimer;
  OpaqueCFRunLoopTimer() : cfx::Object(kType, false) {}
  ~OpaqueCFRunLoopTimer() override { ReleaseInfo(); }
  void ReleaseInfo() {
    if (!infoReleased && context.release != nullptr) context.release(context.info);
    infoReleased = true;
  }

  // Guarded by the run-loop mutex.
  CFAbsoluteTime fireDate = 0.0;
  CFTimeInterval interval = 0.0;
  CFIndex order = 0;
  unsigned long long sequence = 0;
  bool valid = true;
  bool infoReleased = false;
  CFRunLoopTimerCallBack callout = nullptr;
  CFRunLoopTimerContext context{};
};

struct OpaqueCFRunLoop final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeRunLoop;
  OpaqueCFRunLoop() : cfx::Object(kType, true) {}

  struct Entry {
    OpaqueCFRunLoopTimer* timer;  // retained while in the list
    std::vector<std::string> modes;
  };
  // Guarded by the run-loop mutex.
  std::vector<Entry> timers;
  bool stopRequested = false;
  std::string currentMode;
  std::condition_variable wake;
};

namespace {

const std::string kCommon = "kCFRunLoopCommonModes";
const std::string kDefault = "kCFRunLoopDefaultMode";

std::mutex g_mutex;
unsigned long long g_sequence = 0;
const std::thread::id g_mainThread = std::this_thread::get_id();  // the thread that loads the layer

OpaqueCFRunLoop* LoopOf(std::thread::id id) {
  static auto* loops = new std::map<std::thread::id, OpaqueCFRunLoop*>();  // run loops live forever
  std::lock_guard<std::mutex> lock(g_mutex);
  auto& loop = (*loops)[id];
  if (loop == nullptr) loop = new OpaqueCFRunLoop();
  return loop;
}

OpaqueCFRunLoop* Loop(CFRunLoopRef rl) { return cfx::AsMutable<OpaqueCFRunLoop>(rl); }
OpaqueCFRunLoopTimer* Timer(CFRunLoopTimerRef t) { return cfx::AsMutable<OpaqueCFRunLoopTimer>(t); }

std::string ModeName(CFStringRef mode) {
  return mode != nullptr ? cfx::StringText(mode) : kDefault;
}

bool EntryRunsIn(const OpaqueCFRunLoop::Entry& e, const std::string& mode) {
  for (const auto& m : e.modes)
    if (m == mode || m == kCommon) return true;
  return false;
}

// Removes the timer from a loop's list; returns whether it was there. Caller
// holds the mutex and releases the returned reference after unlocking.
bool Detach(OpaqueCFRunLoop* loop, OpaqueCFRunLoopTimer* timer) {
  auto it = std::find_if(loop->timers.begin(), loop->timers.end(), [&](const auto& e) { return e.timer == timer; });
  if (it == loop->timers.end()) return false;
  loop->timers.erase(it);
  return true;
}

std::vector<OpaqueCFRunLoop*>& AllLoops() {
  static auto* loops = new std::vector<OpaqueCFRunLoop*>();
  return *loops;
}

// The earliest valid timer of the loop in mode (caller holds the mutex).
OpaqueCFRunLoopTimer* Earliest(OpaqueCFRunLoop* loop, const std::string& mode) {
  OpaqueCFRunLoopTimer* best = nullptr;
  for (const auto& e : loop->timers) {
    if (!e.timer->valid || !EntryRunsIn(e, mode)) continue;
    if (best == nullptr || e.timer->fireDate < best->fireDate ||
        (e.timer->fireDate == best->fireDate &&
         (e.timer->order < best->order || (e.timer->order == best->order && e.timer->sequence < best->sequence))))
      best = e.timer;
  }
  return best;
}

// Fires one due timer: reschedules a repeating timer past now (skipping
// missed firings) or invalidates a one-shot timer, then calls it unlocked.
void Fire(std::unique_lock<std::mutex>& lock, OpaqueCFRunLoopTimer* timer, CFAbsoluteTime now) {
  timer->Retain();
  if (timer->interval > 0.0) {
    const double missed = std::floor((now - timer->fireDate) / timer->interval);
    timer->fireDate += (std::max(missed, 0.0) + 1.0) * timer->interval;
    if (timer->fireDate <= now) timer->fireDate = now + timer->interval;
  }
  const CFRunLoopTimerCallBack callout = timer->callout;
  void* info = timer->context.info;
  const bool oneShot = !(timer->interval > 0.0);
  lock.unlock();
  if (callout != nullptr) callout(timer, info);
  if (oneShot) CFRunLoopTimerInvalidate(timer);
  timer->Release();
  lock.lock();
}

void SetManualClock(CFAbsoluteTime t) {
  const CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
  if (t > now) cfx::AdvanceManualClock(t - now);
}

// Runs loop in mode until the deadline; counts firings into fired.
CFRunLoopRunResult Run(OpaqueCFRunLoop* loop, const std::string& mode, CFTimeInterval seconds, bool returnAfterFiring,
                       int* fired) {
  std::unique_lock<std::mutex> lock(g_mutex);
  const std::string previousMode = loop->currentMode;
  loop->currentMode = mode;
  const CFAbsoluteTime deadline = CFAbsoluteTimeGetCurrent() + (seconds > 0.0 ? seconds : 0.0);  // NaN: no wait
  CFRunLoopRunResult result = kCFRunLoopRunTimedOut;
  for (;;) {
    if (loop->stopRequested) {
      loop->stopRequested = false;
      result = kCFRunLoopRunStopped;
      break;
    }
    OpaqueCFRunLoopTimer* next = Earliest(loop, mode);
    if (next == nullptr) {
      result = kCFRunLoopRunFinished;
      break;
    }
    const CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
    if (next->fireDate <= now) {
      Fire(lock, next, now);
      if (fired != nullptr) ++*fired;
      if (returnAfterFiring) {
        result = kCFRunLoopRunHandledSource;
        break;
      }
      continue;
    }
    if (now >= deadline) break;
    const CFAbsoluteTime until = std::min(next->fireDate, deadline);
    if (cfx::IsManualClock()) {
      SetManualClock(until);
    } else {
      loop->wake.wait_for(lock, std::chrono::duration<double>(until - now));
    }
  }
  loop->currentMode = previousMode;
  return result;
}

}  // namespace

namespace cfx {

int PumpMainRunLoop() {
  OpaqueCFRunLoop* loop = LoopOf(g_mainThread);
  std::unique_lock<std::mutex> lock(g_mutex);
  const CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
  // Each timer due now fires once, in fire-date order.
  std::vector<OpaqueCFRunLoopTimer*> due;
  for (const auto& e : loop->timers)
    if (e.timer->valid && EntryRunsIn(e, kDefault) && e.timer->fireDate <= now) {
      e.timer->Retain();
      due.push_back(e.timer);
    }
  std::stable_sort(due.begin(), due.end(), [](const auto* a, const auto* b) {
    if (a->fireDate != b->fireDate) return a->fireDate < b->fireDate;
    return a->order != b->order ? a->order < b->order : a->sequence < b->sequence;
  });
  int fired = 0;
  for (OpaqueCFRunLoopTimer* t : due) {
    const bool stillDue = t->valid && t->fireDate <= now &&
                          std::any_of(loop->timers.begin(), loop->timers.end(), [&](const auto& e) { return e.timer == t; });
    if (stillDue) {
      Fire(lock, t, now);
      ++fired;
    }
    lock.unlock();
    t->Release();
    lock.lock();
  }
  return fired;
}

int RunMainRunLoopFor(CFTimeInterval seconds) {
  if (!IsManualClock()) return 0;
  int fired = 0;
  Run(LoopOf(g_mainThread), kDefault, seconds, false, &fired);
  return fired;
}

}  // namespace cfx

extern "C" {

const CFRunLoopMode kCFRunLoopDefaultMode = CFSTR("kCFRunLoopDefaultMode");
const CFRunLoopMode kCFRunLoopCommonModes = CFSTR("kCFRunLoopCommonModes");

CFTypeID CFRunLoopGetTypeID(void) { return cfx::kTypeRunLoop; }
CFTypeID CFRunLoopTimerGetTypeID(void) { return cfx::kTypeRunLoopTimer; }

CFRunLoopRef CFRunLoopGetCurrent(void) { return LoopOf(std::this_thread::get_id()); }
CFRunLoopRef CFRunLoopGetMain(void) { return LoopOf(g_mainThread); }

CFRunLoopMode CFRunLoopCopyCurrentMode(CFRunLoopRef rl) {
  OpaqueCFRunLoop* loop = Loop(rl);
  if (loop == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  return loop->currentMode.empty() ? nullptr : cfx::NewString(loop->currentMode);
}

CFRunLoopRunResult CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled) {
  std::string name = ModeName(mode);
  if (name == kCommon) name = kDefault;  // the common set is not a mode to run in
  return Run(LoopOf(std::this_thread::get_id()), name, seconds, returnAfterSourceHandled, nullptr);
}

void CFRunLoopStop(CFRunLoopRef rl) {
  OpaqueCFRunLoop* loop = Loop(rl);
  if (loop == nullptr) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  loop->stopRequested = true;
  loop->wake.notify_all();
}

void CFRunLoopWakeUp(CFRunLoopRef rl) {
  OpaqueCFRunLoop* loop = Loop(rl);
  if (loop == nullptr) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  loop->wake.notify_all();
}

CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef, CFAbsoluteTime fireDate, CFTimeInterval interval, CFOptionFlags,
                                       CFIndex order, CFRunLoopTimerCallBack callout, CFRunLoopTimerContext* context) {
  auto* t = new OpaqueCFRunLoopTimer();
  t->fireDate = std::isnan(fireDate) ? CFAbsoluteTimeGetCurrent() : fireDate;
  // A repeating timer fires at most every 100 microseconds.
  t->interval = (interval > 0.0 && std::isfinite(interval)) ? std::max(interval, 1e-4) : 0.0;
  t->order = order;
  t->callout = callout;
  if (context != nullptr) {
    t->context = *context;
    if (t->context.retain != nullptr && t->context.info != nullptr)
      t->context.info = const_cast<void*>(t->context.retain(t->context.info));
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  t->sequence = ++g_sequence;
  return t;
}

void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode) {
  OpaqueCFRunLoop* loop = Loop(rl);
  OpaqueCFRunLoopTimer* t = Timer(timer);
  if (loop == nullptr || t == nullptr) return;
  const std::string name = ModeName(mode);
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!t->valid) return;
  auto it = std::find_if(loop->timers.begin(), loop->timers.end(), [&](const auto& e) { return e.timer == t; });
  if (it != loop->timers.end()) {
    if (std::find(it->modes.begin(), it->modes.end(), name) == it->modes.end()) it->modes.push_back(name);
    return;
  }
  t->Retain();
  loop->timers.push_back(OpaqueCFRunLoop::Entry{t, {name}});
  auto& all = AllLoops();
  if (std::find(all.begin(), all.end(), loop) == all.end()) all.push_back(loop);
  loop->wake.notify_all();
}

void CFRunLoopRemoveTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode) {
  OpaqueCFRunLoop* loop = Loop(rl);
  OpaqueCFRunLoopTimer* t = Timer(timer);
  if (loop == nullptr || t == nullptr) return;
  const std::string name = ModeName(mode);
  bool released = false;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = std::find_if(loop->timers.begin(), loop->timers.end(), [&](const auto& e) { return e.timer == t; });
    if (it == loop->timers.end()) return;
    it->modes.erase(std::remove(it->modes.begin(), it->modes.end(), name), it->modes.end());
    if (it->modes.empty()) released = Detach(loop, t);
  }
  if (released) t->Release();
}

Boolean CFRunLoopContainsTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode) {
  OpaqueCFRunLoop* loop = Loop(rl);
  if (loop == nullptr) return false;
  const std::string name = ModeName(mode);
  std::lock_guard<std::mutex> lock(g_mutex);
  for (const auto& e : loop->timers)
    if (e.timer == timer) return std::find(e.modes.begin(), e.modes.end(), name) != e.modes.end() || EntryRunsIn(e, name);
  return false;
}

void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer) {
  OpaqueCFRunLoopTimer* t = Timer(timer);
  if (t == nullptr) return;
  int references = 0;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!t->valid) return;
    t->valid = false;
    for (OpaqueCFRunLoop* loop : AllLoops())
      if (Detach(loop, t)) ++references;
  }
  t->Retain();  // keep the timer alive while its info is released
  while (references-- > 0) t->Release();
  t->ReleaseInfo();
  t->Release();
}

Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer) {
  OpaqueCFRunLoopTimer* t = Timer(timer);
  if (t == nullptr) return false;
  std::lock_guard<std::mutex> lock(g_mutex);
  return t->valid;
}

CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timer) {
  OpaqueCFRunLoopTimer* t = Timer(timer);
  if (t == nullptr) return 0.0;
  std::lock_guard<std::mutex> lock(g_mutex);
  return t->fireDate;
}

void CFRunLoopTimerSetNextFireDate(CFRunLoopTimerRef timer, CFAbsoluteTime fireDate) {
  OpaqueCFRunLoopTimer* t = Timer(timer);
  if (t == nullptr || std::isnan(fireDate)) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  t->fireDate = fireDate;
  for (OpaqueCFRunLoop* loop : AllLoops()) loop->wake.notify_all();
}

CFTimeInterval CFRunLoopTimerGetInterval(CFRunLoopTimerRef timer) {
  OpaqueCFRunLoopTimer* t = Timer(timer);
  return t != nullptr ? t->interval : 0.0;
}

Boolean CFRunLoopTimerDoesRepeat(CFRunLoopTimerRef timer) { return CFRunLoopTimerGetInterval(timer) > 0.0; }

void CFRunLoopTimerGetContext(CFRunLoopTimerRef timer, CFRunLoopTimerContext* context) {
  OpaqueCFRunLoopTimer* t = Timer(timer);
  if (t == nullptr || context == nullptr) return;
  *context = t->context;
}

}  // extern "C"
