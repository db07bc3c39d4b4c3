// The desktop window's pointer tracker: the hand's movement and the program's pointer from the
// reports of the real pointer, with the program's warps and the reports they cause kept apart.
#include "platform/AppKit/src/DesktopPointer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using appkit::PointerTracker;

// A tracker whose real-pointer warps are recorded, on a 1000 x 800 screen around the window.
struct Tracked {
  std::vector<CGPoint> warps;
  PointerTracker t{[this](double x, double y) { warps.push_back(CGPoint{x, y}); }};
  Tracked() { t.setScreen(CGRect{{-100, -100}, {1000, 800}}); }
  // A report of the real pointer; its movement as delivered ((0, 0) and false when dropped).
  bool move(double x, double y, double dx, double dy) {
    const PointerTracker::Motion m = t.moved(x, y);
    EXPECT_DOUBLE_EQ(m.dx, dx);
    EXPECT_DOUBLE_EQ(m.dy, dy);
    return m.deliver;
  }
};

TEST(PointerTracker, AShownCursorIsTheRealPointerAndItsWarpsMoveIt) {
  Tracked p;
  EXPECT_TRUE(p.move(50, 60, 0, 0));
  EXPECT_TRUE(p.move(53, 56, 3, -4));
  p.t.warped(10.4, 20.6);
  ASSERT_EQ(p.warps.size(), 1u);
  EXPECT_DOUBLE_EQ(p.warps[0].x, 10);
  EXPECT_DOUBLE_EQ(p.warps[0].y, 21);
  // A hand's report that left before the warp counts from where the pointer was; the warp's own
  // report is dropped; the next counts from the warp's place.
  EXPECT_TRUE(p.move(55, 56, 2, 0));
  EXPECT_FALSE(p.move(10, 21, 0, 0));
  EXPECT_TRUE(p.move(12, 20, 2, -1));
  EXPECT_DOUBLE_EQ(p.t.position().x, 12);
  p.t.warped(12, 20);  // where it is: nothing to move
  EXPECT_EQ(p.warps.size(), 1u);
}

TEST(PointerTracker, AHiddenLockedCursorFollowsTheHandAndComesBackWhereItWasHidden) {
  // A knob: press at (100, 200), the cursor hidden, put back after every move. Whether the hand
  // moves the real pointer by steps (a mouse) or to places (a tablet), the real pointer is left
  // where the hand takes it, so each report's movement is the hand's.
  Tracked p;
  p.move(100, 200, 0, 0);
  p.t.setHidden(true);
  for (int i = 1; i <= 5; ++i) {
    ASSERT_TRUE(p.move(100, 200 - 4 * i, 0, -4));
    EXPECT_DOUBLE_EQ(p.t.position().y, 196);  // moved by the hand ...
    p.t.warped(100, 200);                     // ... and held by the program
  }
  EXPECT_TRUE(p.warps.empty());
  EXPECT_FALSE(p.move(100, 180, 0, 0));  // no movement: nothing to send
  p.t.setHidden(false);
  ASSERT_EQ(p.warps.size(), 1u);
  EXPECT_DOUBLE_EQ(p.warps[0].y, 200);
  EXPECT_FALSE(p.move(100, 200, 0, 0));
  EXPECT_TRUE(p.move(101, 200, 1, 0));
}

TEST(PointerTracker, NearTheScreensEdgeTheRealPointerGoesToTheMiddleWithoutMovingTheProgramsOne) {
  // The screen's middle is (400, 300) in window points; the edge zone is 100 wide.
  for (const bool mouse : {true, false}) {
    Tracked p;
    p.move(100, 20, 0, 0);
    p.t.setHidden(true);
    ASSERT_TRUE(p.move(100, -5, 0, -25));
    ASSERT_EQ(p.warps.size(), 1u) << mouse;
    EXPECT_DOUBLE_EQ(p.warps[0].x, 400);
    EXPECT_DOUBLE_EQ(p.warps[0].y, 300);
    EXPECT_FALSE(p.move(400, 300, 0, 0));
    // A mouse moves on from the middle, a tablet from its last place; both read as its own step.
    EXPECT_TRUE(mouse ? p.move(400, 290, 0, -10) : p.move(100, -15, 0, -10)) << mouse;
    EXPECT_DOUBLE_EQ(p.t.position().y, -15) << mouse;
    EXPECT_TRUE(mouse ? p.move(400, 280, 0, -10) : p.move(100, -25, 0, -10)) << mouse;
  }
}

}  // namespace
