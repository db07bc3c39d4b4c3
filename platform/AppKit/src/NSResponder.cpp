#include <atomic>

#include <AppKit/NSEvent.h>

NS_IMPLEMENT_CLASS(NSResponder)

namespace {
std::atomic<int> g_beeps{0};
}  // namespace

void NSBeep() { g_beeps.fetch_add(1, std::memory_order_relaxed); }
namespace nsx {
int BeepCount() { return g_beeps.load(std::memory_order_relaxed); }
}  // namespace nsx

#define NS_PASS_ON(method)                                   \
  void NSResponder::method(NSEvent* event) {                 \
    if (nextResponder_ != nullptr) nextResponder_->method(event); \
  }
NS_PASS_ON(mouseDown)
NS_PASS_ON(mouseUp)
NS_PASS_ON(mouseDragged)
NS_PASS_ON(rightMouseDown)
NS_PASS_ON(rightMouseUp)
NS_PASS_ON(rightMouseDragged)
NS_PASS_ON(otherMouseDown)
NS_PASS_ON(otherMouseUp)
NS_PASS_ON(otherMouseDragged)
NS_PASS_ON(mouseMoved)
NS_PASS_ON(mouseEntered)
NS_PASS_ON(mouseExited)
NS_PASS_ON(cursorUpdate)
NS_PASS_ON(scrollWheel)
NS_PASS_ON(keyDown)
NS_PASS_ON(keyUp)
NS_PASS_ON(flagsChanged)
#undef NS_PASS_ON

void NSResponder::doCommandBySelector(SEL selector) {
  if (!tryToPerform(selector, nil)) NSBeep();
}

BOOL NSResponder::tryToPerform(SEL selector, id argument) {
  for (NSResponder* r = this; r != nullptr; r = r->nextResponder_) {
    if (r->respondsToSelector(selector)) {
      r->performSelector(selector, argument);
      return YES;
    }
  }
  return NO;
}
