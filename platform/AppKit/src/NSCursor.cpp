#include <map>

#include <AppKit/NSCursor.h>
#include <CoreGraphics/CGDirectDisplay.h>

NS_IMPLEMENT_CLASS(NSCursor, {},
                   {nsx::classMethod<&NSCursor::_windowResizeNorthCursor>("_windowResizeNorthCursor"),
                    nsx::classMethod<&NSCursor::_windowResizeSouthCursor>("_windowResizeSouthCursor"),
                    nsx::classMethod<&NSCursor::_windowResizeEastWestCursor>("_windowResizeEastWestCursor"),
                    nsx::classMethod<&NSCursor::_windowResizeNorthSouthCursor>("_windowResizeNorthSouthCursor"),
                    nsx::classMethod<&NSCursor::_windowResizeNorthWestSouthEastCursor>(
                        "_windowResizeNorthWestSouthEastCursor"),
                    nsx::classMethod<&NSCursor::_windowResizeNorthEastSouthWestCursor>(
                        "_windowResizeNorthEastSouthWestCursor"),
                    nsx::classMethod<&NSCursor::_helpCursor>("_helpCursor"),
                    nsx::classMethod<&NSCursor::helpCursorShown>("helpCursorShown"),
                    nsx::classMethod<&NSCursor::_setHelpCursor>("_setHelpCursor:"),
                    nsx::classMethod<&NSCursor::busyButClickableCursor>("busyButClickableCursor")})

namespace {
NSCursor* g_current = nullptr;
bool g_helpShown = false;
void (*g_hook)(NSCursor*) = nullptr;
}  // namespace

NSCursor* NSCursor::standard(const char* kind) {
  static auto* cursors = new std::map<std::string, NSCursor*>();
  NSCursor*& c = (*cursors)[kind];
  if (c == nullptr) {
    c = allocShared<NSCursor>();
    c->kind_ = kind;
  }
  return c;
}

NSCursor* NSCursor::arrowCursor() { return standard("arrow"); }
NSCursor* NSCursor::IBeamCursor() { return standard("ibeam"); }
NSCursor* NSCursor::crosshairCursor() { return standard("crosshair"); }
NSCursor* NSCursor::closedHandCursor() { return standard("closed-hand"); }
NSCursor* NSCursor::openHandCursor() { return standard("open-hand"); }
NSCursor* NSCursor::pointingHandCursor() { return standard("pointing-hand"); }
NSCursor* NSCursor::resizeLeftCursor() { return standard("resize-left"); }
NSCursor* NSCursor::resizeRightCursor() { return standard("resize-right"); }
NSCursor* NSCursor::resizeLeftRightCursor() { return standard("resize-left-right"); }
NSCursor* NSCursor::resizeUpCursor() { return standard("resize-up"); }
NSCursor* NSCursor::resizeDownCursor() { return standard("resize-down"); }
NSCursor* NSCursor::resizeUpDownCursor() { return standard("resize-up-down"); }
NSCursor* NSCursor::operationNotAllowedCursor() { return standard("not-allowed"); }
NSCursor* NSCursor::dragCopyCursor() { return standard("drag-copy"); }
NSCursor* NSCursor::dragLinkCursor() { return standard("drag-link"); }
NSCursor* NSCursor::contextualMenuCursor() { return standard("contextual-menu"); }
NSCursor* NSCursor::disappearingItemCursor() { return standard("disappearing-item"); }
NSCursor* NSCursor::busyButClickableCursor() { return standard("busy"); }
NSCursor* NSCursor::_windowResizeNorthCursor() { return standard("resize-n"); }
NSCursor* NSCursor::_windowResizeSouthCursor() { return standard("resize-s"); }
NSCursor* NSCursor::_windowResizeEastWestCursor() { return standard("resize-ew"); }
NSCursor* NSCursor::_windowResizeNorthSouthCursor() { return standard("resize-ns"); }
NSCursor* NSCursor::_windowResizeNorthWestSouthEastCursor() { return standard("resize-nwse"); }
NSCursor* NSCursor::_windowResizeNorthEastSouthWestCursor() { return standard("resize-nesw"); }
NSCursor* NSCursor::_helpCursor() { return standard("help"); }
BOOL NSCursor::helpCursorShown() { return g_helpShown; }
void NSCursor::_setHelpCursor(BOOL shown) { g_helpShown = shown; }

NSCursor* NSCursor::currentCursor() { return g_current != nullptr ? g_current : arrowCursor(); }

void NSCursor::hide() { CGDisplayHideCursor(CGMainDisplayID()); }
void NSCursor::unhide() { CGDisplayShowCursor(CGMainDisplayID()); }

NSCursor* NSCursor::initWithImage(NSImage* image, NSPoint hotSpot) {
  image_ = image != nullptr ? static_cast<NSImage*>(image->retain()) : nullptr;
  hotSpot_ = hotSpot;
  kind_ = "image";
  return this;
}

void NSCursor::set() {
  if (g_current == this) return;
  nsx::SetRetained(g_current, this);
  if (g_hook != nullptr) g_hook(this);
}

void NSCursor::dealloc() {
  if (image_ != nullptr) image_->release();
  NSObject::dealloc();
}

namespace nsx {
void SetCursorChangedHook(void (*hook)(NSCursor* cursor)) { g_hook = hook; }
}  // namespace nsx
