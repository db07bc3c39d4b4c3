#include <Foundation/NSArray.h>

NS_IMPLEMENT_CLASS(NSArray)

NSArray* NSArray::array() { return arrayWithVector({}); }
NSArray* NSArray::arrayWithObject(id object) { return arrayWithObjects({object}); }
NSArray* NSArray::arrayWithObjects(std::initializer_list<id> objects) { return arrayWithVector(objects); }
NSArray* NSArray::arrayWithVector(const std::vector<id>& objects) {
  return static_cast<NSArray*>(alloc()->initWithVector(objects)->autorelease());
}

NSArray* NSArray::initWithVector(const std::vector<id>& objects) {
  for (id o : objects)
    if (o != nullptr) items_.push_back(o->retain());
  return this;
}

id NSArray::objectAtIndex(NSUInteger index) const { return index < items_.size() ? items_[index] : nil; }

NSUInteger NSArray::indexOfObject(id object) const {
  if (object == nullptr) return NSNotFound;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == object || items_[i]->isEqual(object)) return i;
  return NSNotFound;
}

void NSArray::dealloc() {
  for (id o : items_) o->release();
  items_.clear();
  NSObject::dealloc();
}
