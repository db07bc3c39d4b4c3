#include "DispatchObject.h"

#include <dispatch/dispatch.h>

#include <chrono>

extern "C" {

void dispatch_retain(void* object) {
  if (object) static_cast<dispatch_object_s*>(object)->refs.fetch_add(1, std::memory_order_relaxed);
}

void dispatch_release(void* object) {
  if (!object) return;
  auto* o = static_cast<dispatch_object_s*>(object);
  if (o->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete o;
}

dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta) {
  if (when == DISPATCH_TIME_FOREVER) return DISPATCH_TIME_FOREVER;
  if (when == DISPATCH_TIME_NOW) {
    when = static_cast<dispatch_time_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
  }
  if (delta < 0) {
    const auto d = static_cast<dispatch_time_t>(-(delta + 1)) + 1;
    return d >= when ? 1 : when - d;
  }
  const auto d = static_cast<dispatch_time_t>(delta);
  return d >= DISPATCH_TIME_FOREVER - when ? DISPATCH_TIME_FOREVER - 1 : when + d;
}

}  // extern "C"
