// Reference counting shared by every object of the Metal and QuartzCore layers.
// Functions named new... / MTLCreate... hand out one reference the caller releases;
// other getters return objects owned by their parent. retain/release are thread safe.
#pragma once

#include <atomic>

class MTLObject {
 public:
  MTLObject() = default;
  MTLObject(const MTLObject&) = delete;
  MTLObject& operator=(const MTLObject&) = delete;

  MTLObject* retain() {
    refs_.fetch_add(1, std::memory_order_relaxed);
    return this;
  }
  void release() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  long retainCount() const { return refs_.load(std::memory_order_relaxed); }

 protected:
  virtual ~MTLObject() = default;

 private:
  std::atomic<long> refs_{1};
};

// Null-tolerant helpers.
template <class T>
inline T* MTLRetain(T* o) {
  if (o) o->retain();
  return o;
}
inline void MTLRelease(MTLObject* o) {
  if (o) o->release();
}

// An error of object creation, with a readable description.
class MTLError : public MTLObject {
 public:
  MTLError(long code, const char* description);
  long code() const { return code_; }
  const char* localizedDescription() const { return description_; }

 private:
  long code_;
  char description_[160];
};
