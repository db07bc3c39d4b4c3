// Counting semaphore over a mutex and a condition variable.
#include <dispatch/dispatch.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "DispatchObject.h"

struct dispatch_semaphore_s : dispatch_object_s {
  std::mutex mutex;
  std::condition_variable cv;
  long value = 0;
  long waiters = 0;
};

extern "C" {

dispatch_semaphore_t dispatch_semaphore_create(long value) {
  if (value < 0) return nullptr;
  auto* s = new (std::nothrow) dispatch_semaphore_s;
  if (s) s->value = value;
  return s;
}

long dispatch_semaphore_wait(dispatch_semaphore_t s, dispatch_time_t timeout) {
  if (!s) return -1;
  std::unique_lock<std::mutex> lock(s->mutex);
  if (s->value > 0) {
    s->value--;
    return 0;
  }
  if (timeout == DISPATCH_TIME_NOW) return -1;
  s->waiters++;
  bool ok = true;
  if (timeout == DISPATCH_TIME_FOREVER) {
    s->cv.wait(lock, [s] { return s->value > 0; });
  } else {
    const auto deadline = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(timeout));
    ok = s->cv.wait_until(lock, deadline, [s] { return s->value > 0; });
  }
  s->waiters--;
  if (!ok) return -1;
  s->value--;
  return 0;
}

long dispatch_semaphore_signal(dispatch_semaphore_t s) {
  if (!s) return 0;
  std::lock_guard<std::mutex> lock(s->mutex);
  s->value++;
  if (s->waiters > 0) {
    s->cv.notify_one();
    return 1;
  }
  return 0;
}

}  // extern "C"
