// The desktop window under an X server started for the test (Xvfb), driven
// by real X input (xdotool): clicks, double clicks, drags, the wheel, keys
// and a menu chosen in the window reach the view as the platform's events
// (each with the modifier keys held when it was made, however late it is read),
// and the frames presented to the view's Metal layer are what it shows. X
// requests that still name a window after it is destroyed do not end the
// program.
#include <AppKit/AppKit.h>
#include <AppKit/NSDesktop.h>
#include <QuartzCore/QuartzCore.h>
#include <X11/Xlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/AppKitTestViews.h"
#include "tests/platform/DesktopTest.h"

namespace {

using xtest::Spawn;
using xtest::Wait;

class Picker : public NSObject {
  NS_CLASS(Picker, NSObject)
 public:
  std::string picked;
  void onPick(NSMenuItem* item) { picked = item->title()->utf8(); }
};

// Opens a menu on a right click.
class TestView : public appkit_test::LogView {
  NS_CLASS(TestView, appkit_test::LogView)
 public:
  Picker* picker = nullptr;
  void rightMouseDown(NSEvent* e) override {
    record("rdown", e);
    NSMenu* menu = static_cast<NSMenu*>(NSMenu::alloc()->initWithTitle(NSSTR(""))->autorelease());
    for (const char* t : {"First", "Second", "Third"})
      menu->addItemWithTitle(nsx::Str(t), sel_registerName("onPick:"), NSSTR(""))->setTarget(picker);
    menu->popUpMenuPositioningItem(nullptr, NSMakePoint(60, 60), this);
  }
};

// Shrinks its window by 20 points on every drag, keeping the window's top-left
// corner (as an editor's corner resizer does) or its bottom-left one.
class ShrinkingView : public appkit_test::LogView {
  NS_CLASS(ShrinkingView, appkit_test::LogView)
 public:
  bool keepTop = true;
  void mouseDragged(NSEvent* e) override {
    record("drag", e);
    const NSRect f = window()->frame();
    const CGFloat h = f.size.height - 20;
    window()->setFrame(NSMakeRect(f.origin.x, keepTop ? NSMaxY(f) - h : f.origin.y, f.size.width, h), YES);
    setFrameSize(NSMakeSize(f.size.width, h));
  }
};

// Records its presses, drags and releases with whether Shift came with them.
class ShiftView : public appkit_test::LogView {
  NS_CLASS(ShiftView, appkit_test::LogView)
 public:
  void mouseDown(NSEvent* e) override { shifted("down", e); }
  void mouseDragged(NSEvent* e) override { shifted("drag", e); }
  void mouseUp(NSEvent* e) override { shifted("up", e); }

 private:
  void shifted(const char* what, NSEvent* e) {
    const NSPoint p = convertPointFromView(e->locationInWindow(), nullptr);
    log.push_back(std::string(what) + " " + std::to_string(static_cast<int>(p.y)) +
                  ((e->modifierFlags() & NSEventModifierFlagShift) ? " shift" : ""));
  }
};

}  // namespace

NS_IMPLEMENT_CLASS(ShiftView)
NS_IMPLEMENT_CLASS(ShrinkingView)
NS_IMPLEMENT_CLASS(Picker, {nsx::method<&Picker::onPick>("onPick:")})
using appkit_test::LogView;
NS_IMPLEMENT_CLASS(LogView)
NS_IMPLEMENT_CLASS(TestView)

namespace {

using DesktopTest = xtest::DesktopTest;

// The id of the first visible window named name (a pattern), waiting for it at most 20 s; 0: none.
unsigned long FindWindow(const std::string& name) {
  FILE* out = popen(("timeout 20 xdotool search --sync --onlyvisible --name '" + name + "' 2>/dev/null").c_str(), "r");
  if (out == nullptr) return 0;
  char line[64] = {0};
  const bool read = std::fgets(line, sizeof line, out) != nullptr;
  pclose(out);
  return read ? std::strtoul(line, nullptr, 10) : 0;
}

// From another thread on a connection of its own, as a library's helper thread talks to the
// server: a client message of type message (with data, that atom its first word) sent to
// window, the server's answer awaited. Errors come to the program's handler of X errors, as
// any connection's do.
void SendFromAnotherConnection(const std::string& display, unsigned long window, const char* message,
                               const char* data = nullptr) {
  std::thread([&] {
    Display* d = XOpenDisplay(display.c_str());
    ASSERT_NE(d, nullptr);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, message, False);
    e.xclient.format = 32;
    if (data != nullptr) e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, data, False));
    XSendEvent(d, window, False, NoEventMask, &e);
    XSync(d, False);
    XCloseDisplay(d);
  }).join();
}

// A save panel over a window too small for it opens in a window of its own. Once that window
// (or the shown window itself) is gone, requests still naming it (as a waiting event loop's
// wake-up, sent by another connection, may still be on its way) fail at the server; the program
// outlives the errors and its window goes on.
void OutliveRequestsNamingDestroyedWindows(const std::string& display) {
  nsx::AutoreleasePool pool;
  NSWindow* window = NSWindow::alloc()->initWithContentRect(NSMakeRect(50, 50, 320, 200), NSWindowStyleMaskTitled,
                                                            NSBackingStoreBuffered, NO);
  window->setTitle(NSSTR("ORBEX9 panel test"));
  LogView* view = static_cast<LogView*>(LogView::alloc()->initWithFrame(NSMakeRect(0, 0, 320, 200)));
  window->setContentView(view);
  ASSERT_TRUE(nsx::ShowOnDesktop(window));
  const unsigned long shown = nsx::DesktopWindowId(window);
  nsx::PumpDesktop(100);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("panel " + std::to_string(round + 1));
    // The person closes the panel's window as its window manager's close button does.
    unsigned long panel = 0;
    std::thread person([&] {
      panel = FindWindow("^Save$");
      if (panel != 0) SendFromAnotherConnection(display, panel, "WM_PROTOCOLS", "WM_DELETE_WINDOW");
    });
    NSSavePanel* save = NSSavePanel::savePanel();
    const NSModalResponse answer = save->runModal();
    person.join();
    ASSERT_NE(panel, 0ul) << "the panel had no window of its own";
    EXPECT_EQ(answer, NSModalResponseCancel);
    SendFromAnotherConnection(display, panel, "ORBEX9_WAKE_UP");
    nsx::PumpDesktop(50);
    EXPECT_TRUE(nsx::IsOnDesktop(window));
  }
  nsx::HideFromDesktop(window);
  SendFromAnotherConnection(display, shown, "ORBEX9_WAKE_UP");
  view->release();
  window->release();
}

TEST_F(DesktopTest, TheWindowShowsTheLayersFramesAndTakesRealInput) {
  nsx::AutoreleasePool pool;
  NSWindow* window = NSWindow::alloc()->initWithContentRect(NSMakeRect(50, 50, 320, 200), NSWindowStyleMaskTitled,
                                                            NSBackingStoreBuffered, NO);
  window->setTitle(NSSTR("ORBEX9 window test"));
  TestView* view = static_cast<TestView*>(TestView::alloc()->initWithFrame(NSMakeRect(0, 0, 320, 200)));
  Picker* picker = Picker::alloc();
  view->picker = picker;
  window->setContentView(view);

  // The view draws a frame into its Metal layer: red.
  MTLDevice* device = MTLCreateSystemDefaultDevice();
  CAMetalLayer* layer = CAMetalLayer::layer();
  layer->setDevice(device);
  layer->setDrawableSize(CGSizeMake(320, 200));
  view->setWantsLayer(YES);
  view->setLayer(layer);
  MTLCommandQueue* queue = device->newCommandQueue();
  CAMetalDrawable* drawable = layer->nextDrawable();
  MTLCommandBuffer* cb = queue->commandBuffer();
  MTLRenderPassDescriptor pass;
  pass.colorAttachments[0].texture = drawable->texture();
  pass.colorAttachments[0].loadAction = MTLLoadActionClear;
  pass.colorAttachments[0].clearColor = MTLClearColorMake(1, 0, 0, 1);
  cb->renderCommandEncoderWithDescriptor(pass)->endEncoding();
  cb->presentDrawable(drawable);
  cb->commit();
  cb->waitUntilCompleted();

  ASSERT_TRUE(nsx::ShowOnDesktop(window));
  const unsigned long id = nsx::DesktopWindowId(window);
  ASSERT_NE(id, 0u);
  const std::string wid = std::to_string(id);
  nsx::PumpDesktop(200);
  ASSERT_EQ(Xdo({"windowfocus", "--sync", wid}), 0);
  nsx::PumpDesktop(100);

  std::vector<uint8_t> picture;
  int w = 0, h = 0;
  ASSERT_TRUE(nsx::DesktopPicture(window, picture, w, h));
  ASSERT_EQ(w, 320);
  ASSERT_EQ(h, 200);
  const uint8_t* px = &picture[(100 * 320 + 160) * 4];
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[1], 0);
  EXPECT_EQ(px[2], 0);

  auto pumpUntil = [&](const std::string& prefix) {
    return nsx::PumpDesktop(5000, [&] { return view->saw(prefix); });
  };
  ASSERT_EQ(Xdo({"mousemove", "--window", wid, "40", "30", "click", "1"}), 0);
  EXPECT_TRUE(pumpUntil("up 40,30 x1"));
  ASSERT_EQ(Xdo({"mousemove", "--window", wid, "70", "50", "click", "--repeat", "2", "--delay", "60", "1"}), 0);
  EXPECT_TRUE(pumpUntil("down 70,50 x2"));
  ASSERT_EQ(Xdo({"mousemove", "--window", wid, "100", "100", "mousedown", "1", "mousemove", "--window", wid, "140",
                 "120", "mouseup", "1"}),
            0);
  EXPECT_TRUE(pumpUntil("up 140,120"));
  EXPECT_TRUE(view->saw("drag 140,120"));
  ASSERT_EQ(Xdo({"click", "4"}), 0);
  EXPECT_TRUE(pumpUntil("wheel 1"));
  ASSERT_EQ(Xdo({"type", "ab"}), 0);
  EXPECT_TRUE(pumpUntil("key 11 b"));
  EXPECT_TRUE(view->saw("key 0 a"));
  ASSERT_EQ(Xdo({"key", "shift+1", "Return"}), 0);
  EXPECT_TRUE(pumpUntil("key 36 \r"));
  EXPECT_TRUE(view->saw("key 18 ! shift"));

  // A right click opens a menu in the window; the person clicks its second item.
  const pid_t person = Spawn({"timeout", "20", "xdotool", "mousemove", "--window", wid, "60", "60", "click", "3", "sleep", "0.8",
                              "mousemove", "--window", wid, "90", "94", "click", "1"});
  ASSERT_GT(person, 0);
  EXPECT_TRUE(nsx::PumpDesktop(8000, [&] { return !picker->picked.empty(); }));
  EXPECT_EQ(Wait(person), 0);
  EXPECT_EQ(picker->picked, "Second");

  nsx::HideFromDesktop(window);
  EXPECT_FALSE(nsx::IsOnDesktop(window));
  drawable->release();
  queue->release();
  layer->release();
  device->release();
  view->release();
  picker->release();
  window->release();

  // A window at (50, 300) showing view, shown and given the keyboard; its X id, empty when it
  // could not be.
  auto showFocused = [&](NSView* view, NSWindow*& window) {
    window = NSWindow::alloc()->initWithContentRect(NSMakeRect(50, 300, 320, 200), NSWindowStyleMaskTitled,
                                                    NSBackingStoreBuffered, NO);
    window->setContentView(view);
    if (!nsx::ShowOnDesktop(window)) return std::string();
    const std::string id = std::to_string(nsx::DesktopWindowId(window));
    nsx::PumpDesktop(200);
    const bool focused = Xdo({"windowfocus", "--sync", id}) == 0;
    nsx::PumpDesktop(100);
    return focused ? id : std::string();
  };

  // A drag whose moves all wait in the queue while the view resizes the window on each of them:
  // every move reaches the view where the pointer was on the screen, whichever corner stays.
  for (const bool keepTop : {true, false}) {
    SCOPED_TRACE(keepTop ? "top-left corner kept" : "bottom-left corner kept");
    nsx::AutoreleasePool inner;
    auto* shrinking = static_cast<ShrinkingView*>(ShrinkingView::alloc()->initWithFrame(NSMakeRect(0, 0, 320, 200)));
    shrinking->keepTop = keepTop;
    NSWindow* shrunk = nullptr;
    const std::string shrunkId = showFocused(shrinking, shrunk);
    ASSERT_FALSE(shrunkId.empty());
    // One burst, nothing handled until it is over.
    ASSERT_EQ(Xdo({"mousemove", "--window", shrunkId, "100", "150", "mousedown", "1",     //
                   "mousemove", "--window", shrunkId, "100", "140",                       //
                   "mousemove", "--window", shrunkId, "100", "130",                       //
                   "mousemove", "--window", shrunkId, "100", "120", "mouseup", "1"}),
              0);
    EXPECT_TRUE(nsx::PumpDesktop(5000, [&] { return shrinking->saw("up"); }));
    std::vector<std::string> drags;
    for (const std::string& l : shrinking->log)
      if (l.rfind("drag", 0) == 0 || l.rfind("up", 0) == 0) drags.push_back(l.substr(0, l.find(" x")));
    // The flipped view counts from its top, which moves down 20 points a drag where the bottom stays.
    const std::vector<std::string> expected =
        keepTop ? std::vector<std::string>{"drag 100,140", "drag 100,130", "drag 100,120", "up 100,120"}
                : std::vector<std::string>{"drag 100,140", "drag 100,110", "drag 100,80", "up 100,60"};
    EXPECT_EQ(drags, expected);
    nsx::HideFromDesktop(shrunk);
    shrinking->release();
    shrunk->release();
  }

  // A fine drag (Shift held) whose moves all wait in the queue behind the release of Shift and of
  // the button: each move comes with the keys held when it was made, the release without Shift.
  {
    nsx::AutoreleasePool inner;
    auto* shift = static_cast<ShiftView*>(ShiftView::alloc()->initWithFrame(NSMakeRect(0, 0, 320, 200)));
    NSWindow* fine = nullptr;
    const std::string fineId = showFocused(shift, fine);
    ASSERT_FALSE(fineId.empty());
    ASSERT_EQ(Xdo({"mousemove", "--window", fineId, "100", "150", "keydown", "shift", "mousedown", "1",  //
                   "mousemove", "--window", fineId, "100", "140",                                    //
                   "mousemove", "--window", fineId, "100", "130", "keyup", "shift", "mouseup", "1"}),
              0);
    EXPECT_TRUE(nsx::PumpDesktop(5000, [&] { return shift->saw("up"); }));
    EXPECT_EQ(shift->log, (std::vector<std::string>{"down 150 shift", "drag 140 shift", "drag 130 shift", "up 130"}));
    nsx::HideFromDesktop(fine);
    shift->release();
    fine->release();
  }
  OutliveRequestsNamingDestroyedWindows(display_.name());
}

}  // namespace

