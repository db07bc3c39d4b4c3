// The person's pointer in the desktop window, told apart from the program's
// warps. The desktop reports where the real pointer is after each motion;
// this keeps the hand's movement and the pointer the program sees.
//
// While the program shows the cursor, the program's pointer is the real one
// and its warps move the real one. While it hides the cursor, the program's
// pointer is this object's own: the hand's movement moves it, the program's
// warps set it, and the real pointer is left where the hand takes it (a
// mouse moves it by steps, a tablet or a remote control to places; either
// way the difference of two reports is the hand's movement only while no
// warp lies between them). Only when the real pointer comes near the edge of
// the screen, where a mouse could take it no further, is it put back in the
// middle; the next report then is read as the movement from the middle or
// from the place before, whichever is the smaller. When the cursor shows
// again, the real pointer is put where the program's pointer is.
//
// The motion a warp of the real pointer causes comes back as a report at
// the warp's target; it is not the hand's and is dropped. Positions are in
// window points, y growing downward.
#pragma once

#include <deque>
#include <functional>

#include <CoreGraphics/CGGeometry.h>

namespace appkit {

class PointerTracker {
 public:
  struct Motion {
    bool deliver = false;  // false: nothing of the hand's to send
    double x = 0, y = 0;   // the program's pointer
    double dx = 0, dy = 0; // the hand's movement since the last report
  };

  // warpReal moves the real pointer to a window point.
  explicit PointerTracker(std::function<void(double x, double y)> warpReal);

  // The screen's rectangle in window points (the real pointer stays in it).
  void setScreen(CGRect screen) { screen_ = screen; }
  // A report of the real pointer at (x, y).
  Motion moved(double x, double y);
  // The program moved its pointer to (x, y).
  void warped(double x, double y);
  // The program hid (true) or showed the cursor.
  void setHidden(bool hidden);
  bool hidden() const { return hidden_; }
  // The program's pointer now.
  CGPoint position() const { return program_; }

 private:
  void warpReal(CGPoint to, bool recentring);

  std::function<void(double, double)> warp_;
  CGRect screen_{{0, 0}, {0, 0}};
  CGPoint real_{0, 0};     // the last report
  bool known_ = false;     // a report came
  CGPoint program_{0, 0};
  bool hidden_ = false;
  std::deque<CGPoint> pending_;  // warps of the real pointer whose reports have not come
  bool recentring_ = false;      // the last warp put the real pointer in the middle
  bool ambiguous_ = false;       // ... and its report came: the next movement is read both ways
  CGPoint centre_{0, 0}, before_{0, 0};
};

}  // namespace appkit
