// A view that logs what reaches it, and helpers that send events to a
// window the way the system would.
#pragma once

#include <AppKit/AppKit.h>
#include <QuartzCore/QuartzCore.h>

#include <cstdio>
#include <string>
#include <vector>

namespace appkit_test {

class LogView : public NSView, public NSViewToolTipOwner {
  NS_CLASS(LogView, NSView)
 public:
  std::vector<std::string> log;
  bool flipped = true;
  bool acceptsFirst = true;
  NSTrackingAreaOptions trackingOptions = 0;  // 0: no tracking area
  NSTrackingArea* area = nullptr;

  LogView* initWithFrame(NSRect frame) override {
    NSView::initWithFrame(frame);
    return this;
  }
  BOOL isFlipped() override { return flipped; }
  BOOL acceptsFirstResponder() override { return acceptsFirst; }
  BOOL acceptsFirstMouse(NSEvent*) override { return YES; }
  void mouseDown(NSEvent* e) override { record("down", e); }
  void mouseUp(NSEvent* e) override { record("up", e); }
  void mouseDragged(NSEvent* e) override { record("drag", e); }
  void rightMouseDown(NSEvent* e) override { record("rdown", e); }
  void mouseMoved(NSEvent* e) override { record("move", e); }
  void mouseEntered(NSEvent* e) override { record("enter", e); }
  void mouseExited(NSEvent* e) override { record("exit", e); }
  void scrollWheel(NSEvent* e) override {
    char text[64];
    std::snprintf(text, sizeof text, "wheel %g", e->deltaY());
    log.push_back(text);
  }
  void keyDown(NSEvent* e) override {
    if (passKeys) {
      NSView::keyDown(e);
      return;
    }
    log.push_back("key " + std::to_string(e->keyCode()) + " " + e->characters()->utf8() +
                  ((e->modifierFlags() & NSEventModifierFlagShift) ? " shift" : ""));
  }
  bool passKeys = false;
  void updateTrackingAreas() override {
    if (trackingOptions == 0) return;
    if (area != nullptr) {
      removeTrackingArea(area);
      area->release();
    }
    area = NSTrackingArea::alloc()->initWithRect(bounds(), trackingOptions, this, nil);
    addTrackingArea(area);
  }
  void viewDidChangeBackingProperties() override { log.push_back("backing"); }
  void viewDidChangeEffectiveAppearance() override { log.push_back("appearance"); }
  NSString* stringForToolTip(NSView*, NSToolTipTag tag, NSPoint p, void*) override {
    char text[64];
    std::snprintf(text, sizeof text, "tip%ld %g,%g", static_cast<long>(tag), p.x, p.y);
    return nsx::Str(text);
  }
  NSDragOperation draggingEntered(NSDraggingInfo*) override { return NSDragOperationGeneric; }
  BOOL performDragOperation(NSDraggingInfo* info) override {
    auto* files = static_cast<NSArray*>(info->draggingPasteboard()->propertyListForType(NSFilenamesPboardType));
    log.push_back("drop " + static_cast<NSString*>(files->firstObject())->utf8());
    return YES;
  }
  void dealloc() override {
    if (area != nullptr) area->release();
    NSView::dealloc();
  }
  bool saw(const std::string& prefix) const {
    for (const std::string& l : log)
      if (l.rfind(prefix, 0) == 0) return true;
    return false;
  }

 protected:
  void record(const char* what, NSEvent* e) {
    const NSPoint p = convertPointFromView(e->locationInWindow(), nullptr);
    char text[96];
    std::snprintf(text, sizeof text, "%s %g,%g", what, p.x, p.y);
    std::string line = text;
    if (e->clickCount() > 0) line += " x" + std::to_string(e->clickCount());
    log.push_back(line);
  }
};

inline void Mouse(NSWindow* w, NSEventType type, double x, double y, NSInteger clicks = 1, NSEventModifierFlags flags = 0) {
  w->sendEvent(NSEvent::mouseEventWithType(type, NSMakePoint(x, y), flags, 0, w->windowNumber(), nil, 0, clicks, 1));
}

inline void Key(NSWindow* w, unsigned short code, NSEventModifierFlags flags = 0) {
  w->sendEvent(nsx::KeyEvent(NSEventTypeKeyDown, code, flags, w->windowNumber()));
  w->sendEvent(nsx::KeyEvent(NSEventTypeKeyUp, code, flags, w->windowNumber()));
}

// Types ASCII text key by key.
inline void Type(NSWindow* w, const std::string& text) {
  for (char c : text) {
    NSEventModifierFlags flags = 0;
    const unsigned short code = nsx::KeyCodeForCharacter(static_cast<unichar>(c), &flags);
    Key(w, code, flags);
  }
}

}  // namespace appkit_test
