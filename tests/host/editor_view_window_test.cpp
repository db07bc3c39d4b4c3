// The host's editor window on a real desktop (Xvfb) with real X input: a drag of the limiter's
// corner resizer whose moves all wait in the queue while the editor is busy reaches the scale
// of the last move, the window following the view's size at every step and keeping its
// top-left corner.
#include "host/EditorView.h"
#include "host/HostedUnit.h"
#include "tests/platform/DesktopTest.h"
#include "tests/host/ProductComponent.h"
#include "tests/plugin/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace orbexhost;

OSStatus Silence(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList* io) {
  for (UInt32 b = 0; b < io->mNumberBuffers; ++b)
    std::fill_n(static_cast<float*>(io->mBuffers[b].mData), io->mBuffers[b].mDataByteSize / 4, 0.f);
  return noErr;
}

using EditorViewWindowTest = xtest::DesktopTest;

TEST_F(EditorViewWindowTest, QueuedMovesOfTheCornerResizerReachTheScaleOfTheLastOne) {
  producttest::TempHome home;
  std::string error;
  LoadedComponent component;
  ASSERT_TRUE(hosttest::LoadProduct("window", component, error)) << error;
  HostedUnit unit;
  ASSERT_TRUE(unit.Open(component.component, error) &&
              unit.Configure(48000.0, 2, 512, Silence, nullptr, error) && unit.Initialize(error))
      << error;
  EditorView view;
  ASSERT_TRUE(view.Open(unit.Unit(), 1.0, "window", error)) << error;
  NSWindow* window = view.Window();
  ASSERT_TRUE(nsx::ShowOnDesktop(window));
  const std::string wid = std::to_string(nsx::DesktopWindowId(window));
  nsx::PumpDesktop(300);
  ASSERT_EQ(Xdo({"windowfocus", "--sync", wid}), 0);
  nsx::PumpDesktop(200);
  const NSRect before = window->frame();

  // One burst from the corner to 70 % of the editor's size; nothing is handled until it is over.
  const double w = view.Width(), h = view.Height();
  std::vector<std::string> burst = {"mousemove", "--window", wid, std::to_string(int(w - 5)),
                                    std::to_string(int(h - 5)), "mousedown", "1"};
  for (const double k : {0.9, 0.8, 0.7})
    for (const std::string& a : {std::string("mousemove"), std::string("--window"), wid,
                                 std::to_string(int((w - 5) * k)), std::to_string(int((h - 5) * k))})
      burst.push_back(a);
  burst.insert(burst.end(), {"mouseup", "1"});
  ASSERT_EQ(Xdo(burst), 0);
  nsx::PumpDesktop(3000);

  EXPECT_NEAR(view.Scale(), 0.7, 0.01);
  const NSRect after = window->frame();
  EXPECT_EQ(after.size.width, view.ViewSize().width);
  EXPECT_EQ(after.size.height, view.ViewSize().height);
  EXPECT_EQ(after.origin.x, before.origin.x);
  EXPECT_EQ(NSMaxY(after), NSMaxY(before));
  nsx::HideFromDesktop(window);
  view.Close();
}

}  // namespace
