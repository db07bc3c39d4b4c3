// URLs over the CoreFoundation layer's. Any thread; immutable.
#pragma once

#include <CoreFoundation/CFURL.h>
#include <Foundation/NSString.h>

class NSURL : public NSObject {
  NS_CLASS(NSURL, NSObject)
 public:
  // nil when the text is nil or has no scheme.
  static NSURL* URLWithString(NSString* text);
  static NSURL* fileURLWithPath(NSString* path);
  static NSURL* fileURLWithPath(NSString* path, BOOL isDirectory);
  static NSURL* URLWithCFURL(CFURLRef url);  // nil for null

  NSString* absoluteString() const;
  NSString* path() const;  // nil for URLs that are not file URLs
  NSString* scheme() const;
  BOOL isFileURL() const;
  CFURLRef cfURL() const { return url_; }  // not owned
  BOOL isEqual(id other) override;
  void dealloc() override;

 protected:
  NSURL() = default;

 private:
  static NSURL* wrap(CFURLRef url);  // takes the reference
  CFURLRef url_ = nullptr;
};
