#include <cstdio>
#include <vector>

#include <Foundation/NSString.h>

namespace {

std::atomic<long> g_live{0};

// The autorelease pools of a thread: a stack of frames, the bottom one
// standing in for "no pool" and drained when the thread ends.
struct PoolStack {
  std::vector<std::vector<id>> frames{1};
  ~PoolStack() {
    while (!frames.empty()) {
      DrainTop();
      frames.pop_back();
    }
  }
  void DrainTop() {
    // Releasing may autorelease more objects into the same frame.
    while (!frames.back().empty()) {
      std::vector<id> objects;
      objects.swap(frames.back());
      for (id o : objects) o->release();
    }
  }
};

PoolStack& Pools() {
  thread_local PoolStack pools;
  return pools;
}

}  // namespace

Class NSObject::class_() {
  static nsx::ClassRegistration registration([] {
    nsx::ClassDescription d;
    d.name = "NSObject";
    d.allocate = []() -> id { return NSObject::alloc(); };
    return d;
  }());
  return registration.get();
}
[[maybe_unused]] static const Class NSObject_registeredAtLoad = NSObject::class_();

NSObject::NSObject() { g_live.fetch_add(1, std::memory_order_relaxed); }

NSObject::~NSObject() {
  if (!shared_) g_live.fetch_sub(1, std::memory_order_relaxed);
}

void NSObject::makeShared() {
  if (!shared_) g_live.fetch_sub(1, std::memory_order_relaxed);
  shared_ = true;
}

id NSObject::retain() {
  if (!shared_) refs_.fetch_add(1, std::memory_order_relaxed);
  return this;
}

void NSObject::release() {
  if (shared_) return;
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) dealloc();
}

id NSObject::autorelease() {
  NSAutoreleasePool::addObject(this);
  return this;
}

NSUInteger NSObject::retainCount() const {
  return shared_ ? NSUInteger(-1) : static_cast<NSUInteger>(refs_.load(std::memory_order_relaxed));
}

void NSObject::dealloc() { delete this; }

NSString* NSObject::description() {
  char text[160];
  std::snprintf(text, sizeof text, "<%s: %p>", className(), static_cast<void*>(this));
  return NSString::stringWithUTF8String(text);
}

BOOL NSObject::isKindOfClass(Class cls) const { return cls != nullptr && getClass()->isSubclassOfClass(cls); }

BOOL NSObject::respondsToSelector(SEL sel) const { return getClass()->instancesRespondToSelector(sel); }

BOOL NSObject::conformsToProtocol(Protocol* protocol) const { return getClass()->conformsToProtocol(protocol); }

id NSObject::performSelector(SEL sel) { return performSelector(sel, nil); }

id NSObject::performSelector(SEL sel, id argument) {
  if (IMP imp = getClass()->instanceMethodForSelector(sel)) return imp(this, sel, argument);
  std::fprintf(stderr, "-[%s %s]: unrecognized selector\n", className(), sel_getName(sel));
  return nil;
}

NS_IMPLEMENT_CLASS(NSAutoreleasePool)

NSAutoreleasePool* NSAutoreleasePool::init() {
  if (!pushed_) Pools().frames.emplace_back();
  pushed_ = true;
  return this;
}

void NSAutoreleasePool::dealloc() {
  PoolStack& pools = Pools();
  if (pushed_ && pools.frames.size() > 1) {
    pools.DrainTop();
    pools.frames.pop_back();
  }
  NSObject::dealloc();
}

void NSAutoreleasePool::addObject(id object) {
  if (object != nullptr) Pools().frames.back().push_back(object);
}

namespace nsx {
long LiveObjectCount() { return g_live.load(std::memory_order_relaxed); }
}  // namespace nsx
