// Views: rectangles of a window's content in a tree. A view's frame is in
// its superview's coordinates, its bounds in its own (origin 0,0; y grows
// upward unless isFlipped). Subviews are retained; the superview and the
// window are not. Layer hosting: setWantsLayer makes a backing layer,
// setLayer replaces it (a CAMetalLayer for Metal drawing). Tooltip areas
// answer their text through their owner when asked; dragging destinations
// accept the pasteboard types they registered. Main thread only.
#pragma once

#include <vector>

#include <AppKit/NSResponder.h>
#include <QuartzCore/CALayer.h>

class NSWindow;
class NSTrackingArea;
class NSAppearance;
class NSPasteboard;
class NSView;

typedef NSInteger NSToolTipTag;

// Who answers the text of a tooltip area (the view's informal owner method
// view:stringForToolTip:point:userData:).
class NSViewToolTipOwner {
 public:
  virtual NSString* stringForToolTip(NSView* view, NSToolTipTag tag, NSPoint point, void* userData) = 0;

 protected:
  ~NSViewToolTipOwner() = default;
};

typedef NSUInteger NSDragOperation;
enum : NSUInteger {
  NSDragOperationNone = 0,
  NSDragOperationCopy = 1,
  NSDragOperationLink = 2,
  NSDragOperationGeneric = 4,
  NSDragOperationPrivate = 8,
  NSDragOperationMove = 16,
  NSDragOperationDelete = 32,
  NSDragOperationEvery = ~0UL
};

// What a dragging destination learns of a drag.
class NSDraggingInfo {
 public:
  virtual NSPasteboard* draggingPasteboard() = 0;
  virtual NSPoint draggingLocation() = 0;  // window coordinates
  virtual NSDragOperation draggingSourceOperationMask() = 0;
  virtual NSWindow* draggingDestinationWindow() = 0;

 protected:
  ~NSDraggingInfo() = default;
};

typedef NSInteger NSViewLayerContentsRedrawPolicy;
enum : NSInteger {
  NSViewLayerContentsRedrawNever = 0,
  NSViewLayerContentsRedrawOnSetNeedsDisplay = 1,
  NSViewLayerContentsRedrawDuringViewResize = 2,
  NSViewLayerContentsRedrawBeforeViewResize = 3,
  NSViewLayerContentsRedrawCrossfade = 4
};

extern NSNotificationName const NSViewFrameDidChangeNotification;

class NSView : public NSResponder {
  NS_CLASS(NSView, NSResponder)
 public:
  virtual NSView* initWithFrame(NSRect frame);
  NSView* init() override { return initWithFrame(NSZeroRect); }
  void dealloc() override;

  NSRect frame() const { return frame_; }
  NSRect bounds() const { return NSMakeRect(0, 0, frame_.size.width, frame_.size.height); }
  // Frame changes post NSViewFrameDidChangeNotification (while
  // postsFrameChangedNotifications) and update the tracking areas.
  virtual void setFrame(NSRect frame);
  virtual void setFrameSize(NSSize size);
  virtual void setFrameOrigin(NSPoint origin);
  BOOL postsFrameChangedNotifications() const { return postsFrameChanged_; }
  void setPostsFrameChangedNotifications(BOOL posts) { postsFrameChanged_ = posts; }

  NSView* superview() const { return superview_; }
  NSArray* subviews() const;  // autoreleased
  const std::vector<NSView*>& subviewList() const { return subviews_; }
  // Adds view on top of the others, taking it from its former superview.
  virtual void addSubview(NSView* view);
  virtual void removeFromSuperview();
  BOOL isDescendantOf(NSView* view) const;
  NSWindow* window() const { return window_; }
  virtual void viewWillMoveToWindow(NSWindow* newWindow);
  virtual void viewDidMoveToWindow();
  virtual void viewWillMoveToSuperview(NSView* newSuperview);
  virtual void viewDidMoveToSuperview();

  virtual BOOL isFlipped() { return NO; }
  virtual BOOL isOpaque() { return NO; }
  BOOL isHidden() const { return hidden_; }
  void setHidden(BOOL hidden);

  BOOL needsDisplay() const { return needsDisplay_; }
  void setNeedsDisplay(BOOL needs) { needsDisplay_ = needs; }
  void setNeedsDisplayInRect(NSRect) { needsDisplay_ = YES; }
  virtual void drawRect(NSRect dirtyRect);
  // Draws now when marked (drawRect with the bounds) and clears the mark.
  void displayIfNeeded();

  // Layers.
  BOOL wantsLayer() const { return wantsLayer_; }
  virtual void setWantsLayer(BOOL wants);
  CALayer* layer() const { return layer_; }
  virtual void setLayer(CALayer* layer);  // retained
  virtual CALayer* makeBackingLayer();    // one reference for the caller
  NSViewLayerContentsRedrawPolicy layerContentsRedrawPolicy() const { return redrawPolicy_; }
  void setLayerContentsRedrawPolicy(NSViewLayerContentsRedrawPolicy policy) { redrawPolicy_ = policy; }

  // Coordinates: a null view means the window's base coordinates.
  NSPoint convertPointFromView(NSPoint point, NSView* view);
  NSPoint convertPointToView(NSPoint point, NSView* view);
  NSRect convertRectFromView(NSRect rect, NSView* view);
  NSRect convertRectToView(NSRect rect, NSView* view);
  // The deepest visible view under point (in the superview's coordinates),
  // or null.
  virtual NSView* hitTest(NSPoint point);

  virtual BOOL acceptsFirstMouse(NSEvent*) { return NO; }

  // Tracking areas (retained).
  virtual void updateTrackingAreas() {}
  void addTrackingArea(NSTrackingArea* area);
  void removeTrackingArea(NSTrackingArea* area);
  NSArray* trackingAreas() const;  // autoreleased

  // Tooltip areas; the owner is not retained.
  NSToolTipTag addToolTipRect(NSRect rect, NSViewToolTipOwner* owner, void* userData);
  void removeToolTip(NSToolTipTag tag);
  void removeAllToolTips();
  struct ToolTipArea {
    NSToolTipTag tag;
    NSRect rect;
    NSViewToolTipOwner* owner;
    void* userData;
  };
  const std::vector<ToolTipArea>& toolTipAreas() const { return toolTips_; }
  // The tooltip text at point (view coordinates): the owner's answer for the
  // topmost area holding the point; nil when none.
  NSString* toolTipAtPoint(NSPoint point);

  // Appearance: the view's own, else its superview's, window's or the
  // application's.
  NSAppearance* appearance() const { return appearance_; }
  void setAppearance(NSAppearance* appearance);
  NSAppearance* effectiveAppearance() const;
  virtual void viewDidChangeEffectiveAppearance() {}
  virtual void viewDidChangeBackingProperties() {}

  // Dragging destination.
  void registerForDraggedTypes(NSArray* types);
  void unregisterDraggedTypes();
  NSArray* registeredDraggedTypes() const { return draggedTypes_; }
  virtual NSDragOperation draggingEntered(NSDraggingInfo* sender);
  virtual NSDragOperation draggingUpdated(NSDraggingInfo* sender);
  virtual void draggingExited(NSDraggingInfo* sender);
  virtual BOOL prepareForDragOperation(NSDraggingInfo* sender);
  virtual BOOL performDragOperation(NSDraggingInfo* sender);

 protected:
  NSView() = default;

 private:
  friend class NSWindow;
  void setWindowRecursively(NSWindow* window);
  void detach();  // removeFromSuperview without the subclass's overrides
  void frameChanged();
  NSPoint pointToSuperview(NSPoint p);
  NSPoint pointFromSuperview(NSPoint p);
  NSPoint pointToBase(NSPoint p);
  NSPoint pointFromBase(NSPoint p);

  NSRect frame_ = NSZeroRect;
  NSView* superview_ = nullptr;
  std::vector<NSView*> subviews_;
  NSWindow* window_ = nullptr;
  bool hidden_ = false;
  bool needsDisplay_ = false;
  bool postsFrameChanged_ = true;
  bool wantsLayer_ = false;
  CALayer* layer_ = nullptr;
  NSViewLayerContentsRedrawPolicy redrawPolicy_ = NSViewLayerContentsRedrawDuringViewResize;
  std::vector<NSTrackingArea*> trackingAreas_;
  std::vector<ToolTipArea> toolTips_;
  NSToolTipTag nextToolTipTag_ = 1;
  NSAppearance* appearance_ = nullptr;
  NSArray* draggedTypes_ = nullptr;
};
