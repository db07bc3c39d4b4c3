// The class registry and selector table. One mutex guards both; class
// records and protocols are never freed, so pointers to them stay valid.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include <Foundation/NSObject.h>

struct objc_selector {
  std::string name;
};

class nsx_class_registry {
 public:
  static nsx_class_registry& get() {
    static auto* registry = new nsx_class_registry();  // outlives every library
    return *registry;
  }

  SEL selector(const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& s = selectors_[name];
    if (!s) s.reset(new objc_selector{name});
    return s.get();
  }

  Protocol* protocol(const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& p = protocols_[name];
    if (!p) p.reset(new Protocol(name));
    return p.get();
  }

  Class add(const nsx::ClassDescription& d) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (d.name.empty() || byName_.count(d.name) != 0) return nullptr;
    auto* cls = new objc_class();
    cls->name_ = d.name;
    cls->superclass_ = d.superclass;
    cls->allocate_ = d.allocate;
    cls->methods_ = d.methods;
    cls->classMethods_ = d.classMethods;
    cls->protocols_ = d.protocols;
    records_.emplace_back(cls);
    byName_[d.name] = cls;
    return cls;
  }

  void remove(Class cls) {
    if (cls == nullptr) return;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = byName_.find(cls->name_);
    if (it != byName_.end() && it->second == cls) byName_.erase(it);
    cls->allocate_ = nullptr;  // a record left behind makes nothing
  }

  Class find(const char* name) {
    if (name == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = byName_.find(name);
    return it != byName_.end() ? it->second : nullptr;
  }

  std::vector<std::string> names() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const auto& e : byName_) out.push_back(e.first);
    return out;
  }

  static IMP findMethod(const std::vector<objc_method_description>& list, SEL sel) {
    for (const auto& m : list)
      if (m.name == sel) return m.imp;
    return nullptr;
  }
  static const std::vector<objc_method_description>& methods(const objc_class* c) { return c->methods_; }
  static const std::vector<objc_protocol_adoption>& protocols(const objc_class* c) { return c->protocols_; }

 private:
  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<objc_selector>> selectors_;
  std::map<std::string, std::unique_ptr<Protocol>> protocols_;
  std::vector<std::unique_ptr<objc_class>> records_;
  std::map<std::string, Class> byName_;
};

SEL sel_registerName(const char* name) { return name != nullptr ? nsx_class_registry::get().selector(name) : nullptr; }
const char* sel_getName(SEL sel) { return sel != nullptr ? sel->name.c_str() : "<null selector>"; }

bool objc_class::isSubclassOfClass(Class other) const {
  for (const objc_class* c = this; c != nullptr; c = c->superclass_)
    if (c == other) return true;
  return false;
}

id objc_class::alloc() const { return allocate_ != nullptr ? allocate_() : nil; }

BOOL objc_class::respondsToSelector(SEL sel) const {
  for (const objc_class* c = this; c != nullptr; c = c->superclass_)
    if (nsx_class_registry::findMethod(c->classMethods_, sel) != nullptr) return YES;
  return NO;
}

id objc_class::performSelector(SEL sel, id argument) const {
  for (const objc_class* c = this; c != nullptr; c = c->superclass_)
    if (IMP imp = nsx_class_registry::findMethod(c->classMethods_, sel)) return imp(nil, sel, argument);
  std::fprintf(stderr, "+[%s %s]: unrecognized selector\n", name(), sel_getName(sel));
  return nil;
}

IMP objc_class::instanceMethodForSelector(SEL sel) const {
  for (const objc_class* c = this; c != nullptr; c = c->superclass_)
    if (IMP imp = nsx_class_registry::findMethod(nsx_class_registry::methods(c), sel)) return imp;
  return nullptr;
}

BOOL objc_class::instancesRespondToSelector(SEL sel) const { return instanceMethodForSelector(sel) != nullptr; }

BOOL objc_class::conformsToProtocol(Protocol* protocol) const {
  for (const objc_class* c = this; c != nullptr; c = c->superclass_)
    for (const auto& p : nsx_class_registry::protocols(c))
      if (p.protocol == protocol) return YES;
  return NO;
}

void* objc_class::interfaceOf(id self, Protocol* protocol) const {
  if (self == nullptr) return nullptr;
  for (const objc_class* c = this; c != nullptr; c = c->superclass_)
    for (const auto& p : nsx_class_registry::protocols(c))
      if (p.protocol == protocol) return p.interfaceOf(self);
  return nullptr;
}

Class objc_getClass(const char* name) { return nsx_class_registry::get().find(name); }
Class objc_lookUpClass(const char* name) { return objc_getClass(name); }
std::vector<std::string> objc_copyClassNames() { return nsx_class_registry::get().names(); }
Protocol* objc_getProtocol(const char* name) {
  return name != nullptr ? nsx_class_registry::get().protocol(name) : nullptr;
}
const char* class_getName(Class cls) { return cls != nullptr ? cls->name() : "nil"; }
Class class_getSuperclass(Class cls) { return cls != nullptr ? cls->superclass() : nullptr; }
BOOL class_respondsToSelector(Class cls, SEL sel) { return cls != nullptr && cls->instancesRespondToSelector(sel); }
BOOL class_conformsToProtocol(Class cls, Protocol* protocol) {
  return cls != nullptr && cls->conformsToProtocol(protocol);
}
id class_createInstance(Class cls) { return cls != nullptr ? cls->alloc() : nil; }
const char* protocol_getName(Protocol* protocol) { return protocol != nullptr ? protocol->name() : "nil"; }

namespace nsx {

Class RegisterClass(const ClassDescription& description) { return nsx_class_registry::get().add(description); }
void UnregisterClass(Class cls) { nsx_class_registry::get().remove(cls); }

}  // namespace nsx
