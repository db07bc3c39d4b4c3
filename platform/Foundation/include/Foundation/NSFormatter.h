// Converting between objects and the text a field shows, and checking text
// while it is typed. Subclasses override; the base accepts every edit.
// Main thread.
#pragma once

#include <Foundation/NSString.h>

class NSFormatter : public NSObject {
  NS_CLASS(NSFormatter, NSObject)
 public:
  // The text for an object; nil when the formatter cannot show it.
  virtual NSString* stringForObjectValue(id object);
  // The object for a text; NO (with an optional error text) when refused.
  virtual BOOL getObjectValue(id* object, NSString* string, NSString** error);
  // Whether partialString may replace the field's text as typed; a formatter
  // refusing it may propose newString (autoreleased) instead.
  virtual BOOL isPartialStringValid(NSString* partialString, NSString** newString, NSString** error);

 protected:
  NSFormatter() = default;
};
