// `orbex9-host editor` with a display: the editor in a real window on an X
// server of the test's own (Xvfb), a control dragged with real X input
// (xdotool), the window closed as a window manager closes it; the host then
// saves the state and reports the value the control set. Skipped with a
// clear message where Xvfb cannot start.
#include "EditorWindow.h"

#include <filesystem>

namespace {

using namespace hosttest;

TEST_F(EditorWindowTest, AFaderDraggedWithTheMouseIsSavedAtClose) {
  // FxEditorTest's level fader runs from y = 20 to 180, at 0.5 to begin with.
  const std::string bundle =
      std::filesystem::path(FXEDITOR_COMPONENT_PATH).parent_path().parent_path().parent_path().string();
  bool saved = false;
  const RunResult r = DragInWindow(bundle, "FxEditorTest", 40, 100, -40, saved);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NEAR(JsonField(r.out, "Level"), 0.75, 0.02) << r.out;
  EXPECT_TRUE(saved);
}

TEST_F(EditorWindowTest, TheLimitersGainKnobDraggedUpIsSavedAtClose) {
  // The Gain knob's centre in editor units; the editor opens at scale 1 and Gain at 0 dB. (How
  // far hand-paced moves turn it is editor_window_use_test's.)
  bool saved = false;
  const RunResult r = DragInWindow("", "ORBEX9", 101, 145, -40, saved);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_GT(JsonField(r.out, "Gain"), 0.0) << r.out;
  EXPECT_TRUE(saved);
}

}  // namespace
