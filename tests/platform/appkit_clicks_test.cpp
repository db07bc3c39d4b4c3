// The desktop window's click counts: by the desktop's time of each press, the
// button and the place, across the wrap of the desktop's 32-bit clock.
#include "platform/AppKit/src/DesktopClicks.h"

#include <gtest/gtest.h>

namespace {

using appkit::ClickCounter;

TEST(ClickCounter, PressesNearInTimeAndPlaceCountOnAndAnythingElseStartsAgain) {
  ClickCounter c;
  EXPECT_EQ(c.count(), 1);
  EXPECT_EQ(c.pressed(1, 100, 50, 1000), 1);
  EXPECT_EQ(c.pressed(1, 103, 46, 1400), 2);  // within 4 points and 500 ms of the one before
  EXPECT_EQ(c.pressed(1, 100, 50, 1900), 3);  // each measured from the press before it
  EXPECT_EQ(c.count(), 3);
  EXPECT_EQ(c.pressed(1, 100, 50, 2401), 1);   // 501 ms later
  EXPECT_EQ(c.pressed(1, 105, 50, 2500), 1);   // 5 points away
  EXPECT_EQ(c.pressed(3, 105, 50, 2600), 1);   // another button
  EXPECT_EQ(c.pressed(1, 105, 50, 2700), 1);   // and back
  EXPECT_EQ(c.pressed(1, 105, 50, 2650), 1);   // a time before the last one
  // Two presses 600 ms apart stay single clicks however late the program reads them.
  EXPECT_EQ(c.pressed(1, 129, 37, 10000), 1);
  EXPECT_EQ(c.pressed(1, 129, 37, 10600), 1);

  ClickCounter wrap;
  EXPECT_EQ(wrap.pressed(1, 10, 10, 0xFFFFFF00u), 1);
  EXPECT_EQ(wrap.pressed(1, 10, 10, 0x00000050u), 2);  // 336 ms later, past the wrap
}

}  // namespace
