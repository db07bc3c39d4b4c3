#include "DesktopClicks.h"

#include <cmath>

namespace appkit {

int ClickCounter::pressed(int button, double x, double y, uint32_t ms) {
  // Unsigned difference: right across the 32-bit wrap of the desktop's clock.
  const bool again = button == button_ && static_cast<uint32_t>(ms - ms_) <= kIntervalMs &&
                     std::fabs(x - x_) <= kDistance && std::fabs(y - y_) <= kDistance;
  count_ = again ? count_ + 1 : 1;
  button_ = button;
  x_ = x, y_ = y;
  ms_ = ms;
  return count_;
}

}  // namespace appkit
