#include "host/EditorView.h"

#include "host/CFText.h"
#include "host/EditorScript.h"

#include <AudioUnit/AUCocoaUIView.h>
#include <CoreFoundation/CFManualClock.h>
#include <QuartzCore/CAMetalLayer.h>
#include <objc/runtime.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace orbexhost {

namespace {

// The view's timer draws 60 frames a second; a little over one interval
// gives it one turn.
constexpr double kFrameSeconds = 1.0 / 60.0 + 1e-6;
// Frames still on their way after this much real time are lost.
constexpr auto kFrameWait = std::chrono::seconds(30);
// Frames the editor gets to draw itself for the first time.
constexpr int kFirstFrames = 30;
// Where the window's top-left corner goes on the screen: this far in from
// the left and the top of the screen's usable area.
constexpr double kWindowInset = 100;

NSString* Text16(const std::u16string& s) {
  return NSString::stringWithCharacters(reinterpret_cast<const unichar*>(s.data()), s.size());
}

// frame moved as little as needed for all of it to lie on the screen's
// usable area; one larger than the screen has its top-left corner on the
// screen's.
NSRect OnScreen(NSRect frame) {
  const NSRect screen = NSScreen::mainScreen()->visibleFrame();
  frame.origin.x = std::max(NSMinX(screen), std::min(frame.origin.x, NSMaxX(screen) - frame.size.width));
  frame.origin.y = std::min(NSMaxY(screen) - frame.size.height, std::max(frame.origin.y, NSMinY(screen)));
  return frame;
}

}  // namespace

}  // namespace orbexhost

namespace {

// Keeps the window the editor view's size as the view's frame changes, as a host's window does.
class EditorViewFrameFollower : public NSObject {
  NS_CLASS(EditorViewFrameFollower, NSObject)
public:
  orbexhost::EditorView* editor = nullptr;
  void frameDidChange(NSNotification*) {
    if (editor != nullptr) editor->FitWindow();
  }
};

}  // namespace

NS_IMPLEMENT_CLASS(EditorViewFrameFollower,
                   {nsx::method<&EditorViewFrameFollower::frameDidChange>("frameDidChange:")})

namespace orbexhost {

EditorView::~EditorView() { Close(); }

NSEventModifierFlags EditorView::Flags(unsigned m) {
  NSEventModifierFlags f = 0;
  if (m & kModShift) f |= NSEventModifierFlagShift;
  if (m & kModCtrl) f |= NSEventModifierFlagControl;
  if (m & kModAlt) f |= NSEventModifierFlagOption;
  if (m & kModCmd) f |= NSEventModifierFlagCommand;
  return f;
}

bool EditorView::Open(AudioUnit unit, double editorScale, const std::string& title, std::string& error) {
  Close();
  nsx::AutoreleasePool pool;
  AudioUnitCocoaViewInfo info{};
  UInt32 size = sizeof(info);
  const OSStatus s = AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, &info, &size);
  if (s != noErr || size < sizeof(info)) {
    error = "the component offers no editor (it names no view class; status " + std::to_string(static_cast<long>(s)) +
            ")";
    return false;
  }
  const std::string className = CFStringText(info.mCocoaAUViewClass[0]);
  if (info.mCocoaAUViewBundleLocation) CFRelease(info.mCocoaAUViewBundleLocation);
  if (info.mCocoaAUViewClass[0]) CFRelease(info.mCocoaAUViewClass[0]);

  Class cls = className.empty() ? nullptr : objc_getClass(className.c_str());
  if (cls == nullptr) {
    error = "the component's view class '" + className + "' is not in the object runtime";
    return false;
  }
  mFactory = static_cast<NSObject*>(cls->alloc()->init());
  AUCocoaUIBase* ui = nsx::ProtocolCast<AUCocoaUIBase>(mFactory);
  if (ui == nullptr) {
    error = "the component's view class '" + className + "' is not a view factory";
    Close();
    return false;
  }
  NSView* view = ui->uiViewForAudioUnit(unit, NSMakeSize(0, 0));
  const NSSize viewSize = view ? view->frame().size : NSMakeSize(0, 0);
  if (view == nullptr || !(viewSize.width >= 1 && viewSize.height >= 1)) {
    error = "the component gave no editor view";
    Close();
    return false;
  }
  mView = static_cast<NSView*>(view->retain());
  const double scale = std::isfinite(editorScale) && editorScale > 0 ? editorScale : 1.0;
  mWidth = viewSize.width / scale;
  mHeight = viewSize.height / scale;

  const NSRect screen = NSScreen::mainScreen()->visibleFrame();
  mWindow = NSWindow::alloc()->initWithContentRect(
      OnScreen(NSMakeRect(NSMinX(screen) + kWindowInset, NSMaxY(screen) - kWindowInset - viewSize.height,
                          viewSize.width, viewSize.height)),
      NSWindowStyleMaskTitled | NSWindowStyleMaskClosable | NSWindowStyleMaskMiniaturizable, NSBackingStoreBuffered,
      NO);
  mWindow->setTitle(nsx::Str(title));
  mWindow->setAcceptsMouseMovedEvents(YES);
  mWindow->contentView()->addSubview(mView);
  mView->setFrameOrigin(NSMakePoint(0, 0));
  auto* follower = static_cast<EditorViewFrameFollower*>(EditorViewFrameFollower::alloc()->init());
  follower->editor = this;
  mFollower = follower;
  NSNotificationCenter::defaultCenter()->addObserver(mFollower, sel_registerName("frameDidChange:"),
                                                     NSViewFrameDidChangeNotification, mView);
  mWindow->makeKeyAndOrderFront(nullptr);
  mWindow->makeFirstResponder(mView);
  return true;
}

void EditorView::Close() {
  nsx::AutoreleasePool pool;
  if (mFollower) {
    NSNotificationCenter::defaultCenter()->removeObserver(mFollower);
    mFollower->release();
    mFollower = nullptr;
  }
  if (mView) {
    // Taking the view away closes the editor; wait for the frames it sent.
    std::string ignored;
    WaitForFrames(ignored);
    mView->removeFromSuperview();
    mView->release();
    mView = nullptr;
  }
  if (mFactory) {
    mFactory->release();
    mFactory = nullptr;
  }
  if (mWindow) {
    mWindow->close();
    mWindow->release();
    mWindow = nullptr;
  }
}

double EditorView::Scale() const { return mView && mWidth > 0 ? mView->frame().size.width / mWidth : 1.0; }

NSSize EditorView::ViewSize() const { return mView ? mView->frame().size : NSMakeSize(0, 0); }

CAMetalLayer* EditorView::Layer() const {
  return mView && mView->layer() ? mView->layer()->asMetalLayer() : nullptr;
}

NSPoint EditorView::WindowPoint(double x, double y, double scale) {
  double vx = x * scale, vy = y * scale;
  if (!mView->isFlipped()) vy = mView->frame().size.height - vy;
  return mView->convertPointToView(NSMakePoint(vx, vy), nullptr);
}

NSPoint EditorView::PointerAt(double scale) const {
  if (!mView || !(scale > 0)) return NSMakePoint(0, 0);
  NSPoint p = mView->convertPointFromView(mWindow->mouseLocationOutsideOfEventStream(), nullptr);
  if (!mView->isFlipped()) p.y = mView->frame().size.height - p.y;
  return NSMakePoint(p.x / scale, p.y / scale);
}

void EditorView::Mouse(NSEventType type, double x, double y, double scale, unsigned modifiers, int clickCount) {
  if (!mView) return;
  nsx::AutoreleasePool pool;
  mWindow->sendEvent(NSEvent::mouseEventWithType(type, WindowPoint(x, y, scale), Flags(modifiers),
                                                 CFAbsoluteTimeGetCurrent(), mWindow->windowNumber(), nullptr, 0,
                                                 clickCount, clickCount > 0 ? 1.f : 0.f));
}

void EditorView::Move(NSEventType type, double x, double y, double scale, unsigned modifiers, double dx, double dy) {
  if (!mView) return;
  nsx::AutoreleasePool pool;
  mWindow->sendEvent(nsx::MouseMoveEvent(type, WindowPoint(x, y, scale), Flags(modifiers), mWindow->windowNumber(),
                                         dx * scale, dy * scale));
}

void EditorView::Wheel(double x, double y, double scale, double lines, unsigned modifiers) {
  if (!mView) return;
  nsx::AutoreleasePool pool;
  mWindow->sendEvent(
      nsx::ScrollWheelEvent(WindowPoint(x, y, scale), Flags(modifiers), mWindow->windowNumber(), 0, lines, NO));
}

void EditorView::Key(unsigned short keyCode, const std::u16string& characters, const std::u16string& ignoringModifiers,
                     unsigned modifiers) {
  if (!mView) return;
  nsx::AutoreleasePool pool;
  const NSPoint at = mWindow->mouseLocationOutsideOfEventStream();
  for (const NSEventType type : {NSEventTypeKeyDown, NSEventTypeKeyUp})
    mWindow->sendEvent(NSEvent::keyEventWithType(type, at, Flags(modifiers), CFAbsoluteTimeGetCurrent(),
                                                 mWindow->windowNumber(), nullptr, Text16(characters),
                                                 Text16(ignoringModifiers), NO, keyCode));
}

bool EditorView::WaitForFrames(std::string& error) {
  CAMetalLayer* layer = Layer();
  if (layer == nullptr) return true;
  const auto deadline = std::chrono::steady_clock::now() + kFrameWait;
  while (layer->drawablesInFlight() > 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      error = "the editor's frames did not reach its window";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

void EditorView::FitWindow() {
  if (!mView) return;
  const NSSize view = mView->frame().size;
  const NSSize content = mWindow->contentView()->frame().size;
  if (view.width != content.width || view.height != content.height) {
    // The window keeps its top-left corner where the screen has room.
    const NSRect f = mWindow->frame();
    mWindow->setFrame(OnScreen(NSMakeRect(f.origin.x, NSMaxY(f) - view.height, view.width, view.height)), YES);
    mView->setFrameOrigin(NSMakePoint(0, 0));
  }
}

bool EditorView::Advance(double seconds, std::string& error) {
  {
    nsx::AutoreleasePool pool;
    if (seconds > 0)
      cfx::RunMainRunLoopFor(seconds);
    else
      cfx::PumpMainRunLoop();
  }
  if (!WaitForFrames(error)) return false;
  FitWindow();
  return true;
}

bool EditorView::Picture(std::vector<uint8_t>& rgba, int& width, int& height, std::string& error) {
  CAMetalLayer* layer = Layer();
  if (layer == nullptr) {
    error = "the editor's view has no Metal layer to read";
    return false;
  }
  // One frame draws what changed; a new editor may take a few to appear.
  if (!Advance(kFrameSeconds, error)) return false;
  for (int i = 0; i < kFirstFrames && layer->presentCount() == 0; ++i)
    if (!Advance(kFrameSeconds, error)) return false;
  MTLTexture* texture = layer->copyPresentedTexture();
  if (texture == nullptr) {
    error = "the editor drew nothing";
    return false;
  }
  width = static_cast<int>(texture->width());
  height = static_cast<int>(texture->height());
  rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
  texture->getBytes(rgba.data(), static_cast<NSUInteger>(width) * 4, MTLRegionMake2D(0, 0, width, height), 0);
  const bool bgra = texture->pixelFormat() == MTLPixelFormatBGRA8Unorm;
  MTLRelease(texture);
  if (bgra)
    for (size_t i = 0; i < rgba.size(); i += 4) std::swap(rgba[i], rgba[i + 2]);
  return true;
}

bool EditorView::DragToScale(double scale, std::string& error) {
  const double from = Scale();
  if (!mView || std::fabs(from - scale) < 1e-9) return true;
  // A press just inside the lower right corner; the release where that
  // point lies at the new scale. Both are placed at the scale of the press,
  // as the person's hand moves over the screen, not over the editor.
  const double x = mWidth - 2, y = mHeight - 2, k = scale / from;
  Mouse(NSEventTypeLeftMouseDown, x, y, from, 0, 1);
  Mouse(NSEventTypeLeftMouseDragged, x * k, y * k, from, 0, 0);
  Mouse(NSEventTypeLeftMouseUp, x * k, y * k, from, 0, 1);
  if (!Advance(kFrameSeconds, error)) return false;
  const NSSize now = ViewSize();
  if (std::fabs(now.width - mWidth * scale) > 1.0 || std::fabs(now.height - mHeight * scale) > 1.0) {
    char buf[200];
    std::snprintf(buf, sizeof buf, "the editor did not take the scale %g (it is %g: %gx%g)", scale, Scale(),
                  now.width, now.height);
    error = buf;
    return false;
  }
  return true;
}

}  // namespace orbexhost
