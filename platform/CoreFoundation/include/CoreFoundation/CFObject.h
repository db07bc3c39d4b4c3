// Base of every object of the CoreFoundation layer: type, reference count
// and the virtual equality, hash and description the generic calls use.
// The layers built on this one (CoreGraphics, CoreText) derive their CF
// types from it, so CFRetain, CFRelease and the live-object count cover them.
#pragma once

#include <atomic>
#include <string>

#include <CoreFoundation/CFBase.h>

namespace cfx {

// Type identifiers of the layer's object kinds.
enum TypeID : CFTypeID {
  kTypeAllocator = 2,
  kTypeString = 7,
  kTypeBoolean = 21,
  kTypeNumber = 22,
  kTypeData = 20,
  kTypeArray = 19,
  kTypeDictionary = 18,
  kTypeDate = 42,
  kTypeError = 43,
  kTypeURL = 29,
  kTypeBundle = 31,
  kTypeRunLoop = 44,
  kTypeRunLoopTimer = 45,
  // Types of the layers above.
  kTypeDataProvider = 60,
  kTypeGraphicsFont = 61,
  kTypeFontDescriptor = 62,
  kTypeFont = 63
};

class Object {
 public:
  // Immortal objects (constants, registered bundles) are never freed and
  // not counted as live.
  Object(CFTypeID type, bool immortal);
  virtual ~Object();
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  CFTypeID Type() const { return type_; }
  bool IsImmortal() const { return immortal_; }
  void Retain() const;
  void Release() const;
  CFIndex RetainCount() const;

  virtual bool Equals(const Object& other) const { return this == &other; }
  virtual CFHashCode Hash() const { return reinterpret_cast<CFHashCode>(this) >> 4; }
  virtual std::string Describe() const;

 private:
  const CFTypeID type_;
  const bool immortal_;
  mutable std::atomic<long> refs_{1};
};

// The object behind ref when it is of the given type, else null.
inline const Object* ObjectOf(CFTypeRef ref) { return static_cast<const Object*>(ref); }

template <class T>
const T* As(CFTypeRef ref) {
  const Object* o = ObjectOf(ref);
  return (o != nullptr && o->Type() == T::kType) ? static_cast<const T*>(o) : nullptr;
}

template <class T>
T* AsMutable(CFTypeRef ref) {
  return const_cast<T*>(As<T>(ref));
}

// Description text of any object ("(null)" for null).
std::string DescribeObject(CFTypeRef ref);

}  // namespace cfx
