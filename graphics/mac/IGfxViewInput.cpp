// The editor view's input: pointer positions in editor units with buttons and modifiers,
// presses (odd click counts) and double clicks (even ones), drags with their movement, the
// mouse-out deferred until a drag ends, the wheel, and keys through the key map.

#include <cmath>

#include "graphics/mac/IGfxView.h"

#include "graphics/mac/IGfxMac.h"
#include "graphics/mac/MacKeyCodes.h"

namespace fx::gfx {

namespace {

// The tracking area's options: entered and exited, always active, also during drags.
constexpr NSTrackingAreaOptions kTrackingOptions =
  NSTrackingMouseEnteredAndExited | NSTrackingActiveAlways | NSTrackingEnabledDuringMouseDrag;

// c as UTF-8 into out (5 bytes); "" for none and for a lone surrogate half.
void EncodeUTF8(unichar c, char* out)
{
  out[0] = out[1] = out[2] = out[3] = out[4] = 0;
  if (c == 0 || (c >= 0xD800 && c <= 0xDFFF)) return;
  if (c < 0x80)
  {
    out[0] = static_cast<char>(c);
  }
  else if (c < 0x800)
  {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
  }
  else
  {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
  }
}

} // namespace

// ---------------------------------------------------------------------------------- Position

bool IGfxView_vORBEX9_au::getMouseXY(NSEvent* event, float& x, float& y)
{
  if (!mGraphics || !event) return false;
  const NSPoint p = convertPointFromView(event->locationInWindow(), nullptr);
  const float scale = mGraphics->GetDrawScale();
  mGraphics->DoCursorLock(static_cast<float>(p.x) / scale, static_cast<float>(p.y) / scale, mPrevX, mPrevY);
  x = mPrevX;
  y = mPrevY;
  mGraphics->SetTabletInput(event->subtype() == NSEventSubtypeTabletPoint);
  return true;
}

void IGfxView_vORBEX9_au::pointerMod(NSEvent* event, IMouseMod& mod)
{
  const NSEventModifierFlags flags = event->modifierFlags();
  mod.S = (flags & NSEventModifierFlagShift) != 0;
  mod.C = (flags & NSEventModifierFlagControl) != 0;
  mod.A = (flags & NSEventModifierFlagOption) != 0;
}

IMouseInfo IGfxView_vORBEX9_au::getMouseLeft(NSEvent* event)
{
  IMouseInfo info;
  if (!getMouseXY(event, info.x, info.y)) return info;
  const NSEventType type = event->type();
  info.ms.L = type == NSEventTypeLeftMouseDown || type == NSEventTypeLeftMouseDragged;
  // A command-click is a right click.
  info.ms.R = (event->modifierFlags() & NSEventModifierFlagCommand) != 0;
  pointerMod(event, info.ms);
  return info;
}

IMouseInfo IGfxView_vORBEX9_au::getMouseRight(NSEvent* event)
{
  IMouseInfo info;
  if (!getMouseXY(event, info.x, info.y)) return info;
  info.ms.L = false;
  info.ms.R = true;
  pointerMod(event, info.ms);
  return info;
}

// ---------------------------------------------------------------------------------- Pointer

void IGfxView_vORBEX9_au::updateTrackingAreas()
{
  NSView::updateTrackingAreas();
  if (mTrackingArea)
  {
    removeTrackingArea(mTrackingArea);
    mTrackingArea->release();
  }
  mTrackingArea = NSTrackingArea::alloc()->initWithRect(bounds(), kTrackingOptions, this, nullptr);
  addTrackingArea(mTrackingArea);
}

void IGfxView_vORBEX9_au::mouseEntered(NSEvent*)
{
  mMouseOutDuringDrag = NO;
  if (mGraphics) mGraphics->SetMouseCursor(mGraphics->GetCursorType());
}

void IGfxView_vORBEX9_au::mouseExited(NSEvent*)
{
  if (!mGraphics) return;
  // Leaving during a drag: the mouse-out waits for the release.
  if (mGraphics->ControlIsCaptured())
    mMouseOutDuringDrag = YES;
  else
    mGraphics->OnMouseOut();
}

void IGfxView_vORBEX9_au::pressed(NSEvent* event, bool right)
{
  const IMouseInfo info = right ? getMouseRight(event) : getMouseLeft(event);
  if (!mGraphics) return;
  // The second click of a double click (the fourth ...) is a double click.
  const NSInteger clicks = event->clickCount();
  if (clicks <= 1 || clicks % 2 == 1)
    mGraphics->OnMouseDown({info});
  else
    mGraphics->OnMouseDblClick(info.x, info.y, info.ms);
}

void IGfxView_vORBEX9_au::mouseDown(NSEvent* event) { pressed(event, false); }

void IGfxView_vORBEX9_au::mouseUp(NSEvent* event)
{
  const IMouseInfo info = getMouseLeft(event);
  if (!mGraphics) return;
  mGraphics->OnMouseUp({info});
  if (mMouseOutDuringDrag && mGraphics)
  {
    mGraphics->OnMouseOut();
    mMouseOutDuringDrag = NO;
  }
}

void IGfxView_vORBEX9_au::dragged(NSEvent* event, bool right)
{
  const float prevX = mPrevX, prevY = mPrevY;
  IMouseInfo info = right ? getMouseRight(event) : getMouseLeft(event);
  if (!mGraphics) return;
  // While a value is typed into the platform's text field the pointer changes nothing.
  const bool typing = right ? mTextFieldView != nullptr
                            : (mGraphics->GetControlInTextEntry() && !mGraphics->GetTextEntryControl());
  if (typing) return;
  if (mGraphics->CursorIsHidden() && mGraphics->CursorIsLocked() && !mGraphics->GetTabletInput())
  {
    // The locked cursor is put back after every move, so the position no longer moves: the
    // movement is the event's own, in editor units.
    const float scale = mGraphics->GetDrawScale();
    const double dx = event->deltaX(), dy = event->deltaY();
    info.dX = std::isfinite(dx) ? static_cast<float>(dx) / scale : 0.f;
    info.dY = std::isfinite(dy) ? static_cast<float>(dy) / scale : 0.f;
  }
  else
  {
    info.dX = info.x - prevX;
    info.dY = info.y - prevY;
  }
  mGraphics->OnMouseDrag({info});
}

void IGfxView_vORBEX9_au::mouseDragged(NSEvent* event) { dragged(event, false); }

void IGfxView_vORBEX9_au::rightMouseDown(NSEvent* event) { pressed(event, true); }

void IGfxView_vORBEX9_au::rightMouseUp(NSEvent* event)
{
  const IMouseInfo info = getMouseRight(event);
  if (mGraphics) mGraphics->OnMouseUp({info});
}

void IGfxView_vORBEX9_au::rightMouseDragged(NSEvent* event) { dragged(event, true); }

void IGfxView_vORBEX9_au::mouseMoved(NSEvent* event)
{
  const IMouseInfo info = getMouseLeft(event);
  if (mGraphics) mGraphics->OnMouseOver(info.x, info.y, info.ms);
}

void IGfxView_vORBEX9_au::scrollWheel(NSEvent* event)
{
  // Turning the wheel discards a value being typed.
  endUserInput();
  const IMouseInfo info = getMouseLeft(event);
  if (mGraphics) mGraphics->OnMouseWheel(info.x, info.y, info.ms, static_cast<float>(event->deltaY()));
}

// ---------------------------------------------------------------------------------- Keys

void IGfxView_vORBEX9_au::key(NSEvent* event, bool up)
{
  bool handled = false;
  if (mGraphics && event)
  {
    int flags = 0;
    const int virtualKey = MacKeyCodeToVirtualKey(event, flags);
    NSString* chars = event->charactersIgnoringModifiers();
    char utf8[IKeyPress::kUtf8Len];
    EncodeUTF8(chars && chars->length() == 1 ? chars->characterAtIndex(0) : 0, utf8);
    const IKeyPress press(utf8, (flags & kMacKeyValid) ? virtualKey : 0, (flags & kMacKeyShift) != 0,
                          (flags & kMacKeyCommand) != 0, (flags & kMacKeyOption) != 0);
    handled = up ? mGraphics->OnKeyUp(mPrevX, mPrevY, press) : mGraphics->OnKeyDown(mPrevX, mPrevY, press);
    // While a value is typed into the editor's own text entry the keyboard is the editor's: a
    // key it refuses (a shortcut such as Ctrl+W) must not reach the host and close the window.
    if (mGraphics->GetControlInTextEntry() && mGraphics->GetTextEntryControl()) handled = true;
  }
  // A key the editor does not take goes on to the host.
  if (handled || !nextResponder()) return;
  if (up)
    nextResponder()->keyUp(event);
  else
    nextResponder()->keyDown(event);
}

void IGfxView_vORBEX9_au::keyDown(NSEvent* event) { key(event, false); }

void IGfxView_vORBEX9_au::keyUp(NSEvent* event) { key(event, true); }

}  // namespace fx::gfx
