// The desktop window through SDL: one shown NSWindow, its picture composed
// from the views' Metal layers and text fields, and the person's input
// turned into NSEvents.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

#include <AppKit/NSControl.h>
#include <AppKit/NSCursor.h>
#include <AppKit/NSDesktop.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSColor.h>
#include <AppKit/NSFont.h>
#include <CoreFoundation/CFManualClock.h>
#include <CoreGraphics/CGCursorRecord.h>
#include <QuartzCore/CAMetalLayer.h>

#include "AppKitInternal.h"
#include "Desktop.h"
#include "DesktopClicks.h"
#include "DesktopPanelWindow.h"
#include "DesktopPointer.h"
#include "DesktopX11.h"

namespace appkit {
unsigned short KeyCodeOfScancode(int scancode);
NSEventModifierFlags FlagsOfKeyMods(int mods);
}  // namespace appkit

namespace {

using appkit::Canvas;
using appkit::Rgba;

struct Shown {
  NSWindow* window = nullptr;  // retained
  SDL_Window* sdl = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int textureW = 0, textureH = 0;
  Canvas canvas;
  bool closed = false;
  NSSize content{0, 0};
  NSPoint origin{0, 0};  // of the NSWindow's frame, as the desktop window was last placed
  // An overlay ended: the window is told where the pointer now is.
  bool pointerDue = false;
  // Tooltip: where the pointer rests since when.
  double pointerX = -1, pointerY = -1;
  double restSince = 0;
  std::string tooltip;
  double lastPresent = 0;
  appkit::Overlay* overlay = nullptr;
  appkit::PanelWindow* panel = nullptr;  // the overlay's own window, while it has one
  // The person's pointer apart from the program's warps, and the warps seen.
  appkit::PointerTracker pointer{[this](double x, double y) {
    SDL_WarpMouseInWindow(sdl, static_cast<int>(x), static_cast<int>(y));
  }};
  int warps = 0;
  // Click counts by the desktop's time of each press (where it tells it: X11).
  appkit::ClickCounter clicks;
  uint32_t pressMs = 0;
  bool pressMsKnown = false;
  // The modifiers held as of the event being handled. SDL's own state is that of the last event
  // it read, which may lie further on in the queue (a fine drag's last move, then Shift let go).
  Uint16 mods = KMOD_NONE;
};

bool g_videoReady = false;
Shown* g_shown = nullptr;

std::map<std::string, SDL_Cursor*>* g_cursors = nullptr;
SDL_Cursor* g_imageCursor = nullptr;

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

CGFloat Scale() { return NSScreen::mainScreen()->backingScaleFactor(); }

bool InitVideo() {
  if (g_videoReady) return true;
  const char* headless = std::getenv("ORBEX_HEADLESS");
  if (headless != nullptr && *headless != '\0') return false;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) return false;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);  // for the X server's time of each press
  g_videoReady = true;
  SDL_Rect bounds;
  if (SDL_GetDisplayBounds(0, &bounds) == 0)
    nsx::SetMainScreen(NSMakeSize(bounds.w, bounds.h), NSScreen::mainScreen()->backingScaleFactor());
  return true;
}

// Where the window's content lies on the screen in desktop coordinates.
void PlaceWindow(Shown& s) {
  const NSRect f = s.window->frame();
  s.origin = f.origin;
  const CGFloat screenH = NSScreen::mainScreen()->frame().size.height;
  SDL_SetWindowPosition(s.sdl, static_cast<int>(f.origin.x), static_cast<int>(screenH - f.origin.y - f.size.height));
}

// Tells the pointer tracker where the screen lies around the window: the
// union of the displays, in window points.
void FollowScreen(Shown& s) {
  SDL_Rect all{0, 0, 0, 0};
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(i, &r) == 0) SDL_UnionRect(&all, &r, &all);
  }
  int wx = 0, wy = 0;
  SDL_GetWindowPosition(s.sdl, &wx, &wy);
  s.pointer.setScreen(CGRect{{double(all.x - wx), double(all.y - wy)}, {double(all.w), double(all.h)}});
}

Rgba ColorOf(NSColor* c, Rgba fallback) {
  if (c == nullptr) return fallback;
  auto u = [](CGFloat v) { return static_cast<uint8_t>(std::lround(v * 255)); };
  return Rgba{u(c->redComponent()), u(c->greenComponent()), u(c->blueComponent()), u(c->alphaComponent())};
}

// A view's rectangle in canvas pixels.
SDL_Rect PixelRect(Shown& s, NSView* v, NSRect r) {
  const NSRect base = v->convertRectToView(r, nullptr);
  const CGFloat k = Scale();
  const double top = s.content.height - (base.origin.y + base.size.height);
  return SDL_Rect{static_cast<int>(std::floor(base.origin.x * k)), static_cast<int>(std::floor(top * k)),
                  static_cast<int>(std::ceil(base.size.width * k)), static_cast<int>(std::ceil(base.size.height * k))};
}

void DrawMetalLayer(Shown& s, NSView* v, CAMetalLayer* layer) {
  MTLTexture* t = layer->copyPresentedTexture();
  if (t == nullptr) return;
  const int w = static_cast<int>(t->width()), h = static_cast<int>(t->height());
  std::vector<uint8_t> bytes(static_cast<size_t>(w) * h * 4);
  t->getBytes(bytes.data(), static_cast<NSUInteger>(w) * 4, MTLRegionMake2D(0, 0, w, h), 0);
  const bool rgba = t->pixelFormat() == MTLPixelFormatRGBA8Unorm;
  MTLRelease(t);
  const SDL_Rect r = PixelRect(s, v, v->bounds());
  s.canvas.copy(bytes.data(), w, h, w * 4, rgba, r.x, r.y, r.w, r.h);
}

void DrawTextField(Shown& s, NSTextField* field) {
  const SDL_Rect r = PixelRect(s, field, field->bounds());
  const CGFloat k = Scale();
  if (field->drawsBackground()) s.canvas.fill(r.x, r.y, r.w, r.h, ColorOf(field->backgroundColor(), Rgba{255, 255, 255, 255}));
  if (field->isBezeled() || field->isBordered()) s.canvas.outline(r.x, r.y, r.w, r.h, appkit::kEdge);
  NSText* editor = field->currentEditor();
  const std::string text = editor != nullptr ? editor->string()->utf8() : field->stringValue()->utf8();
  const int size = static_cast<int>(std::lround((field->font() != nullptr ? field->font()->pointSize() : 12.0) * k));
  const NSRect area = editor != nullptr ? editor->frame() : field->cell()->drawingRectForBounds(field->bounds());
  const SDL_Rect a = PixelRect(s, field, area);
  const int width = Canvas::measure(text, size);
  int x = a.x;
  if (field->alignment() == NSTextAlignmentCenter) x = a.x + (a.w - width) / 2;
  if (field->alignment() == NSTextAlignmentRight) x = a.x + a.w - width;
  const int baseline = a.y + (a.h + Canvas::ascent(size)) / 2 - size / 10;
  const Rgba ink = ColorOf(field->textColor(), appkit::kInk);
  if (editor != nullptr) {
    const NSRange sel = editor->selectedRange();
    const size_t b0 = appkit::Utf8OffsetOfUnit(text, sel.location), b1 = appkit::Utf8OffsetOfUnit(text, NSMaxRange(sel));
    const int x0 = x + Canvas::measure(text.substr(0, b0), size), x1 = x + Canvas::measure(text.substr(0, b1), size);
    if (sel.length > 0) {
      s.canvas.fill(x0, a.y + 1, x1 - x0, a.h - 2, Rgba{ink.r, ink.g, ink.b, 70});
    } else {
      NSColor* caret = editor->isKindOfClass(NSTextView::class_()) ? static_cast<NSTextView*>(editor)->insertionPointColor() : nullptr;
      s.canvas.fill(x0, a.y + 2, std::max(1, static_cast<int>(k)), a.h - 4, ColorOf(caret, ink));
    }
  }
  s.canvas.text(text, x, baseline, size, ink, r.x + r.w);
}

void DrawViews(Shown& s, NSView* v) {
  if (v == nullptr || v->isHidden()) return;
  if (CALayer* layer = v->layer())
    if (CAMetalLayer* metal = layer->asMetalLayer()) DrawMetalLayer(s, v, metal);
  if (v->isKindOfClass(NSTextField::class_())) DrawTextField(s, static_cast<NSTextField*>(v));
  for (NSView* child : v->subviewList())
    if (!child->isKindOfClass(NSText::class_())) DrawViews(s, child);
}

void DrawTooltip(Shown& s) {
  if (s.tooltip.empty()) return;
  const CGFloat k = Scale();
  const int size = static_cast<int>(12 * k);
  const int w = Canvas::measure(s.tooltip, size) + static_cast<int>(10 * k), h = static_cast<int>(20 * k);
  int x = static_cast<int>((s.pointerX + 8) * k), y = static_cast<int>((s.pointerY + 18) * k);
  x = std::max(0, std::min(x, s.canvas.width() - w));
  y = std::max(0, std::min(y, s.canvas.height() - h));
  s.canvas.fill(x, y, w, h, Rgba{255, 255, 225, 255});
  s.canvas.outline(x, y, w, h, appkit::kEdge);
  s.canvas.text(s.tooltip, x + static_cast<int>(5 * k), y + static_cast<int>(14 * k), size, appkit::kInk);
}

void Present(Shown& s) {
  nsx::AutoreleasePool pool;
  const CGFloat k = Scale();
  const int pw = std::max(1, static_cast<int>(std::lround(s.content.width * k)));
  const int ph = std::max(1, static_cast<int>(std::lround(s.content.height * k)));
  if (s.canvas.width() != pw || s.canvas.height() != ph) s.canvas.resize(pw, ph);
  s.canvas.clear(Rgba{236, 236, 236, 255});
  DrawViews(s, s.window->contentView());
  DrawTooltip(s);
  if (s.overlay != nullptr && s.panel == nullptr) s.overlay->draw(s.canvas, k);
  if (s.texture == nullptr || s.textureW != pw || s.textureH != ph) {
    if (s.texture != nullptr) SDL_DestroyTexture(s.texture);
    s.texture = SDL_CreateTexture(s.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, pw, ph);
    s.textureW = pw, s.textureH = ph;
  }
  if (s.texture == nullptr) return;
  SDL_UpdateTexture(s.texture, nullptr, s.canvas.pixels(), pw * 4);
  SDL_RenderClear(s.renderer);
  SDL_RenderCopy(s.renderer, s.texture, nullptr, nullptr);
  SDL_RenderPresent(s.renderer);
  if (s.overlay != nullptr && s.panel != nullptr) {
    s.panel->canvas().clear(appkit::kPanel);
    s.overlay->draw(s.panel->canvas(), k);
    s.panel->present();
  }
  s.lastPresent = Now();
}

// Where the pointer is in the window, in points from its top-left corner;
// false when it is not in the window. On X11 the server is asked: when the
// window moves or resizes under a pointer held still it tells no motion, and
// SDL's own x, y in the window (and its idea of the pointer on the screen)
// stay those of before.
bool PointerInShown(Shown& s, int& x, int& y) {
  if (SDL_GetMouseFocus() != s.sdl) return false;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(s.sdl, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    if (appkit::X11WindowLost()) return false;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0;
    unsigned int buttons = 0;
    // False: the pointer is on another screen.
    if (!XQueryPointer(info.info.x11.display, info.info.x11.window, &root, &child, &rootX, &rootY, &x, &y, &buttons))
      return false;
  } else {
    SDL_GetMouseState(&x, &y);
  }
  return x >= 0 && y >= 0 && x < s.content.width && y < s.content.height;
}

void TellPointer(Shown& s);

// The window changed its size or place under the pointer, and the desktop
// tells no motion for that: the window is told where the pointer now is,
// unless an overlay runs (it follows the pointer itself) or a button is held
// (the corner resizer's drag resizes the window under the pointer, whose
// motion is told).
void PointerAfterFrameChange(Shown& s) {
  if (s.overlay == nullptr && SDL_GetMouseState(nullptr, nullptr) == 0) TellPointer(s);
}

// Follows the NSWindow's frame: its content size and its place on the screen
// (a new size keeps the frame's origin, the bottom-left corner).
void SyncFrame(Shown& s) {
  const NSRect f = s.window->frame();
  const bool resized = f.size.width != s.content.width || f.size.height != s.content.height;
  if (!resized && f.origin.x == s.origin.x && f.origin.y == s.origin.y) return;
  if (resized) {
    s.content = f.size;
    SDL_SetWindowSize(s.sdl, std::max(1, static_cast<int>(f.size.width)), std::max(1, static_cast<int>(f.size.height)));
  }
  PlaceWindow(s);
  PointerAfterFrameChange(s);
}

// A desktop event's point (x, y from the top-left corner of the window as the
// desktop last placed it) in the NSWindow's base coordinates. Events already
// queued when the program resizes or moves its window still refer to the old
// place; the point on the screen is what counts.
NSPoint BaseOf(Shown& s, double x, double y) {
  const NSPoint now = s.window->frame().origin;
  return NSMakePoint(s.origin.x + x - now.x, s.origin.y + s.content.height - y - now.y);
}

// dx, dy: the movement since the last event (y growing downward), for moves and drags.
void SendMouse(Shown& s, NSEventType type, double x, double y, int clicks, double dx = 0, double dy = 0) {
  const NSEventModifierFlags flags = appkit::FlagsOfKeyMods(s.mods);
  NSEvent* e = NSEvent::mouseEventWithType(type, BaseOf(s, x, y), flags, appkit::EventTime(), s.window->windowNumber(),
                                           nil, 0, clicks, 1.0f);
  appkit::SetEventDelta(e, dx, dy);
  s.window->sendEvent(e);
}

void SendKey(Shown& s, const SDL_KeyboardEvent& k) {
  const unsigned short code = appkit::KeyCodeOfScancode(k.keysym.scancode);
  const NSEventModifierFlags flags = appkit::FlagsOfKeyMods(k.keysym.mod);
  if (code == kVK_Shift || code == kVK_RightShift || code == kVK_Control || code == kVK_RightControl ||
      code == kVK_Option || code == kVK_RightOption || code == kVK_Command || code == kVK_CapsLock) {
    s.window->sendEvent(NSEvent::keyEventWithType(NSEventTypeFlagsChanged, appkit::PointerInWindow(s.window), flags,
                                                  appkit::EventTime(), s.window->windowNumber(), nil, nullptr, nullptr,
                                                  NO, code));
    return;
  }
  // The typed text arrives as its own event just after the key.
  std::string typed;
  SDL_Event next;
  if (k.type == SDL_KEYDOWN && SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1)
    typed = next.text.text;
  NSString* characters = nullptr;
  NSString* ignoring = nullptr;
  if (!typed.empty()) {
    characters = nsx::Str(typed);
    ignoring = characters;
  } else {
    const nsx::KeyCharacters c = nsx::CharactersForKey(code, flags);
    characters = NSString::stringWithCharacters(reinterpret_cast<const unichar*>(c.characters.data()), c.characters.size());
    ignoring = NSString::stringWithCharacters(reinterpret_cast<const unichar*>(c.charactersIgnoringModifiers.data()),
                                              c.charactersIgnoringModifiers.size());
  }
  s.window->sendEvent(NSEvent::keyEventWithType(k.type == SDL_KEYDOWN ? NSEventTypeKeyDown : NSEventTypeKeyUp,
                                                appkit::PointerInWindow(s.window), flags, appkit::EventTime(),
                                                s.window->windowNumber(), nil, characters, ignoring, k.repeat != 0,
                                                code == 0xFFFF ? 0xFF : code));
}

void UpdateTooltip(Shown& s) {
  if (s.overlay != nullptr || s.pointerX < 0 || SDL_GetMouseState(nullptr, nullptr) != 0) {
    s.tooltip.clear();
    return;
  }
  if (!s.tooltip.empty() || Now() - s.restSince < 0.8) return;
  const NSPoint base = BaseOf(s, s.pointerX, s.pointerY);
  NSView* hit = s.window->contentView() != nullptr ? s.window->contentView()->hitTest(base) : nullptr;
  for (NSView* v = hit; v != nullptr; v = v->superview()) {
    NSString* tip = v->toolTipAtPoint(v->convertPointFromView(base, nullptr));
    if (tip != nullptr && !tip->utf8().empty()) {
      s.tooltip = tip->utf8();
      return;
    }
  }
}

// The window an event of the pointer or of a window belongs to (0: none named).
Uint32 WindowOfEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT: return e.window.windowID;
    case SDL_MOUSEMOTION: return e.motion.windowID;
    case SDL_MOUSEBUTTONDOWN: case SDL_MOUSEBUTTONUP: return e.button.windowID;
    case SDL_MOUSEWHEEL: return e.wheel.windowID;
    default: return 0;
  }
}

// While the overlay has a window of its own, that window's events go to it,
// and the shown window takes no press (a press there brings the overlay's
// window to the front) and no turn of the wheel; keys go to the overlay as
// ever. True when the event is dealt with.
bool HandleOwnWindow(Shown& s, appkit::Overlay& o, const SDL_Event& e) {
  appkit::PanelWindow& p = *s.panel;
  const bool own = WindowOfEvent(e) == p.id();
  switch (e.type) {
    case SDL_WINDOWEVENT:
      if (!own) return false;
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) o.done = true;  // dismissed
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) Present(s);
      return true;
    case SDL_MOUSEMOTION:
      if (own) {
        o.mouseMoved(e.motion.x, e.motion.y);
      } else {  // the window's own pointer is kept up to date
        FollowScreen(s);
        s.pointer.moved(e.motion.x, e.motion.y);
      }
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      const uint32_t ms = s.pressMsKnown ? s.pressMs : e.button.timestamp;
      if (down) s.pressMsKnown = false;
      if (!own) {
        if (down) p.raise();
        return true;
      }
      const int clicks = down ? p.clicks.pressed(e.button.button, e.button.x, e.button.y, ms) : p.clicks.count();
      if (down) p.held |= SDL_BUTTON(e.button.button);
      else p.held &= ~SDL_BUTTON(e.button.button);
      if (e.button.button == SDL_BUTTON_LEFT) {
        if (down) o.mouseDown(e.button.x, e.button.y, clicks);
        else o.mouseUp(e.button.x, e.button.y);
      }
      return true;
    }
    case SDL_MOUSEWHEEL:
      if (own) o.wheel(e.wheel.preciseY * (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0 : 1.0));
      return true;
    default: return false;
  }
}

// One desktop event, to the overlay when one runs.
void Handle(Shown& s, const SDL_Event& e) {
  if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) s.mods = e.key.keysym.mod;
  appkit::Overlay* o = s.overlay;
  if (o != nullptr && s.panel != nullptr && HandleOwnWindow(s, *o, e)) return;
  // What still comes from a window no longer there (an overlay's own) is dropped.
  const Uint32 from = WindowOfEvent(e);
  if (from != 0 && from != SDL_GetWindowID(s.sdl)) return;
  switch (e.type) {
    case SDL_QUIT: s.closed = true; break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) s.closed = true;
      // The real pointer may wander off while the cursor is hidden; the program's stays.
      if (e.window.event == SDL_WINDOWEVENT_LEAVE && o == nullptr && !s.pointer.hidden()) {
        s.window->pointerLeftWindow();
        s.pointerX = -1;
        s.tooltip.clear();
      }
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) s.window->makeKeyWindow();
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) s.window->resignKeyWindow();
      if (e.window.event == SDL_WINDOWEVENT_MOVED) {
        const CGFloat screenH = NSScreen::mainScreen()->frame().size.height;
        s.origin = NSMakePoint(e.window.data1, screenH - e.window.data2 - s.content.height);
        s.window->setFrameOrigin(s.origin);
        PointerAfterFrameChange(s);
      }
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) Present(s);
      break;
    case SDL_MOUSEMOTION: {
      FollowScreen(s);
      const appkit::PointerTracker::Motion m = s.pointer.moved(e.motion.x, e.motion.y);
      if (!m.deliver) break;
      s.pointerX = m.x, s.pointerY = m.y, s.restSince = Now();
      s.tooltip.clear();
      if (o != nullptr) {
        o->mouseMoved(m.x, m.y);
        break;
      }
      const Uint32 b = e.motion.state;
      const NSEventType type = (b & SDL_BUTTON_LMASK) ? NSEventTypeLeftMouseDragged
                               : (b & SDL_BUTTON_RMASK) ? NSEventTypeRightMouseDragged
                               : (b & SDL_BUTTON_MMASK) ? NSEventTypeOtherMouseDragged
                                                        : NSEventTypeMouseMoved;
      SendMouse(s, type, m.x, m.y, type == NSEventTypeMouseMoved ? 0 : 1, m.dx, m.dy);
      break;
    }
    case SDL_SYSWMEVENT: {
      uint32_t ms = 0;
      if (e.syswm.msg != nullptr && appkit::X11PressTime(*e.syswm.msg, ms)) s.pressMs = ms, s.pressMsKnown = true;
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      s.tooltip.clear();
      // The desktop tells the press's time just before it; else the time it was read.
      const int clicks = down ? s.clicks.pressed(e.button.button, e.button.x, e.button.y,
                                                 s.pressMsKnown ? s.pressMs : e.button.timestamp)
                              : s.clicks.count();
      if (down) s.pressMsKnown = false;
      if (o != nullptr) {
        if (e.button.button == SDL_BUTTON_LEFT) {
          if (down) o->mouseDown(e.button.x, e.button.y, clicks);
          else o->mouseUp(e.button.x, e.button.y);
        }
        break;
      }
      NSEventType type;
      if (e.button.button == SDL_BUTTON_LEFT) type = down ? NSEventTypeLeftMouseDown : NSEventTypeLeftMouseUp;
      else if (e.button.button == SDL_BUTTON_RIGHT) type = down ? NSEventTypeRightMouseDown : NSEventTypeRightMouseUp;
      else type = down ? NSEventTypeOtherMouseDown : NSEventTypeOtherMouseUp;
      // While the cursor is hidden the program's pointer is where the program holds it.
      const CGPoint at = s.pointer.hidden() ? s.pointer.position() : CGPoint{double(e.button.x), double(e.button.y)};
      SendMouse(s, type, at.x, at.y, clicks);
      break;
    }
    case SDL_MOUSEWHEEL: {
      const double sign = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1.0 : 1.0;
      const double dy = e.wheel.preciseY * sign, dx = e.wheel.preciseX * sign;
      if (o != nullptr) {
        o->wheel(dy);
        break;
      }
      // Where the pointer really is: the window may have moved under it since its last motion.
      int x = 0, y = 0;
      if (!PointerInShown(s, x, y)) SDL_GetMouseState(&x, &y);
      s.window->sendEvent(nsx::ScrollWheelEvent(BaseOf(s, x, y), appkit::FlagsOfKeyMods(s.mods),
                                                s.window->windowNumber(), dx, dy, NO));
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (o != nullptr) {
        if (e.type == SDL_KEYDOWN) {
          std::string typed;
          SDL_Event next;
          if (SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1) typed = next.text.text;
          o->key(appkit::KeyCodeOfScancode(e.key.keysym.scancode), typed, appkit::FlagsOfKeyMods(e.key.keysym.mod));
        }
        break;
      }
      SendKey(s, e.key);
      break;
    case SDL_TEXTINPUT:  // text without a key (an input method)
      if (o != nullptr) {
        o->key(0xFFFF, e.text.text, 0);
        break;
      }
      s.window->sendEvent(NSEvent::keyEventWithType(NSEventTypeKeyDown, appkit::PointerInWindow(s.window), 0,
                                                    appkit::EventTime(), s.window->windowNumber(), nil,
                                                    nsx::Str(e.text.text), nsx::Str(e.text.text), NO, 0xFF));
      break;
    case SDL_DROPFILE:
      if (e.drop.file != nullptr) {
        if (o == nullptr) {
          int x = 0, y = 0;
          SDL_GetMouseState(&x, &y);
          s.window->dropFiles(NSArray::arrayWithObject(nsx::Str(e.drop.file)), BaseOf(s, x, y));
        }
        SDL_free(e.drop.file);
      }
      break;
    default: break;
  }
}

// After a menu or panel, or a change of the window's size or place, the
// window learns where the pointer is, as it would from a move: what lies
// under a pointer held still is hovered, and its tooltip comes after the
// usual rest, beside the pointer.
void TellPointer(Shown& s) {
  s.pointerDue = false;
  s.tooltip.clear();
  if (s.pointer.hidden()) return;  // the program holds its pointer
  int x = 0, y = 0;
  if (!PointerInShown(s, x, y)) {
    s.window->pointerLeftWindow();
    s.pointerX = -1;
    return;
  }
  s.pointerX = x, s.pointerY = y, s.restSince = Now();
  SendMouse(s, NSEventTypeMouseMoved, x, y, 0);
}

// Handles pending events, fires due timers and shows a new picture.
void Step(Shown& s) {
  nsx::AutoreleasePool pool;
  s.window->retain();
  SDL_Event e;
  while (!s.closed && SDL_PollEvent(&e) == 1) Handle(s, e);
  if (appkit::X11WindowLost()) s.closed = true;
  if (s.panel != nullptr && s.overlay != nullptr && appkit::X11PanelLost()) s.overlay->done = true;
  if (!s.closed && s.pointerDue && s.overlay == nullptr) TellPointer(s);
  if (!s.closed) {
    cfx::PumpMainRunLoop();
    SyncFrame(s);
    UpdateTooltip(s);
    if (Now() - s.lastPresent >= 1.0 / 60) Present(s);
  }
  s.window->release();
}

void CloseShown() {
  Shown* s = g_shown;
  if (s == nullptr) return;
  g_shown = nullptr;
  nsx::SetDesktopModalResponder(nullptr);
  nsx::SetClipboardBridge(nullptr, nullptr);
  // Without the display nothing of it can be freed any more.
  if (!appkit::X11DisplayLost()) {
    if (s->texture != nullptr) SDL_DestroyTexture(s->texture);
    if (s->renderer != nullptr) SDL_DestroyRenderer(s->renderer);
    if (s->sdl != nullptr) SDL_DestroyWindow(s->sdl);
  }
  appkit::ForgetX11Window();
  s->window->release();
  delete s;
}

SDL_Cursor* SystemCursor(const std::string& kind) {
  static const std::map<std::string, SDL_SystemCursor> kinds = {
      {"ibeam", SDL_SYSTEM_CURSOR_IBEAM},          {"crosshair", SDL_SYSTEM_CURSOR_CROSSHAIR},
      {"pointing-hand", SDL_SYSTEM_CURSOR_HAND},   {"open-hand", SDL_SYSTEM_CURSOR_HAND},
      {"closed-hand", SDL_SYSTEM_CURSOR_HAND},     {"busy", SDL_SYSTEM_CURSOR_WAITARROW},
      {"resize-n", SDL_SYSTEM_CURSOR_SIZENS},      {"resize-s", SDL_SYSTEM_CURSOR_SIZENS},
      {"resize-ns", SDL_SYSTEM_CURSOR_SIZENS},     {"resize-up", SDL_SYSTEM_CURSOR_SIZENS},
      {"resize-down", SDL_SYSTEM_CURSOR_SIZENS},   {"resize-up-down", SDL_SYSTEM_CURSOR_SIZENS},
      {"resize-ew", SDL_SYSTEM_CURSOR_SIZEWE},     {"resize-left", SDL_SYSTEM_CURSOR_SIZEWE},
      {"resize-right", SDL_SYSTEM_CURSOR_SIZEWE},  {"resize-left-right", SDL_SYSTEM_CURSOR_SIZEWE},
      {"resize-nwse", SDL_SYSTEM_CURSOR_SIZENWSE}, {"resize-nesw", SDL_SYSTEM_CURSOR_SIZENESW},
      {"not-allowed", SDL_SYSTEM_CURSOR_NO},       {"move", SDL_SYSTEM_CURSOR_SIZEALL}};
  if (g_cursors == nullptr) g_cursors = new std::map<std::string, SDL_Cursor*>();
  SDL_Cursor*& c = (*g_cursors)[kind];
  if (c == nullptr) {
    auto it = kinds.find(kind);
    c = SDL_CreateSystemCursor(it != kinds.end() ? it->second : SDL_SYSTEM_CURSOR_ARROW);
  }
  return c;
}

void CursorChanged(NSCursor* cursor) {
  if (g_shown == nullptr || cursor == nullptr) return;
  if (cursor->kind() != "image") {
    SDL_SetCursor(SystemCursor(cursor->kind()));
    return;
  }
  NSBitmapImageRep* rep = cursor->image() != nullptr ? cursor->image()->bestBitmap() : nullptr;
  if (rep == nullptr) {
    SDL_SetCursor(SystemCursor("arrow"));
    return;
  }
  const NSSize size = cursor->image()->size();
  const double sx = size.width > 0 ? rep->pixelsWide() / size.width : 1.0;
  const double sy = size.height > 0 ? rep->pixelsHigh() / size.height : 1.0;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<unsigned char*>(rep->pixels().data()), static_cast<int>(rep->pixelsWide()),
      static_cast<int>(rep->pixelsHigh()), 32, static_cast<int>(rep->bytesPerRow()), SDL_PIXELFORMAT_ABGR8888);
  if (surface == nullptr) return;
  SDL_Cursor* made = SDL_CreateColorCursor(surface, static_cast<int>(cursor->hotSpot().x * sx),
                                           static_cast<int>(cursor->hotSpot().y * sy));
  SDL_FreeSurface(surface);
  if (made == nullptr) return;
  SDL_SetCursor(made);
  if (g_imageCursor != nullptr) SDL_FreeCursor(g_imageCursor);
  g_imageCursor = made;
}

// The program's cursor calls: a warp moves the program's pointer (global
// coordinates, top-left origin), hiding and showing go to the tracker.
void CursorRecordChanged(const cgx::CursorState& state) {
  Shown* s = g_shown;
  if (s == nullptr) return;
  SDL_ShowCursor(state.hideCount > 0 ? SDL_DISABLE : SDL_ENABLE);
  if (state.warps != s->warps) {
    s->warps = state.warps;
    const NSRect f = s->window->frame();
    const CGFloat screenH = NSScreen::mainScreen()->frame().size.height;
    const double top = screenH - (f.origin.y + f.size.height);
    s->pointer.warped(state.position.x - f.origin.x, state.position.y - top);
  }
  s->pointer.setHidden(state.hideCount > 0);
}

std::string ReadClipboard() {
  char* text = SDL_GetClipboardText();
  std::string out = text != nullptr ? text : "";
  SDL_free(text);
  return out;
}

void WriteClipboard(const std::string& text) { SDL_SetClipboardText(text.c_str()); }

}  // namespace

namespace appkit {

void DesktopWindowClosed(NSWindow* window) {
  if (g_shown != nullptr && g_shown->window == window) g_shown->closed = true;
}

bool DesktopCloseKey(NSWindow* window, NSEvent* event) {
  if (g_shown == nullptr || g_shown->window != window || event->type() != NSEventTypeKeyDown) return false;
  const NSEventModifierFlags flags = event->modifierFlags();
  if ((flags & (NSEventModifierFlagControl | NSEventModifierFlagCommand)) == 0 ||
      (flags & NSEventModifierFlagOption) != 0)
    return false;
  NSString* chars = event->charactersIgnoringModifiers();
  const std::string c = chars != nullptr ? chars->utf8() : std::string();
  if (c != "w" && c != "W" && c != "q" && c != "Q") return false;
  g_shown->closed = true;
  return true;
}

bool RunOverlay(Overlay& overlay) {
  Shown* s = g_shown;
  if (s == nullptr || s->closed) return false;
  Overlay* previous = s->overlay;
  PanelWindow* previousPanel = s->panel;
  // A window of its own where the shown one is too small; drawn in the shown one where none can be made.
  const Overlay::OwnWindow wanted = overlay.ownWindow(s->content);
  std::unique_ptr<PanelWindow> panel;
  if (wanted.size.width > 0 && wanted.size.height > 0) {
    panel = std::make_unique<PanelWindow>(s->sdl, wanted.title, wanted.size, Scale());
    if (!panel->ok()) panel.reset();
  }
  overlay.own = panel != nullptr ? panel->size() : NSZeroSize;
  s->overlay = &overlay;
  s->panel = panel.get();
  s->window->retain();
  Present(*s);
  while (!overlay.done && !s->closed) {
    Step(*s);
    if (!overlay.done && !s->closed) overlay.tick();
    if (!overlay.done && !s->closed) appkit::WaitForDesktop(10);
  }
  // A press in its own window that ended it (a button, a double click) is let go there before
  // the window goes: the release comes only to that window, and without it the desktop would
  // count the button as held and drop the person's next press.
  const double lastRelease = Now() + 10;
  while (panel != nullptr && panel->held != 0 && !s->closed && !appkit::X11PanelLost() && Now() < lastRelease) {
    Step(*s);
    appkit::WaitForDesktop(10);
  }
  s->overlay = previous;
  s->panel = previousPanel;
  panel.reset();
  overlay.own = NSZeroSize;
  s->pointerDue = true;
  if (!s->closed) Present(*s);
  s->window->release();
  return true;
}

NSSize ShownContentSize() { return g_shown != nullptr ? g_shown->content : NSZeroSize; }

NSSize Overlay::area() const { return own.width > 0 ? own : ShownContentSize(); }

NSPoint ShownPointOfBase(NSPoint base) {
  return g_shown != nullptr ? NSMakePoint(base.x, g_shown->content.height - base.y) : base;
}

}  // namespace appkit

namespace nsx {

bool DesktopAvailable() { return InitVideo(); }

bool ShowOnDesktop(NSWindow* window) {
  if (window == nullptr || !InitVideo()) return false;
  if (g_shown != nullptr && g_shown->window == window) return true;
  CloseShown();
  auto* s = new Shown();
  s->window = static_cast<NSWindow*>(window->retain());
  s->content = window->frame().size;
  s->mods = static_cast<Uint16>(SDL_GetModState());
  NSString* title = window->title();
  // Made where the frame says, so that it appears there and moves no more.
  const NSRect f = window->frame();
  const int top = static_cast<int>(NSScreen::mainScreen()->frame().size.height - f.origin.y - f.size.height);
  s->sdl = SDL_CreateWindow(title != nullptr ? title->UTF8String() : "", static_cast<int>(f.origin.x), top,
                            std::max(1, static_cast<int>(s->content.width)),
                            std::max(1, static_cast<int>(s->content.height)), SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  // Watched before anyone can see it: a display that goes away from then on closes it.
  if (s->sdl != nullptr) appkit::WatchX11Window(s->sdl);
  if (s->sdl != nullptr) s->renderer = SDL_CreateRenderer(s->sdl, -1, 0);
  if (s->renderer == nullptr && s->sdl != nullptr) s->renderer = SDL_CreateRenderer(s->sdl, -1, SDL_RENDERER_SOFTWARE);
  if (s->renderer == nullptr) {
    g_shown = s;
    CloseShown();
    return false;
  }
  g_shown = s;
  appkit::WatchX11Window(s->sdl);  // the renderer may have made the X window anew
  SDL_ShowWindow(s->sdl);
  PlaceWindow(*s);
  const cgx::CursorState cursor = cgx::Cursor();
  s->warps = cursor.warps;
  s->pointer.setHidden(cursor.hideCount > 0);
  nsx::SetDesktopModalResponder(&appkit::DesktopResponder());
  nsx::SetClipboardBridge(&ReadClipboard, &WriteClipboard);
  nsx::SetCursorChangedHook(&CursorChanged);
  cgx::SetCursorObserver(&CursorRecordChanged);
  window->makeKeyAndOrderFront(nil);
  NSNotificationCenter::defaultCenter()->postNotificationName(NSWindowDidChangeScreenNotification, window);
  CursorChanged(NSCursor::currentCursor());
  Present(*s);
  return true;
}

void HideFromDesktop(NSWindow* window) {
  if (g_shown != nullptr && g_shown->window == window) CloseShown();
}

bool IsOnDesktop(NSWindow* window) { return g_shown != nullptr && g_shown->window == window && !g_shown->closed; }

bool PumpDesktop(int milliseconds, const std::function<bool()>& until) {
  const double deadline = Now() + std::max(0, milliseconds) / 1000.0;
  for (;;) {
    if (until && until()) return true;
    Shown* s = g_shown;
    if (s == nullptr) return false;
    if (s->closed) {
      CloseShown();
      return false;
    }
    Step(*s);
    const double left = deadline - Now();
    if (left <= 0) return until && until();
    appkit::WaitForDesktop(static_cast<int>(std::min(left * 1000.0, 8.0)) + 1);
  }
}

void RunUntilClosed(NSWindow* window) {
  while (IsOnDesktop(window)) PumpDesktop(1000);
  HideFromDesktop(window);
}

unsigned long DesktopWindowId(NSWindow* window) {
  if (g_shown == nullptr || g_shown->window != window) return 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(g_shown->sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return 0;
  return static_cast<unsigned long>(info.info.x11.window);
}

bool DesktopPicture(NSWindow* window, std::vector<uint8_t>& rgba, int& width, int& height) {
  if (g_shown == nullptr || g_shown->window != window) return false;
  const Canvas& c = g_shown->canvas;
  width = c.width(), height = c.height();
  rgba.resize(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    const uint32_t p = c.pixels()[i];
    rgba[4 * i] = static_cast<uint8_t>(p >> 16), rgba[4 * i + 1] = static_cast<uint8_t>(p >> 8);
    rgba[4 * i + 2] = static_cast<uint8_t>(p), rgba[4 * i + 3] = 255;
  }
  return true;
}

}  // namespace nsx
