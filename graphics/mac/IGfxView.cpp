// The editor's Cocoa view: creation with its Metal layer, the frame timer and the frame, the
// scale, focus and appearance, and leaving the host's window.

#include "graphics/mac/IGfxView.h"

#include <Metal/Metal.h>
#include <QuartzCore/CAMetalLayer.h>

#include <cmath>

#include "core/IGEditorDelegate.h"
#include "graphics/mac/IGfxMac.h"
#include "graphics/mac/IGfxTextField.h"

namespace fx::gfx {

NS_IMPLEMENT_CLASS(IGfxView_vORBEX9_au,
                   {nsx::method<&IGfxView_vORBEX9_au::onTimer>("onTimer:"),
                    nsx::method<&IGfxView_vORBEX9_au::frameDidChange>("frameDidChange:"),
                    nsx::method<&IGfxView_vORBEX9_au::windowDidResign>("windowDidResign:"),
                    nsx::method<&IGfxView_vORBEX9_au::windowDidChangeScreen>("windowDidChangeScreen:"),
                    nsx::method<&IGfxView_vORBEX9_au::onColorPicked>("onColorPicked:")})

NSRect ScaledViewRect(const IRECT& r, float scale)
{
  const double x = std::floor(r.L * scale), y = std::floor(r.T * scale);
  return NSMakeRect(x, y, std::ceil(r.R * scale) - x, std::ceil(r.B * scale) - y);
}

namespace {

// Backing pixels per point where the view is shown (the main screen's until it has a window).
CGFloat BackingScale(NSView* view)
{
  return view->window() ? view->window()->backingScaleFactor() : NSScreen::mainScreen()->backingScaleFactor();
}

} // namespace

IGfxView_vORBEX9_au* IGfxView_vORBEX9_au::initWithIGfx(IGfxMac* graphics)
{
  mGraphics = graphics;
  const float scale = graphics->GetDrawScale();
  initWithFrame(NSMakeRect(0, 0, static_cast<int>(graphics->Width() * scale), static_cast<int>(graphics->Height() * scale)));
  mMouseOutDuringDrag = NO;

  setWantsLayer(YES);
  layer()->setOpaque(true);
  setLayerContentsRedrawPolicy(NSViewLayerContentsRedrawDuringViewResize);
  registerForDraggedTypes(NSArray::arrayWithObject(NSFilenamesPboardType));

  CAMetalLayer* metal = CAMetalLayer::layer();
  metal->setPixelFormat(MTLPixelFormatBGRA8Unorm);
  MTLDevice* device = MTLCreateSystemDefaultDevice();
  metal->setDevice(device);
  MTLRelease(device);
  setLayer(metal);
  MTLRelease(metal);
  // The drawable follows the frame: sized now, and again whenever the frame changes.
  frameDidChange(nullptr);
  NSNotificationCenter::defaultCenter()->addObserver(this, sel_registerName("frameDidChange:"),
                                                     NSViewFrameDidChangeNotification, this);
  setTimer();
  return this;
}

void IGfxView_vORBEX9_au::dealloc()
{
  endUserInput();
  if (NSColorPanel::sharedColorPanelExists())
  {
    NSColorPanel* panel = NSColorPanel::sharedColorPanel();
    if (panel->target() == this) panel->setTarget(nullptr);
    panel->close();
  }
  mColorPickerFunc = nullptr;
  if (mMoveCursor) mMoveCursor->release();
  if (mTrackingArea) mTrackingArea->release();
  NSNotificationCenter::defaultCenter()->removeObserver(this);
  NSView::dealloc();
}

CAMetalLayer* IGfxView_vORBEX9_au::metalLayer() const { return layer() ? layer()->asMetalLayer() : nullptr; }

// ---------------------------------------------------------------------------------- Timer and frame

void IGfxView_vORBEX9_au::setTimer()
{
  killTimer();
  const double fps = mGraphics && mGraphics->FPS() > 0 ? mGraphics->FPS() : 60.0;
  mTimer = NSTimer::timerWithTimeInterval(1.0 / fps, this, sel_registerName("onTimer:"), nullptr, YES);
  NSRunLoop::currentRunLoop()->addTimer(mTimer, NSRunLoopCommonModes);
}

void IGfxView_vORBEX9_au::killTimer()
{
  if (!mTimer) return;
  NSTimer* timer = mTimer;
  mTimer = nullptr;
  timer->invalidate();
}

void IGfxView_vORBEX9_au::onTimer(NSTimer*) { render(); }

void IGfxView_vORBEX9_au::render()
{
  if (!mGraphics) return;
  mDirtyRects.Clear();
  if (!mGraphics->IsDirty(mDirtyRects)) return;
  mGraphics->SetAllControlsClean();
  mGraphics->DrawDirtyRects(mDirtyRects);
}

// ---------------------------------------------------------------------------------- Window, scale, focus

void IGfxView_vORBEX9_au::viewDidMoveToWindow()
{
  NSWindow* w = window();
  if (!w) return;
  w->makeFirstResponder(this);
  w->setAcceptsMouseMovedEvents(YES);
  if (mGraphics) mGraphics->SetScreenScale(static_cast<float>(w->backingScaleFactor()));
  NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
  const SEL resign = sel_registerName("windowDidResign:");
  center->addObserver(this, resign, NSWindowDidResignKeyNotification, w);
  center->addObserver(this, resign, NSWindowDidResignMainNotification, w);
  center->addObserver(this, sel_registerName("windowDidChangeScreen:"), NSWindowDidChangeScreenNotification, w);
  if (mGraphics) mGraphics->HoldScaleToScreen();
}

void IGfxView_vORBEX9_au::viewDidChangeBackingProperties()
{
  NSWindow* w = window();
  if (!w) return;
  const CGFloat factor = w->backingScaleFactor();
  if (mGraphics)
  {
    mGraphics->SetPlatformContext(nullptr);
    if (static_cast<float>(factor) != mGraphics->GetScreenScale()) mGraphics->SetScreenScale(static_cast<float>(factor));
  }
  if (CAMetalLayer* metal = metalLayer())
    metal->setDrawableSize(CGSizeMake(frame().size.width * factor, frame().size.height * factor));
}

void IGfxView_vORBEX9_au::frameDidChange(NSNotification*)
{
  const CGFloat factor = BackingScale(this);
  if (CAMetalLayer* metal = metalLayer())
    metal->setDrawableSize(CGSizeMake(frame().size.width * factor, frame().size.height * factor));
}

void IGfxView_vORBEX9_au::viewDidChangeEffectiveAppearance()
{
  if (NSAppKitVersionNumber < NSAppKitVersionNumber10_14 || !mGraphics) return;
  NSAppearance* appearance = effectiveAppearance();
  const bool dark = appearance && appearance->name()->isEqualToString(NSAppearanceNameDarkAqua);
  mGraphics->OnAppearanceChanged(dark ? kDark : kLight);
}

void IGfxView_vORBEX9_au::windowDidResign(NSNotification*)
{
  if (mTimer && mGraphics) mGraphics->OnFocusLost();
}

void IGfxView_vORBEX9_au::windowDidChangeScreen(NSNotification*)
{
  if (mGraphics) mGraphics->HoldScaleToScreen();
}

BOOL IGfxView_vORBEX9_au::resignFirstResponder()
{
  if (mGraphics) mGraphics->OnFocusLost();
  return YES;
}

void IGfxView_vORBEX9_au::removeFromSuperview()
{
  // Closing the editor below releases this view: it stays alive until it has left.
  retain();
  endUserInput();
  if (IGfxMac* graphics = mGraphics)
  {
    graphics->SetPlatformContext(nullptr);
    graphics->GetDelegate()->CloseWindow();
  }
  NSView::removeFromSuperview();
  release();
}

}  // namespace fx::gfx
