// The editor view's cursors: the system cursor of each kind a control asks for, the private
// resize and help cursors where the system has them, and the move cursor built once.

#include "graphics/mac/IGfxView.h"

#include "graphics/mac/MoveCursor.h"

namespace fx::gfx {

namespace {

// A private cursor of NSCursor reached by name, or null when the system has none.
NSCursor* PrivateCursor(const char* selector)
{
  const SEL sel = sel_registerName(selector);
  Class cls = NSCursor::class_();
  return cls && cls->respondsToSelector(sel) ? static_cast<NSCursor*>(cls->performSelector(sel)) : nullptr;
}

NSCursor* Either(NSCursor* preferred, NSCursor* fallback) { return preferred ? preferred : fallback; }

} // namespace

NSCursor* IGfxView_vORBEX9_au::makeMoveCursor()
{
  if (!mMoveCursor && !mMoveCursorTried)
  {
    mMoveCursorTried = YES;
    mMoveCursor = BuildMoveCursor(kSystemCursorFolder);
  }
  return mMoveCursor;
}

void IGfxView_vORBEX9_au::setMouseCursor(ECursor cursorType)
{
  Class cls = NSCursor::class_();
  if (cursorType != kHelpCursor && cls)
  {
    const SEL shown = sel_registerName("helpCursorShown");
    if (cls->respondsToSelector(shown) && cls->performSelector(shown))
      cls->performSelector(sel_registerName("_setHelpCursor:"), nullptr);
  }

  NSCursor* cursor = nullptr;
  switch (cursorType)
  {
    case kIBeamCursor: cursor = NSCursor::IBeamCursor(); break;
    case kWaitCursor:
    case kAppStartingCursor: cursor = NSCursor::busyButClickableCursor(); break;
    case kCrossCursor: cursor = NSCursor::crosshairCursor(); break;
    case kUpArrowCursor: cursor = Either(PrivateCursor("_windowResizeNorthCursor"), NSCursor::resizeUpCursor()); break;
    case kSizeNWSECursor: cursor = PrivateCursor("_windowResizeNorthWestSouthEastCursor"); break;
    case kSizeNESWCursor: cursor = PrivateCursor("_windowResizeNorthEastSouthWestCursor"); break;
    case kSizeWECursor: cursor = Either(PrivateCursor("_windowResizeEastWestCursor"), NSCursor::resizeLeftRightCursor()); break;
    case kSizeNSCursor: cursor = Either(PrivateCursor("_windowResizeNorthSouthCursor"), NSCursor::resizeUpDownCursor()); break;
    case kSizeAllCursor: cursor = makeMoveCursor(); break;
    case kNoCursor: cursor = NSCursor::operationNotAllowedCursor(); break;
    case kHandCursor: cursor = NSCursor::pointingHandCursor(); break;
    case kHelpCursor: cursor = PrivateCursor("_helpCursor"); break;
    default: break;
  }
  Either(cursor, NSCursor::arrowCursor())->set();
}

}  // namespace fx::gfx
