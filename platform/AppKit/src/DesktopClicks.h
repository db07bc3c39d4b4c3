// The click count of the desktop window's presses, as the window server
// keeps it: a press of the same button within the double-click interval of
// the one before and near its place is one click more. Times are the
// desktop's own event times (milliseconds, wrapping at 32 bits), taken when
// the person pressed, not when the program got round to the press, so that
// a busy program does not make two separate clicks a double click.
// Main thread.
#pragma once

#include <cstdint>

namespace appkit {

class ClickCounter {
 public:
  static constexpr uint32_t kIntervalMs = 500;
  static constexpr double kDistance = 4;  // points, either way

  // A press of button at (x, y) at time ms; its click count (1, 2, ...).
  int pressed(int button, double x, double y, uint32_t ms);
  // The count of the last press (for its release); 1 before any.
  int count() const { return count_; }

 private:
  int count_ = 1;
  int button_ = -1;  // none yet
  double x_ = 0, y_ = 0;
  uint32_t ms_ = 0;
};

}  // namespace appkit
