// Sets of UTF-16 code units. Any thread; immutable.
#pragma once

#include <functional>
#include <set>

#include <Foundation/NSString.h>

class NSCharacterSet : public NSObject {
  NS_CLASS(NSCharacterSet, NSObject)
 public:
  static NSCharacterSet* characterSetWithCharactersInString(NSString* characters);  // autoreleased
  // Letters and digits of any script (the C.UTF-8 character tables).
  static NSCharacterSet* alphanumericCharacterSet();  // shared
  static NSCharacterSet* decimalDigitCharacterSet();  // shared: 0-9
  BOOL characterIsMember(unichar c) const;

 protected:
  NSCharacterSet() = default;

 private:
  std::set<unichar> members_;
  std::function<bool(unichar)> test_;
};
