#include "DesktopPointer.h"

#include <algorithm>
#include <cmath>

namespace appkit {

namespace {

// Reports come in whole points.
bool Same(CGPoint a, CGPoint b) { return std::fabs(a.x - b.x) < 0.5 && std::fabs(a.y - b.y) < 0.5; }

double Length2(double dx, double dy) { return dx * dx + dy * dy; }

// Warps whose reports are still awaited, at most (older ones are forgotten).
constexpr size_t kMaxPending = 8;

}  // namespace

PointerTracker::PointerTracker(std::function<void(double, double)> warpReal) : warp_(std::move(warpReal)) {}

PointerTracker::Motion PointerTracker::moved(double x, double y) {
  const CGPoint p{x, y};
  for (size_t i = 0; i < pending_.size(); ++i) {
    if (!Same(pending_[i], p)) continue;
    // The report of our own warp (and of none before it that is still awaited).
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(i) + 1);
    if (pending_.empty() && recentring_) {
      recentring_ = false;
      ambiguous_ = true;
      before_ = real_;
    }
    real_ = p;
    known_ = true;
    if (!hidden_) program_ = p;
    return Motion{};
  }
  double dx = 0, dy = 0;
  if (ambiguous_) {
    // A mouse moved the pointer from the middle, a tablet to a place near the last one.
    ambiguous_ = false;
    const double rx = p.x - centre_.x, ry = p.y - centre_.y, ax = p.x - before_.x, ay = p.y - before_.y;
    const bool relative = Length2(rx, ry) <= Length2(ax, ay);
    dx = relative ? rx : ax;
    dy = relative ? ry : ay;
  } else if (known_) {
    dx = p.x - real_.x;
    dy = p.y - real_.y;
  }
  real_ = p;
  known_ = true;
  if (!hidden_) {
    program_ = p;
    return Motion{true, p.x, p.y, dx, dy};
  }
  if (dx == 0 && dy == 0) return Motion{};
  program_.x += dx;
  program_.y += dy;
  const Motion m{true, program_.x, program_.y, dx, dy};
  const double w = screen_.size.width, h = screen_.size.height;
  const double margin = std::max(8.0, std::min(w, h) / 8);
  if (pending_.empty() && w > 4 * margin && h > 4 * margin) {
    const double left = screen_.origin.x, top = screen_.origin.y;
    if (p.x < left + margin || p.x >= left + w - margin || p.y < top + margin || p.y >= top + h - margin) {
      centre_ = CGPoint{std::round(left + w / 2), std::round(top + h / 2)};
      warpReal(centre_, true);
    }
  }
  return m;
}

void PointerTracker::warped(double x, double y) {
  program_ = CGPoint{x, y};
  if (!hidden_) warpReal(program_, false);
}

void PointerTracker::setHidden(bool hidden) {
  if (hidden == hidden_) return;
  hidden_ = hidden;
  if (!hidden && known_ && !Same(real_, program_)) warpReal(program_, false);
}

void PointerTracker::warpReal(CGPoint to, bool recentring) {
  to = CGPoint{std::round(to.x), std::round(to.y)};
  // A warp to where the pointer is moves nothing and is not reported.
  if (pending_.empty() && known_ && Same(real_, to)) return;
  pending_.push_back(to);
  if (pending_.size() > kMaxPending) pending_.pop_front();
  recentring_ = recentring;
  ambiguous_ = false;
  if (warp_) warp_(to.x, to.y);
}

}  // namespace appkit
