// An IGfxMac editor opened in a headless window: the run loop on the manual clock, modal
// interface answered by a scripted responder, the main screen's scale set by the test; events
// are sent through the window as the platform delivers them, and the pixels of the main
// framebuffer and of the presented drawable are read back.
#pragma once

#include <AppKit/AppKit.h>
#include <CoreFoundation/CFManualClock.h>
#include <QuartzCore/CAMetalLayer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/mac/IGfxMac.h"
#include "graphics/mac/IGfxView.h"
#include "graphics/mac/MVGRenderer.h"
#include "tests/graphics/GfxTestSupport.h"
#include "tests/metal/Harness.h"

namespace fx::gfx::test {

/** A file of the editor's resources in the source tree (ctest passes its folder). */
inline std::string EditorResource(const char* name)
{
  const char* s = std::getenv("ORBEX_SOURCE_DIR");
  return std::string(s ? s : ".") + "/resources/editor/" + name;
}

class MacEditorTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    cfx::UseManualClock(true, 1000.0);
    nsx::SetModalResponder(&responder);
    nsx::SetMainScreen(NSMakeSize(1920, 1080), 1.0);
  }
  void TearDown() override
  {
    CloseEditor();
    if (window)
    {
      window->close();
      window->release();
      window = nullptr;
    }
    nsx::SetModalResponder(nullptr);
    nsx::SetMainScreen(NSMakeSize(1920, 1080), 1.0);
    cfx::UseManualClock(false);
  }

  /** The delegate makes editors of w × h at the draw scale; the layout function runs what the
   *  test puts in layout. */
  void MakeEditor(int w = 300, int h = 200, float scale = 1.f)
  {
    dlg.SetMakeGraphicsFunc([this, w, h, scale]() -> IGfxLink* {
      auto* g = new IGfxMac(dlg, w, h, 60, scale);
      g->SetClock(clock.Func());
      return g;
    });
    dlg.SetLayoutFunc([this](IGfx* g) {
      if (layout) layout(*g);
    });
  }
  /** The delegate opens the editor in a window of the view's size (made on first use). */
  IGfxView_vORBEX9_au* OpenInWindow(int w = 300, int h = 200, float scale = 1.f)
  {
    MakeWindow(w, h, scale);
    MakeEditor(w, h, scale);
    auto* view = static_cast<IGfxView_vORBEX9_au*>(dlg.OpenWindow(window->contentView()));
    gfx = static_cast<IGfxMac*>(dlg.GetGraphics());
    return view;
  }
  /** A window (content bottom-left at 100, 100) for an editor of that size, made once. */
  void MakeWindow(int w = 300, int h = 200, float scale = 1.f)
  {
    if (window) return;
    window = NSWindow::alloc()->initWithContentRect(
      NSMakeRect(100, 100, static_cast<int>(w * scale), static_cast<int>(h * scale)), NSWindowStyleMaskTitled,
      NSBackingStoreBuffered, NO);
    window->makeKeyAndOrderFront(nullptr);
  }
  /** Waits until the Metal work committed so far is done (the queue runs in order). */
  void WaitForGPU()
  {
    MTLCommandBuffer* cb = mvgrCommandQueue(static_cast<VGcontext*>(gfx->GetDrawContext()))->commandBuffer();
    cb->commit();
    cb->waitUntilCompleted();
    cb->release();
  }
  /** The delegate opens the editor without a parent view. */
  IGfxView_vORBEX9_au* OpenHeadless(int w = 300, int h = 200, float scale = 1.f)
  {
    MakeEditor(w, h, scale);
    auto* view = static_cast<IGfxView_vORBEX9_au*>(dlg.OpenWindow(nullptr));
    gfx = static_cast<IGfxMac*>(dlg.GetGraphics());
    return view;
  }
  void CloseEditor()
  {
    dlg.CloseWindow();
    gfx = nullptr;
  }
  /** Runs the frame timer for one frame period. */
  void Frame() { cfx::RunMainRunLoopFor(1.0 / 60.0 + 1e-6); }

  /** A point of the view (points, top-left origin) in the window's base coordinates. */
  NSPoint Base(double x, double y) const
  {
    return gfx->GetView()->convertPointToView(NSMakePoint(x, y), nullptr);
  }
  void Send(NSEventType type, double x, double y, NSEventModifierFlags flags = 0, int clicks = 1)
  {
    window->sendEvent(NSEvent::mouseEventWithType(type, Base(x, y), flags, 0, window->windowNumber(), nullptr, 0,
                                                  clicks, 1.f));
  }
  void Key(unsigned short keyCode, NSEventModifierFlags flags = 0)
  {
    window->sendEvent(nsx::KeyEvent(NSEventTypeKeyDown, keyCode, flags, window->windowNumber()));
  }

  /** The main framebuffer's pixels (RGBA, rows top down). */
  Image MainPixels()
  {
    Image img;
    MVGframebuffer* fb = gfx->GetMainFramebuffer();
    auto* vg = static_cast<VGcontext*>(gfx->GetDrawContext());
    if (!fb || !vg) return img;
    int w = 0, h = 0;
    vgrGetImageSize(vg, fb->image, &w, &h);
    img.w = w, img.h = h;
    img.px.resize(static_cast<size_t>(w) * h * 4);
    mvgrReadPixels(vg, fb->image, 0, 0, w, h, img.px.data());
    return img;
  }

  TestDelegate dlg;
  ManualClock clock;
  IGfxMac* gfx = nullptr; // the delegate's
  std::function<void(IGfx&)> layout;
  NSWindow* window = nullptr;
  nsx::ScriptedResponder responder;
  nsx::AutoreleasePool pool;
};

} // namespace fx::gfx::test
