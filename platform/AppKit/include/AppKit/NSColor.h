// Colours as device RGB components 0 to 1 (components outside are clamped).
// Any thread; immutable.
#pragma once

#include <AppKit/NSResponder.h>

typedef NSString* NSColorSpaceName;

class NSColor : public NSObject {
  NS_CLASS(NSColor, NSObject)
 public:
  static NSColor* colorWithDeviceRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
  static NSColor* colorWithCalibratedRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
  static NSColor* colorWithSRGBRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
  static NSColor* colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
  static NSColor* blackColor();
  static NSColor* whiteColor();
  static NSColor* clearColor();
  static NSColor* textColor();
  static NSColor* textBackgroundColor();
  CGFloat redComponent() const { return r_; }
  CGFloat greenComponent() const { return g_; }
  CGFloat blueComponent() const { return b_; }
  CGFloat alphaComponent() const { return a_; }
  void getRed(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const;
  // The layer's colours are all device RGB: self.
  NSColor* colorUsingColorSpaceName(NSColorSpaceName) { return this; }
  BOOL isEqual(id other) override;

 protected:
  NSColor() = default;

 private:
  static NSColor* make(CGFloat r, CGFloat g, CGFloat b, CGFloat a);
  CGFloat r_ = 0, g_ = 0, b_ = 0, a_ = 1;
};

extern NSColorSpaceName const NSDeviceRGBColorSpaceName;
