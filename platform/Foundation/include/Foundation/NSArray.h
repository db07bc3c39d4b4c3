// Immutable ordered collections of objects; each element is retained while
// in the array. Any thread; objects are immutable.
#pragma once

#include <initializer_list>
#include <vector>

#include <Foundation/NSObject.h>

class NSArray : public NSObject {
  NS_CLASS(NSArray, NSObject)
 public:
  static NSArray* array();                                   // autoreleased
  static NSArray* arrayWithObject(id object);                // nil object: empty array
  static NSArray* arrayWithObjects(std::initializer_list<id> objects);  // nil entries skipped
  static NSArray* arrayWithVector(const std::vector<id>& objects);
  NSArray* initWithVector(const std::vector<id>& objects);

  NSUInteger count() const { return items_.size(); }
  id objectAtIndex(NSUInteger index) const;  // nil beyond the end
  id firstObject() const { return items_.empty() ? nil : items_.front(); }
  id lastObject() const { return items_.empty() ? nil : items_.back(); }
  // By isEqual; NSNotFound when absent.
  NSUInteger indexOfObject(id object) const;
  BOOL containsObject(id object) const { return indexOfObject(object) != NSUInteger(NSNotFound); }
  const std::vector<id>& items() const { return items_; }
  void dealloc() override;

 protected:
  NSArray() = default;

 private:
  std::vector<id> items_;
};
