// The root class. Objects are reference counted: alloc, new..., copy...
// and init... give the caller one reference; release gives one back; when
// the last goes, dealloc runs (a subclass's dealloc ends with its
// superclass's). autorelease gives a reference to the innermost
// NSAutoreleasePool of the thread, released when the pool drains.
// Convenience constructors (stringWith..., arrayWith...) hand out
// autoreleased objects. Shared objects of the layers (screens, standard
// cursors, the shared panels) live for the process and are not counted.
// retain/release/autorelease: any thread; the rest as each class says.
//
// A class of the runtime is a C++ class derived from NSObject with
//   NS_CLASS(Self, Super)            in its body and
//   NS_IMPLEMENT_CLASS(Self, ...)    in one source file,
// the latter registering it by name when its library loads, with its
// methods reached by selector and the protocols it adopts, for example:
//   NS_IMPLEMENT_CLASS(MyView, {nsx::method<&MyView::onTimer>("onTimer:")})
//   NS_IMPLEMENT_CLASS(MyFactory, {}, {}, {nsx::adopts<MyFactory, AUCocoaUIBase>()})
#pragma once

#include <atomic>
#include <tuple>
#include <type_traits>

#include <Foundation/NSObjCRuntime.h>
#include <objc/runtime.h>

class NSString;

class NSObject {
 public:
  typedef NSObject Self;
  static Class class_();
  static NSObject* alloc() { return new NSObject(); }
  virtual Class getClass() const { return class_(); }  // [object class]

  virtual NSObject* init() { return this; }
  id retain();
  void release();
  id autorelease();
  NSUInteger retainCount() const;
  // Frees the object; called when the last reference goes.
  virtual void dealloc();

  virtual NSString* description();  // "<ClassName: 0x...>" (autoreleased)
  virtual BOOL isEqual(id other) { return other == this; }
  virtual NSUInteger hash() { return reinterpret_cast<NSUInteger>(this) >> 4; }

  const char* className() const { return class_getName(getClass()); }
  BOOL isKindOfClass(Class cls) const;
  BOOL isMemberOfClass(Class cls) const { return getClass() == cls; }
  BOOL respondsToSelector(SEL sel) const;
  BOOL conformsToProtocol(Protocol* protocol) const;
  // The method's result; nil when the object has no such method (a line on
  // stderr tells of it).
  id performSelector(SEL sel);
  id performSelector(SEL sel, id argument);

  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;

 protected:
  NSObject();
  virtual ~NSObject();
  // Makes a process-wide object: not counted, retain and release do nothing.
  void makeShared();
  // A new process-wide object of class T.
  template <class T>
  static T* allocShared() {
    T* object = T::alloc();
    object->makeShared();
    return object;
  }

 private:
  std::atomic<long> refs_{1};
  bool shared_ = false;
};

namespace nsx {

// Objects of the runtime alive now (shared objects not counted).
long LiveObjectCount();

// Stores value in slot, retaining it and releasing what slot held.
template <class T>
void SetRetained(T*& slot, T* value) {
  if (value != nullptr) value->retain();
  if (slot != nullptr) slot->release();
  slot = value;
}

// object seen through the protocol P (a class with a static kProtocolName)
// when its class adopts it, else null.
template <class P>
P* ProtocolCast(id object) {
  if (object == nullptr) return nullptr;
  return static_cast<P*>(object->getClass()->interfaceOf(object, objc_getProtocol(P::kProtocolName)));
}

namespace detail {

template <class F>
struct Signature;
template <class C, class R, class... A>
struct Signature<R (C::*)(A...)> {
  using Owner = C;
  using Result = R;
  using Args = std::tuple<A...>;
};
template <class R, class... A>
struct Signature<R (*)(A...)> {
  using Result = R;
  using Args = std::tuple<A...>;
};

template <class R>
id AsId(R result) {
  if constexpr (std::is_pointer_v<R>)
    return static_cast<id>(result);
  else
    return result ? reinterpret_cast<id>(static_cast<uintptr_t>(1)) : nil;  // a BOOL answer
}

// An object argument as the method's parameter: the object for a pointer
// parameter, YES/NO (non-nil) for a BOOL.
template <class A>
A FromId(id argument) {
  if constexpr (std::is_pointer_v<A>)
    return static_cast<A>(argument);
  else
    return static_cast<A>(argument != nullptr);
}

template <auto F, class S = Signature<decltype(F)>>
id CallMember(id self, SEL, id argument) {
  auto* object = static_cast<typename S::Owner*>(self);
  if constexpr (std::tuple_size_v<typename S::Args> == 0) {
    if constexpr (std::is_void_v<typename S::Result>) {
      (object->*F)();
      return nil;
    } else {
      return AsId((object->*F)());
    }
  } else {
    using A = std::tuple_element_t<0, typename S::Args>;
    if constexpr (std::is_void_v<typename S::Result>) {
      (object->*F)(FromId<A>(argument));
      return nil;
    } else {
      return AsId((object->*F)(FromId<A>(argument)));
    }
  }
}

template <auto F, class S = Signature<decltype(F)>>
id CallStatic(id, SEL, id argument) {
  if constexpr (std::tuple_size_v<typename S::Args> == 0) {
    if constexpr (std::is_void_v<typename S::Result>) {
      F();
      return nil;
    } else {
      return AsId(F());
    }
  } else {
    using A = std::tuple_element_t<0, typename S::Args>;
    if constexpr (std::is_void_v<typename S::Result>) {
      F(FromId<A>(argument));
      return nil;
    } else {
      return AsId(F(FromId<A>(argument)));
    }
  }
}

}  // namespace detail

// An instance method reached by selector: a member function taking nothing
// or one object pointer, returning nothing, an object pointer or a BOOL.
template <auto F>
objc_method_description method(const char* selector) {
  return {sel_registerName(selector), &detail::CallMember<F>};
}
// A class method: a static function of the same shapes.
template <auto F>
objc_method_description classMethod(const char* selector) {
  return {sel_registerName(selector), &detail::CallStatic<F>};
}
// The class C adopts protocol P (a class with a static kProtocolName).
template <class C, class P>
objc_protocol_adoption adopts() {
  return {objc_getProtocol(P::kProtocolName), [](id self) -> void* { return static_cast<P*>(static_cast<C*>(self)); }};
}

// Keeps a class registered from the library's load to its unload.
class ClassRegistration {
 public:
  explicit ClassRegistration(const ClassDescription& description) : cls_(RegisterClass(description)) {}
  ~ClassRegistration() { UnregisterClass(cls_); }
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;
  Class get() const { return cls_; }

 private:
  Class cls_;
};

template <class T>
ClassDescription Describe(const char* name, std::initializer_list<objc_method_description> methods = {},
                          std::initializer_list<objc_method_description> classMethods = {},
                          std::initializer_list<objc_protocol_adoption> protocols = {}) {
  ClassDescription d;
  d.name = name;
  d.superclass = T::Super::class_();
  d.allocate = []() -> id { return T::alloc(); };
  d.methods.assign(methods);
  d.classMethods.assign(classMethods);
  d.protocols.assign(protocols);
  return d;
}

}  // namespace nsx

// In the class body: the class's record, alloc and its superclass as Super.
#define NS_CLASS(SelfType, SuperType)                         \
 public:                                                      \
  typedef SuperType Super;                                    \
  typedef SelfType Self;                                      \
  static Class class_();                                      \
  Class getClass() const override { return class_(); }        \
  static SelfType* alloc() { return new SelfType(); }         \
                                                              \
 private:

// In one source file: registers the class by its C++ name when the library
// loads. Arguments after the class: instance methods, class methods and
// adopted protocols, each a braced list (all optional).
#define NS_IMPLEMENT_CLASS(SelfType, ...)                                                        \
  Class SelfType::class_() {                                                                     \
    static nsx::ClassRegistration registration(nsx::Describe<SelfType>(#SelfType, ##__VA_ARGS__)); \
    return registration.get();                                                                   \
  }                                                                                              \
  [[maybe_unused]] static const Class SelfType##_registeredAtLoad = SelfType::class_();

// A pool of autoreleased objects; pools nest per thread. drain (or
// release) releases every object given to it, also those autoreleased
// while it drains. Objects autoreleased with no pool in place go to a pool
// of the thread that drains when the thread ends.
class NSAutoreleasePool : public NSObject {
  NS_CLASS(NSAutoreleasePool, NSObject)
 public:
  NSAutoreleasePool* init() override;
  void drain() { release(); }
  void dealloc() override;
  // Gives object to the innermost pool of the thread.
  static void addObject(id object);

 private:
  NSAutoreleasePool() = default;
  bool pushed_ = false;
};

namespace nsx {

// A scope with its own autorelease pool: { nsx::AutoreleasePool pool; ... }
class AutoreleasePool {
 public:
  AutoreleasePool() : pool_(NSAutoreleasePool::alloc()->init()) {}
  ~AutoreleasePool() { pool_->drain(); }
  AutoreleasePool(const AutoreleasePool&) = delete;
  AutoreleasePool& operator=(const AutoreleasePool&) = delete;

 private:
  NSAutoreleasePool* pool_;
};

}  // namespace nsx
