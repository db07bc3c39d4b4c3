#include <algorithm>

#include <AppKit/NSAppearance.h>
#include <AppKit/NSApplication.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSTrackingArea.h>
#include <AppKit/NSView.h>
#include <AppKit/NSWindow.h>

#include "AppKitInternal.h"

NS_IMPLEMENT_CLASS(NSView)

NSNotificationName const NSViewFrameDidChangeNotification = nsx::ConstantString("NSViewFrameDidChangeNotification");

NSView* NSView::initWithFrame(NSRect frame) {
  frame_ = frame;
  return this;
}

void NSView::dealloc() {
  for (NSView* v : subviews_) {
    v->superview_ = nullptr;
    v->setNextResponder(nullptr);
    v->release();
  }
  subviews_.clear();
  for (NSTrackingArea* a : trackingAreas_) a->release();
  trackingAreas_.clear();
  toolTips_.clear();
  if (layer_ != nullptr) layer_->release();
  layer_ = nullptr;
  if (appearance_ != nullptr) appearance_->release();
  if (draggedTypes_ != nullptr) draggedTypes_->release();
  NSResponder::dealloc();
}

void NSView::frameChanged() {
  if (layer_ != nullptr) layer_->setBounds(bounds());
  if (window_ != nullptr) updateTrackingAreas();
  if (postsFrameChanged_)
    NSNotificationCenter::defaultCenter()->postNotificationName(NSViewFrameDidChangeNotification, this);
}

void NSView::setFrame(NSRect frame) {
  const bool changed = !NSEqualRects(frame, frame_);
  frame_ = frame;
  if (changed) frameChanged();
}

void NSView::setFrameSize(NSSize size) { setFrame(NSMakeRect(frame_.origin.x, frame_.origin.y, size.width, size.height)); }

void NSView::setFrameOrigin(NSPoint origin) {
  setFrame(NSMakeRect(origin.x, origin.y, frame_.size.width, frame_.size.height));
}

NSArray* NSView::subviews() const { return NSArray::arrayWithVector(std::vector<id>(subviews_.begin(), subviews_.end())); }

BOOL NSView::isDescendantOf(NSView* view) const {
  for (const NSView* v = this; v != nullptr; v = v->superview_)
    if (v == view) return YES;
  return NO;
}

void NSView::setWindowRecursively(NSWindow* window) {
  std::vector<NSView*> views;
  appkit::ForEachView(this, [&](NSView* v) { views.push_back(v); });
  for (NSView* v : views) v->retain();
  for (NSView* v : views) v->viewWillMoveToWindow(window);
  for (NSView* v : views) v->window_ = window;
  for (NSView* v : views) v->viewDidMoveToWindow();
  if (window != nullptr)
    for (NSView* v : views) v->updateTrackingAreas();
  for (NSView* v : views) v->release();
}

void NSView::addSubview(NSView* view) {
  if (view == nullptr || view == this || isDescendantOf(view)) return;
  view->retain();
  view->detach();
  view->viewWillMoveToSuperview(this);
  subviews_.push_back(view);
  view->superview_ = this;
  view->setNextResponder(this);
  if (view->window_ != window_) view->setWindowRecursively(window_);
  view->viewDidMoveToSuperview();
}

void NSView::removeFromSuperview() { detach(); }

void NSView::detach() {
  if (superview_ == nullptr) {
    // The content view leaves its window.
    if (window_ != nullptr && window_->contentView() == this) window_->setContentView(nullptr);
    return;
  }
  retain();
  viewWillMoveToSuperview(nullptr);
  if (window_ != nullptr) {
    window_->viewRemoved(this);
    setWindowRecursively(nullptr);
  }
  NSView* parent = superview_;
  auto it = std::find(parent->subviews_.begin(), parent->subviews_.end(), this);
  if (it != parent->subviews_.end()) {
    parent->subviews_.erase(it);
    release();  // the superview's reference
  }
  superview_ = nullptr;
  setNextResponder(nullptr);
  viewDidMoveToSuperview();
  release();
}

void NSView::viewWillMoveToWindow(NSWindow*) {}
void NSView::viewDidMoveToWindow() {}
void NSView::viewWillMoveToSuperview(NSView*) {}
void NSView::viewDidMoveToSuperview() {}

void NSView::setHidden(BOOL hidden) { hidden_ = hidden; }

void NSView::drawRect(NSRect) {}

void NSView::displayIfNeeded() {
  if (!needsDisplay_) return;
  needsDisplay_ = false;
  drawRect(bounds());
}

void NSView::setWantsLayer(BOOL wants) {
  wantsLayer_ = wants;
  if (wants && layer_ == nullptr) {
    layer_ = makeBackingLayer();
    if (layer_ != nullptr) layer_->setBounds(bounds());
  }
}

void NSView::setLayer(CALayer* layer) {
  if (layer == layer_) return;
  if (layer != nullptr) {
    layer->retain();
    layer->setBounds(bounds());
  }
  if (layer_ != nullptr) layer_->release();
  layer_ = layer;
}

CALayer* NSView::makeBackingLayer() { return CALayer::layer(); }

// A point of this view in its superview (or, for the top view, the window's
// base system, which is not flipped).
NSPoint NSView::pointToSuperview(NSPoint p) {
  const bool superFlipped = superview_ != nullptr && superview_->isFlipped();
  const CGFloat y = (isFlipped() == superFlipped) ? frame_.origin.y + p.y : frame_.origin.y + frame_.size.height - p.y;
  return NSMakePoint(frame_.origin.x + p.x, y);
}

NSPoint NSView::pointFromSuperview(NSPoint q) {
  const bool superFlipped = superview_ != nullptr && superview_->isFlipped();
  const CGFloat y = (isFlipped() == superFlipped) ? q.y - frame_.origin.y : frame_.size.height - (q.y - frame_.origin.y);
  return NSMakePoint(q.x - frame_.origin.x, y);
}

NSPoint NSView::pointToBase(NSPoint p) {
  for (NSView* v = this; v != nullptr; v = v->superview_) p = v->pointToSuperview(p);
  return p;
}

NSPoint NSView::pointFromBase(NSPoint p) {
  std::vector<NSView*> chain;
  for (NSView* v = this; v != nullptr; v = v->superview_) chain.push_back(v);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = (*it)->pointFromSuperview(p);
  return p;
}

NSPoint NSView::convertPointFromView(NSPoint point, NSView* view) {
  return pointFromBase(view != nullptr ? view->pointToBase(point) : point);
}

NSPoint NSView::convertPointToView(NSPoint point, NSView* view) {
  const NSPoint base = pointToBase(point);
  return view != nullptr ? view->pointFromBase(base) : base;
}

NSRect NSView::convertRectFromView(NSRect rect, NSView* view) {
  const NSPoint a = convertPointFromView(rect.origin, view);
  const NSPoint b = convertPointFromView(NSMakePoint(NSMaxX(rect), NSMaxY(rect)), view);
  return CGRectStandardize(NSMakeRect(a.x, a.y, b.x - a.x, b.y - a.y));
}

NSRect NSView::convertRectToView(NSRect rect, NSView* view) {
  const NSPoint a = convertPointToView(rect.origin, view);
  const NSPoint b = convertPointToView(NSMakePoint(NSMaxX(rect), NSMaxY(rect)), view);
  return CGRectStandardize(NSMakeRect(a.x, a.y, b.x - a.x, b.y - a.y));
}

NSView* NSView::hitTest(NSPoint point) {
  if (hidden_) return nullptr;
  const NSPoint local = pointFromSuperview(point);
  if (!NSMouseInRect(local, bounds(), isFlipped())) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it)
    if (NSView* hit = (*it)->hitTest(local)) return hit;
  return this;
}

void NSView::addTrackingArea(NSTrackingArea* area) {
  if (area == nullptr || std::find(trackingAreas_.begin(), trackingAreas_.end(), area) != trackingAreas_.end()) return;
  trackingAreas_.push_back(static_cast<NSTrackingArea*>(area->retain()));
}

void NSView::removeTrackingArea(NSTrackingArea* area) {
  auto it = std::find(trackingAreas_.begin(), trackingAreas_.end(), area);
  if (it == trackingAreas_.end()) return;
  trackingAreas_.erase(it);
  area->release();
}

NSArray* NSView::trackingAreas() const {
  return NSArray::arrayWithVector(std::vector<id>(trackingAreas_.begin(), trackingAreas_.end()));
}

NSToolTipTag NSView::addToolTipRect(NSRect rect, NSViewToolTipOwner* owner, void* userData) {
  if (owner == nullptr) return 0;
  const NSToolTipTag tag = nextToolTipTag_++;
  toolTips_.push_back(ToolTipArea{tag, rect, owner, userData});
  return tag;
}

void NSView::removeToolTip(NSToolTipTag tag) {
  toolTips_.erase(std::remove_if(toolTips_.begin(), toolTips_.end(), [&](const ToolTipArea& a) { return a.tag == tag; }),
                  toolTips_.end());
}

void NSView::removeAllToolTips() { toolTips_.clear(); }

NSString* NSView::toolTipAtPoint(NSPoint point) {
  for (auto it = toolTips_.rbegin(); it != toolTips_.rend(); ++it)
    if (NSMouseInRect(point, it->rect, isFlipped())) return it->owner->stringForToolTip(this, it->tag, point, it->userData);
  return nullptr;
}

void NSView::setAppearance(NSAppearance* appearance) {
  if (appearance == appearance_) return;
  nsx::SetRetained(appearance_, appearance);
  appkit::ForEachView(this, [](NSView* v) { v->viewDidChangeEffectiveAppearance(); });
}

NSAppearance* NSView::effectiveAppearance() const {
  for (const NSView* v = this; v != nullptr; v = v->superview_)
    if (v->appearance_ != nullptr) return v->appearance_;
  return window_ != nullptr ? window_->effectiveAppearance() : NSApp->effectiveAppearance();
}

void NSView::registerForDraggedTypes(NSArray* types) { nsx::SetRetained(draggedTypes_, types); }

void NSView::unregisterDraggedTypes() { registerForDraggedTypes(nullptr); }

NSDragOperation NSView::draggingEntered(NSDraggingInfo*) { return NSDragOperationNone; }
NSDragOperation NSView::draggingUpdated(NSDraggingInfo* sender) { return draggingEntered(sender); }
void NSView::draggingExited(NSDraggingInfo*) {}
BOOL NSView::prepareForDragOperation(NSDraggingInfo*) { return YES; }
BOOL NSView::performDragOperation(NSDraggingInfo*) { return NO; }

namespace appkit {
void ForEachView(NSView* view, const std::function<void(NSView*)>& visit) {
  if (view == nullptr) return;
  visit(view);
  const std::vector<NSView*> children = view->subviewList();
  for (NSView* v : children) ForEachView(v, visit);
}
}  // namespace appkit
