// A host opens the editor of a loaded component as an audio application does: the Cocoa-view
// property names the bundle and the view-factory class, the class is made by name from the
// object runtime, and the view it gives is shown in the host's window. Frames are drawn on the
// manual clock and read back from the presented drawable; clicks and drags go through the
// window as events and change the unit's parameters; closing releases every object made.
// Then the same editor in a real window under Xvfb, driven by real X input.
#include <AppKit/AppKit.h>
#include <AppKit/NSDesktop.h>
#include <AudioUnit/AUCocoaUIView.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CFManualClock.h>
#include <QuartzCore/CAMetalLayer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "tests/au/AUBundleHost.h"
#include "tests/graphics/mac/host/EditorTestPlugin.h"
#include "tests/graphics/mac/host/HostedEditor.h"
#include "tests/metal/Harness.h"
#include "tests/platform/DesktopTest.h"

namespace {

using fx::gfx::test::HostedEditor;
using fx::gfx::test::Image;
using fx::gfx::test::Presented;
using fx::gfx::test::WaitForPresents;
using namespace fx::test;

const autest::BundleComponent& Component()
{
  static const autest::BundleComponent c = autest::LoadBundleComponent(FXEDITOR_COMPONENT_PATH);
  return c;
}

bool Near(const uint8_t* p, const int (&rgb)[3], int tolerance = 6)
{
  return std::abs(p[0] - rgb[0]) <= tolerance && std::abs(p[1] - rgb[1]) <= tolerance &&
         std::abs(p[2] - rgb[2]) <= tolerance;
}

class EditorHostTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_NE(Component().viaFactory, nullptr) << "the FxEditorTest component did not load";
    cfx::UseManualClock(true, 1000.0);
    nsx::SetMainScreen(NSMakeSize(1920, 1080), 1.0);
  }
  void TearDown() override { cfx::UseManualClock(false); }

  void Send(NSWindow* window, NSView* view, NSEventType type, double x, double y)
  {
    window->sendEvent(NSEvent::mouseEventWithType(type, view->convertPointToView(NSMakePoint(x, y), nullptr), 0, 0,
                                                  window->windowNumber(), nullptr, 0, 1, 1.f));
  }
  // Runs the frame timer for a frame and waits for what it presented.
  Image Frame(CAMetalLayer* layer)
  {
    const unsigned long before = layer->presentCount();
    cfx::RunMainRunLoopFor(1.0 / 60.0 + 1e-6);
    EXPECT_TRUE(WaitForPresents(layer, before + 1));
    return Presented(layer);
  }
};

TEST_F(EditorHostTest, AHostOpensDrawsDrivesAndClosesTheEditor)
{
  nsx::AutoreleasePool pool;
  NSWindow* window = NSWindow::alloc()->initWithContentRect(NSMakeRect(100, 100, kEditorTestWidth, kEditorTestHeight),
                                                            NSWindowStyleMaskTitled, NSBackingStoreBuffered, NO);
  window->makeKeyAndOrderFront(nullptr);
  const long nsBefore = nsx::LiveObjectCount(), cfBefore = cfx::LiveObjectCount();
  {
    nsx::AutoreleasePool inner;
    HostedEditor host(Component());
    ASSERT_NE(host.ui, nullptr);
    EXPECT_EQ(autest::CFText(host.info.mCocoaAUViewClass[0]), "FxEditorTest_View");
    EXPECT_EQ(host.ui->interfaceVersion(), 0u);
    EXPECT_EQ(host.factory->description()->utf8(), "FxEditorTest View");

    // The preferred size is not used: the view has the editor's size.
    NSView* view = host.ui->uiViewForAudioUnit(host.unit, NSMakeSize(10, 10));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->frame().size.width, kEditorTestWidth);
    EXPECT_EQ(view->frame().size.height, kEditorTestHeight);
    window->contentView()->addSubview(view);
    CAMetalLayer* layer = view->layer()->asMetalLayer();
    ASSERT_NE(layer, nullptr);

    Image img = Frame(layer);
    ASSERT_EQ(img.w, kEditorTestWidth);
    EXPECT_TRUE(Near(img.at(250, 190), kBackgroundRGB));
    EXPECT_TRUE(Near(img.at(40, 150), kFaderOnRGB)); // level 0.5: the lower half is lit
    EXPECT_FALSE(Near(img.at(40, 60), kFaderOnRGB));
    EXPECT_FALSE(Near(img.at(140, 40), kSwitchOnRGB));
    int bright = 0; // the readout's text in the bundle's font
    for (int y = 80; y < 110; ++y)
      for (int x = 100; x < 280; ++x) bright += img.g(x, y) > 200;
    EXPECT_GT(bright, 40);
    EXPECT_FALSE(Near(img.at(210, 130), kBackgroundRGB)); // the bundle's bitmap
    fx::gfx::test::writePng("editor-opened", img, "editor_host");

    // A click on the switch and a drag of the fader, as the window delivers them.
    Send(window, view, NSEventTypeLeftMouseDown, 140, 40);
    Send(window, view, NSEventTypeLeftMouseUp, 140, 40);
    EXPECT_EQ(host.Param(kParamBypass), 1.0);
    Send(window, view, NSEventTypeLeftMouseDown, 40, 100);
    Send(window, view, NSEventTypeLeftMouseDragged, 40, 80);
    Send(window, view, NSEventTypeLeftMouseDragged, 40, 60);
    Send(window, view, NSEventTypeLeftMouseUp, 40, 60);
    EXPECT_NEAR(host.Param(kParamLevel), 0.75, 1e-3);

    img = Frame(layer);
    EXPECT_TRUE(Near(img.at(140, 40), kSwitchOnRGB));
    EXPECT_TRUE(Near(img.at(40, 70), kFaderOnRGB));
    fx::gfx::test::writePng("editor-driven", img, "editor_host");

    // A second request closes the first editor and gives a new view.
    NSView* second = host.ui->uiViewForAudioUnit(host.unit, NSMakeSize(0, 0));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(window->contentView()->subviewList().size(), 0u);
    window->contentView()->addSubview(second);
    Frame(second->layer()->asMetalLayer());

    // The host closes the editor by taking its view away.
    second->removeFromSuperview();
  }
  EXPECT_EQ(nsx::LiveObjectCount(), nsBefore);
  EXPECT_EQ(cfx::LiveObjectCount(), cfBefore);
  window->close();
  window->release();
}

using EditorDesktopTest = xtest::DesktopTest;

TEST_F(EditorDesktopTest, TheEditorRunsInARealWindow)
{
  ASSERT_NE(Component().viaFactory, nullptr);
  nsx::AutoreleasePool pool;
  NSWindow* window = NSWindow::alloc()->initWithContentRect(NSMakeRect(60, 60, kEditorTestWidth, kEditorTestHeight),
                                                            NSWindowStyleMaskTitled, NSBackingStoreBuffered, NO);
  window->setTitle(NSSTR("FxEditorTest"));
  {
    HostedEditor host(Component());
    ASSERT_NE(host.ui, nullptr);
    NSView* view = host.ui->uiViewForAudioUnit(host.unit, NSMakeSize(0, 0));
    ASSERT_NE(view, nullptr);
    window->contentView()->addSubview(view);
    ASSERT_TRUE(nsx::ShowOnDesktop(window));
    const std::string wid = std::to_string(nsx::DesktopWindowId(window));
    ASSERT_EQ(Xdo({"windowfocus", "--sync", wid}), 0);

    std::vector<uint8_t> picture;
    int w = 0, h = 0;
    const auto shows = [&](int x, int y, const int (&rgb)[3]) {
      return nsx::DesktopPicture(window, picture, w, h) && w == kEditorTestWidth &&
             Near(&picture[(static_cast<size_t>(y) * w + x) * 4], rgb);
    };
    EXPECT_TRUE(nsx::PumpDesktop(5000, [&] { return shows(250, 190, kBackgroundRGB); }));

    ASSERT_EQ(Xdo({"mousemove", "--window", wid, "140", "40", "click", "1"}), 0);
    EXPECT_TRUE(nsx::PumpDesktop(5000, [&] { return shows(140, 40, kSwitchOnRGB); }));
    EXPECT_EQ(host.Param(kParamBypass), 1.0);

    ASSERT_EQ(Xdo({"mousemove", "--window", wid, "40", "100", "mousedown", "1", "mousemove", "--window", wid, "40",
                   "80", "mousemove", "--window", wid, "40", "60", "mouseup", "1"}),
              0);
    EXPECT_TRUE(nsx::PumpDesktop(5000, [&] { return shows(40, 70, kFaderOnRGB); }));
    EXPECT_NEAR(host.Param(kParamLevel), 0.75, 0.02);

    Image shown;
    shown.w = w, shown.h = h, shown.px = picture;
    fx::gfx::test::writePng("editor-desktop", shown, "editor_host");
    nsx::HideFromDesktop(window);
    view->removeFromSuperview();
  }
  window->release();
}

} // namespace
