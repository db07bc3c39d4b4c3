// Reference-counted base of the dispatch objects.
#pragma once

#include <atomic>

struct dispatch_object_s {
  virtual ~dispatch_object_s() = default;
  std::atomic<long> refs{1};
};
