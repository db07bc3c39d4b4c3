// A host opens the limiter's editor as an audio application does: property 31 names the view
// factory's class, the class is made by name, and the view it gives is shown in a window. The
// frames are drawn on the manual clock and read back from the presented drawable (written as
// PNG files under the build folder); clicks and drags go through the window and change the
// unit's parameters; closing the view closes the editor.

#include <AppKit/AppKit.h>
#include <AudioUnit/AUCocoaUIView.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFManualClock.h>
#include <QuartzCore/CAMetalLayer.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/au/AUBundleHost.h"
#include "tests/graphics/mac/host/HostedEditor.h"
#include "tests/metal/Harness.h"

#include "tests/support/ImageRead.h"

namespace {

using fx::gfx::test::Image;
using fx::gfx::test::Presented;
using fx::gfx::test::WaitForPresents;
using fx::gfx::test::HostedEditor;

// Parameter indices of the product.
constexpr AudioUnitParameterID kGainParam = 3, kSatModeParam = 13, kOSModeParam = 2, kMeterModeParam = 11;

const autest::BundleComponent& Product()
{
  static const autest::BundleComponent c = autest::LoadBundleComponent(ORBEX9_COMPONENT_PATH);
  return c;
}

bool ReadPng(const std::string& path, Image& img)
{
  testimage::Decoded d;
  if (!testimage::Read(path, d)) return false;
  img.w = d.width, img.h = d.height;
  img.px = std::move(d.rgba);
  return true;
}

// The mean difference per channel between the picture and the artwork's own pixels of a region
// that no value changes (the background's legends and the meter faces' printed scales).
double MeanDifference(const Image& a, const Image& b, int x0, int y0, int x1, int y1)
{
  double sum = 0.0;
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int c = 0; c < 3; ++c, ++n) sum += std::abs(a.px[(static_cast<size_t>(y) * a.w + x) * 4 + c] -
                                                       b.px[(static_cast<size_t>(y) * b.w + x) * 4 + c]);
  return n ? sum / n : 255.0;
}

class ProductEditorHost : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_NE(Product().viaFactory, nullptr) << "ORBEX9.component did not load";
    cfx::UseManualClock(true, 1000.0);
    nsx::SetMainScreen(NSMakeSize(1920, 1080), 1.0);
  }
  void TearDown() override { cfx::UseManualClock(false); }

  void Send(NSWindow* window, NSView* view, NSEventType type, double x, double y, int clicks = 1)
  {
    window->sendEvent(NSEvent::mouseEventWithType(type, view->convertPointToView(NSMakePoint(x, y), nullptr), 0, 0,
                                                  window->windowNumber(), nullptr, 0, clicks, 1.f));
  }
  Image Frame(CAMetalLayer* layer)
  {
    const unsigned long before = layer->presentCount();
    cfx::RunMainRunLoopFor(1.0 / 60.0 + 1e-6);
    EXPECT_TRUE(WaitForPresents(layer, before + 1));
    return Presented(layer);
  }
};

TEST_F(ProductEditorHost, AHostOpensDrawsAndDrivesTheEditor)
{
  nsx::AutoreleasePool pool;
  NSWindow* window = NSWindow::alloc()->initWithContentRect(NSMakeRect(100, 100, 1000, 270), NSWindowStyleMaskTitled,
                                                            NSBackingStoreBuffered, NO);
  window->makeKeyAndOrderFront(nullptr);
  {
    nsx::AutoreleasePool inner;
    HostedEditor host(Product());
    ASSERT_NE(host.ui, nullptr);
    EXPECT_EQ(autest::CFText(host.info.mCocoaAUViewClass[0]), "ORBEX9_View");
    EXPECT_EQ(host.factory->description()->utf8(), "ORBEX9 View");
    NSView* view = host.ui->uiViewForAudioUnit(host.unit, NSMakeSize(10, 10));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->frame().size.width, 1000);
    EXPECT_EQ(view->frame().size.height, 270);
    window->contentView()->addSubview(view);
    CAMetalLayer* layer = view->layer()->asMetalLayer();
    ASSERT_NE(layer, nullptr);

    Image img = Frame(layer);
    ASSERT_EQ(img.w, 1000);
    ASSERT_EQ(img.h, 270);
    const std::string opened = fx::gfx::test::writePng("editor-opened", img, "product_editor");
    std::printf("editor picture: %s\n", opened.c_str());

    // The picture is the artwork's: the background's legends and the meter faces as drawn by
    // the artwork generator (the name bar, knobs, needles and readouts carry values).
    Image art;
    ASSERT_TRUE(ReadPng(std::string(std::getenv("ORBEX_SOURCE_DIR")) + "/resources/editor/background.png",
                      art));
    ASSERT_EQ(art.w, 1000);
    EXPECT_LT(MeanDifference(img, art, 0, 40, 150, 100), 2.0);  // product name and GAIN legend
    EXPECT_LT(MeanDifference(img, art, 680, 0, 1000, 60), 2.0);   // the name plate, LOOK AHEAD, LIMIT MODE

    // A click on the Saturation switch and a drag of the Gain knob, as the window delivers them.
    Send(window, view, NSEventTypeLeftMouseDown, 174, 86);
    Send(window, view, NSEventTypeLeftMouseUp, 174, 86);
    EXPECT_EQ(host.Param(kSatModeParam), 1.0);
    // The knob hides and holds the pointer while it is dragged; it turns by the hand's movement.
    Send(window, view, NSEventTypeLeftMouseDown, 101, 145);
    Send(window, view, NSEventTypeLeftMouseDragged, 101, 125);
    Send(window, view, NSEventTypeLeftMouseDragged, 101, 104);
    Send(window, view, NSEventTypeLeftMouseUp, 101, 104);
    EXPECT_NEAR(host.Param(kGainParam), 24.0 * 0.125 * 0.125, 0.01); // an eighth of the range, power 2
    // The third OS Mode button and the GR meter button.
    Send(window, view, NSEventTypeLeftMouseDown, 502, 238);
    Send(window, view, NSEventTypeLeftMouseUp, 502, 238);
    EXPECT_EQ(host.Param(kOSModeParam), 2.0);
    Send(window, view, NSEventTypeLeftMouseDown, 497, 69);
    Send(window, view, NSEventTypeLeftMouseUp, 497, 69);
    EXPECT_EQ(host.Param(kMeterModeParam), 1.0);

    img = Frame(layer);
    fx::gfx::test::writePng("editor-driven", img, "product_editor");
    view->removeFromSuperview();
  }
  window->close();
  window->release();
}

} // namespace
