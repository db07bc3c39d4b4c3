// Fonts: a CoreText font at a size. Any thread; immutable.
#pragma once

#include <AppKit/NSResponder.h>
#include <CoreText/CoreText.h>

class NSFont : public NSObject {
  NS_CLASS(NSFont, NSObject)
 public:
  // nil when the descriptor matches no font (autoreleased).
  static NSFont* fontWithDescriptor(CTFontDescriptorRef descriptor, CGFloat size);
  static NSFont* fontWithName(NSString* name, CGFloat size);
  // The interface font (DejaVu Sans or Roboto when installed); may be nil
  // on a system without fonts.
  static NSFont* systemFontOfSize(CGFloat size);
  static CGFloat systemFontSize() { return 13; }
  CGFloat pointSize() const;
  NSString* fontName() const;
  NSString* familyName() const;
  CTFontRef ctFont() const { return font_; }  // not owned
  void dealloc() override;

 protected:
  NSFont() = default;

 private:
  static NSFont* wrap(CTFontRef font);  // takes the reference
  CTFontRef font_ = nullptr;
};
