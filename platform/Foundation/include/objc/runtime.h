// The class registry of the object runtime. A class registers itself by
// name when its library loads (NS_IMPLEMENT_CLASS in Foundation/NSObject.h)
// and leaves the registry when the library is unloaded; a program makes an
// instance of a class it knows only by name:
//   Class cls = objc_getClass("ORBEX9_View");
//   id factory = cls ? cls->alloc()->init() : nil;
// Classes carry methods reached by selector (instance and class methods)
// and the protocols they adopt. Protocols are known by name. Any thread;
// a class record stays valid while its library is loaded.
#pragma once

#include <objc/objc.h>

#include <string>
#include <vector>

struct objc_method_description {
  SEL name;
  IMP imp;
};

struct objc_protocol_adoption {
  Protocol* protocol;
  // The object seen through the protocol's interface.
  void* (*interfaceOf)(id self);
};

class objc_class {
 public:
  const char* name() const { return name_.c_str(); }
  Class superclass() const { return superclass_; }
  bool isSubclassOfClass(Class other) const;

  // A new instance with one reference (call an init method next); nil for a
  // class that cannot be made by name.
  id alloc() const;

  // Class methods.
  BOOL respondsToSelector(SEL sel) const;
  // The class method's result; nil when the class has no such method.
  id performSelector(SEL sel, id argument = nil) const;

  // Instance methods, searched up the superclasses.
  BOOL instancesRespondToSelector(SEL sel) const;
  IMP instanceMethodForSelector(SEL sel) const;  // null when none

  BOOL conformsToProtocol(Protocol* protocol) const;
  // self seen through protocol's interface, or null.
  void* interfaceOf(id self, Protocol* protocol) const;

 private:
  friend class nsx_class_registry;
  objc_class() = default;
  std::string name_;
  Class superclass_ = nullptr;
  id (*allocate_)() = nullptr;
  std::vector<objc_method_description> methods_, classMethods_;
  std::vector<objc_protocol_adoption> protocols_;
};

class Protocol {
 public:
  const char* name() const { return name_.c_str(); }

 private:
  friend class nsx_class_registry;
  explicit Protocol(std::string name) : name_(std::move(name)) {}
  std::string name_;
};

// The registered class of that name, or null.
Class objc_getClass(const char* name);
Class objc_lookUpClass(const char* name);
// Names of every registered class, sorted.
std::vector<std::string> objc_copyClassNames();
// The protocol of that name (made on first use; never freed).
Protocol* objc_getProtocol(const char* name);
const char* class_getName(Class cls);     // "nil" for null
Class class_getSuperclass(Class cls);
BOOL class_respondsToSelector(Class cls, SEL sel);  // instances respond
BOOL class_conformsToProtocol(Class cls, Protocol* protocol);
id class_createInstance(Class cls);
const char* protocol_getName(Protocol* protocol);

namespace nsx {

struct ClassDescription {
  std::string name;
  Class superclass = nullptr;
  id (*allocate)() = nullptr;
  std::vector<objc_method_description> methods;
  std::vector<objc_method_description> classMethods;
  std::vector<objc_protocol_adoption> protocols;
};

// Registers a class. Null when the name is empty or already registered
// (the first registration stays). The record lives on after the class is
// unregistered, but a program must not use it then.
Class RegisterClass(const ClassDescription& description);
void UnregisterClass(Class cls);

}  // namespace nsx
