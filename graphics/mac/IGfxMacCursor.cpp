// The macOS editor object's cursor: its position in editor units, hiding and locking (a hidden,
// locked cursor is put back where it was hidden after every move), warping and kinds.

#include "graphics/mac/IGfxMac.h"

#include <AppKit/AppKit.h>
#include <CoreGraphics/CGDirectDisplay.h>
#include <CoreGraphics/CGRemoteOperation.h>

#include <cmath>

#include "graphics/mac/IGfxView.h"

namespace fx::gfx {

namespace {

// Moves the cursor to a screen point (bottom-left origin) without the mouse following.
void WarpCursor(CGPoint screen)
{
  const CGDirectDisplayID display = CGMainDisplayID();
  const CGPoint p{screen.x, static_cast<CGFloat>(CGDisplayPixelsHigh(display)) - screen.y};
  CGAssociateMouseAndMouseCursorPosition(false);
  CGDisplayMoveCursorToPoint(display, p);
  CGAssociateMouseAndMouseCursorPosition(true);
}

} // namespace

CGPoint IGfxMac::ViewToScreen(float x, float y) const
{
  if (!mView) return CGPoint{x, y};
  const NSPoint inWindow = mView->convertPointToView(NSMakePoint(x * GetDrawScale(), y * GetDrawScale()), nullptr);
  NSWindow* window = mView->window();
  if (!window) return inWindow;
  return window->convertRectToScreen(NSMakeRect(inWindow.x, inWindow.y, 0, 0)).origin;
}

void IGfxMac::ScreenToView(CGPoint screen, float& x, float& y) const
{
  NSWindow* window = mView ? mView->window() : nullptr;
  if (!window)
  {
    x = y = 0.f;
    return;
  }
  const NSPoint inWindow = window->convertRectFromScreen(NSMakeRect(screen.x, screen.y, 0, 0)).origin;
  const NSPoint inView = mView->convertPointFromView(inWindow, nullptr);
  x = static_cast<float>(inView.x / GetDrawScale());
  y = static_cast<float>(inView.y / GetDrawScale());
}

void IGfxMac::GetMouseLocation(float& x, float& y) const
{
  const NSPoint p = NSEvent::mouseLocation();
  if (mView)
  {
    ScreenToView(p, x, y);
    return;
  }
  x = static_cast<float>(p.x);
  y = static_cast<float>(p.y);
}

void IGfxMac::StoreCursorPosition()
{
  const NSPoint p = NSEvent::mouseLocation();
  mCursorScreenPoint = CGPoint{std::round(p.x), std::round(p.y)};
  mCursorX = static_cast<float>(mCursorScreenPoint.x);
  mCursorY = static_cast<float>(mCursorScreenPoint.y);
  if (mView && mView->window()) ScreenToView(mCursorScreenPoint, mCursorX, mCursorY);
}

void IGfxMac::WarpCursorToStoredPoint() { WarpCursor(mCursorScreenPoint); }

void IGfxMac::DoCursorLock(float x, float y, float& outX, float& outY)
{
  if (mCursorHidden && mCursorLock && !mTabletInput)
  {
    WarpCursorToStoredPoint();
    outX = mCursorX;
    outY = mCursorY;
    return;
  }
  mCursorX = outX = x;
  mCursorY = outY = y;
}

void IGfxMac::HideMouseCursor(bool hide, bool lock)
{
  if (hide == mCursorHidden) return;
  const CGDirectDisplayID display = CGMainDisplayID();
  if (hide)
  {
    StoreCursorPosition();
    CGDisplayHideCursor(display);
    SetCursorHidden(true, lock);
    return;
  }
  // A locked cursor shows again where it was hidden.
  if (mCursorLock && !mTabletInput) WarpCursorToStoredPoint();
  CGDisplayShowCursor(display);
  SetCursorHidden(false, false);
}

void IGfxMac::MoveMouseCursor(float x, float y)
{
  if (mTabletInput) return;
  WarpCursor(ViewToScreen(x, y));
  StoreCursorPosition();
}

ECursor IGfxMac::SetMouseCursor(ECursor cursorType)
{
  if (mView) mView->setMouseCursor(cursorType);
  return IGfx::SetMouseCursor(cursorType);
}

} // namespace fx::gfx
