// Cells: what a control shows and edits. A text cell edits its text with
// the window's field editor placed over the cell (selectWithFrame /
// editWithFrame), which it ends with endEditing. Main thread only.
#pragma once

#include <AppKit/NSText.h>

class NSColor;
class NSFont;
class NSFormatter;

typedef NSInteger NSTextAlignment;
enum : NSInteger {
  NSTextAlignmentLeft = 0,
  NSTextAlignmentRight = 1,
  NSTextAlignmentCenter = 2,
  NSTextAlignmentJustified = 3,
  NSTextAlignmentNatural = 4
};
enum : NSInteger { NSLeftTextAlignment = 0, NSRightTextAlignment = 1, NSCenterTextAlignment = 2 };

typedef NSUInteger NSLineBreakMode;
enum : NSUInteger {
  NSLineBreakByWordWrapping = 0,
  NSLineBreakByCharWrapping = 1,
  NSLineBreakByClipping = 2,
  NSLineBreakByTruncatingHead = 3,
  NSLineBreakByTruncatingTail = 4,
  NSLineBreakByTruncatingMiddle = 5
};

typedef NSUInteger NSFocusRingType;
enum : NSUInteger { NSFocusRingTypeDefault = 0, NSFocusRingTypeNone = 1, NSFocusRingTypeExterior = 2 };

class NSCell : public NSObject {
  NS_CLASS(NSCell, NSObject)
 public:
  virtual NSCell* initTextCell(NSString* string);
  NSCell* init() override { return initTextCell(NSString::string()); }
  void dealloc() override;

  NSString* stringValue() const { return string_; }
  virtual void setStringValue(NSString* string);
  NSFormatter* formatter() const { return formatter_; }
  void setFormatter(NSFormatter* formatter);  // retained
  NSFont* font() const { return font_; }
  void setFont(NSFont* font);  // retained
  NSTextAlignment alignment() const { return alignment_; }
  void setAlignment(NSTextAlignment alignment) { alignment_ = alignment; }
  NSLineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(NSLineBreakMode mode) { lineBreakMode_ = mode; }
  BOOL isEditable() const { return editable_; }
  void setEditable(BOOL flag) { editable_ = flag; }
  BOOL isSelectable() const { return selectable_ || editable_; }
  void setSelectable(BOOL flag) { selectable_ = flag; }
  BOOL isBordered() const { return bordered_; }
  void setBordered(BOOL flag) { bordered_ = flag; }
  BOOL isBezeled() const { return bezeled_; }
  void setBezeled(BOOL flag) { bezeled_ = flag; }
  BOOL allowsEditingTextAttributes() const { return richText_; }
  void setAllowsEditingTextAttributes(BOOL flag) { richText_ = flag; }
  NSFocusRingType focusRingType() const { return focusRing_; }
  void setFocusRingType(NSFocusRingType type) { focusRing_ = type; }
  NSView* controlView() const { return controlView_; }
  void setControlView(NSView* view) { controlView_ = view; }  // not retained

  // The size the text needs at the cell's font (its line height plus the
  // border), and the rectangle in which the text is drawn within bounds.
  virtual NSSize cellSize();
  virtual NSRect drawingRectForBounds(NSRect bounds);
  virtual NSRect titleRectForBounds(NSRect bounds) { return drawingRectForBounds(bounds); }

  // Places the field editor over rect in controlView with the cell's text,
  // the cell's font and alignment and delegate as its delegate, selects
  // the given characters and makes it first responder.
  virtual void selectWithFrame(NSRect rect, NSView* controlView, NSText* textObj, NSTextDelegate* delegate,
                               NSInteger selStart, NSInteger selLength);
  virtual void editWithFrame(NSRect rect, NSView* controlView, NSText* textObj, NSTextDelegate* delegate,
                             NSEvent* event);
  // Takes the field editor away (no notification).
  virtual void endEditing(NSText* textObj);

 protected:
  NSCell() = default;

 private:
  NSString* string_ = nullptr;
  NSFormatter* formatter_ = nullptr;
  NSFont* font_ = nullptr;
  NSTextAlignment alignment_ = NSTextAlignmentNatural;
  NSLineBreakMode lineBreakMode_ = NSLineBreakByWordWrapping;
  bool editable_ = false, selectable_ = false, bordered_ = false, bezeled_ = false, richText_ = false;
  NSFocusRingType focusRing_ = NSFocusRingTypeDefault;
  NSView* controlView_ = nullptr;
};

class NSTextFieldCell : public NSCell {
  NS_CLASS(NSTextFieldCell, NSCell)
 public:
  NSColor* textColor() const { return textColor_; }
  void setTextColor(NSColor* color);
  NSColor* backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(NSColor* color);
  BOOL drawsBackground() const { return drawsBackground_; }
  void setDrawsBackground(BOOL flag) { drawsBackground_ = flag; }
  NSString* placeholderString() const { return placeholder_; }
  void setPlaceholderString(NSString* string);
  void dealloc() override;

 protected:
  NSTextFieldCell() = default;

 private:
  NSColor* textColor_ = nullptr;
  NSColor* backgroundColor_ = nullptr;
  bool drawsBackground_ = false;
  NSString* placeholder_ = nullptr;
};
