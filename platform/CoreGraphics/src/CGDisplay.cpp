#include <cmath>
#include <mutex>

#include <CoreGraphics/CGCursorRecord.h>
#include <CoreGraphics/CGRemoteOperation.h>

namespace {

constexpr CGDirectDisplayID kMainDisplay = 1;

struct Record {
  std::mutex mutex;
  cgx::CursorState cursor;
  CGSize display{1920, 1080};
  std::function<void(const cgx::CursorState&)> observer;
};

Record& TheRecord() {
  static auto* record = new Record();  // outlives every caller
  return *record;
}

// Tells the observer of a change, outside the lock. Nothing of the calls is
// kept beyond the state itself: the cursor is warped on every step of a drag,
// for as long as the program runs.
void Changed(std::unique_lock<std::mutex>& lock, Record& r) {
  const auto observer = r.observer;
  const cgx::CursorState state = r.cursor;
  lock.unlock();
  if (observer) observer(state);
}

bool Finite(CGPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

CGError Warp(CGPoint global) {
  if (!Finite(global)) return kCGErrorIllegalArgument;
  Record& r = TheRecord();
  std::unique_lock<std::mutex> lock(r.mutex);
  r.cursor.position = global;
  r.cursor.warps++;
  Changed(lock, r);
  return kCGErrorSuccess;
}

}  // namespace

extern "C" {

CGDirectDisplayID CGMainDisplayID(void) { return kMainDisplay; }

CGRect CGDisplayBounds(CGDirectDisplayID display) {
  if (display != kMainDisplay) return CGRectZero;
  Record& r = TheRecord();
  std::lock_guard<std::mutex> lock(r.mutex);
  return CGRect{{0, 0}, r.display};
}

size_t CGDisplayPixelsWide(CGDirectDisplayID display) { return static_cast<size_t>(CGDisplayBounds(display).size.width); }
size_t CGDisplayPixelsHigh(CGDirectDisplayID display) { return static_cast<size_t>(CGDisplayBounds(display).size.height); }

CGError CGDisplayHideCursor(CGDirectDisplayID display) {
  if (display != kMainDisplay) return kCGErrorIllegalArgument;
  Record& r = TheRecord();
  std::unique_lock<std::mutex> lock(r.mutex);
  r.cursor.hideCount++;
  Changed(lock, r);
  return kCGErrorSuccess;
}

CGError CGDisplayShowCursor(CGDirectDisplayID display) {
  if (display != kMainDisplay) return kCGErrorIllegalArgument;
  Record& r = TheRecord();
  std::unique_lock<std::mutex> lock(r.mutex);
  if (r.cursor.hideCount > 0) r.cursor.hideCount--;
  Changed(lock, r);
  return kCGErrorSuccess;
}

CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display, CGPoint point) {
  if (display != kMainDisplay) return kCGErrorIllegalArgument;
  return Warp(point);  // the main display's corner is the global origin
}

CGError CGWarpMouseCursorPosition(CGPoint newCursorPosition) { return Warp(newCursorPosition); }

CGError CGAssociateMouseAndMouseCursorPosition(Boolean connected) {
  Record& r = TheRecord();
  std::unique_lock<std::mutex> lock(r.mutex);
  r.cursor.associated = connected != 0;
  Changed(lock, r);
  return kCGErrorSuccess;
}

}  // extern "C"

namespace cgx {

CursorState Cursor() {
  Record& r = TheRecord();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.cursor;
}

void ResetCursorRecord() {
  Record& r = TheRecord();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.cursor = CursorState{};
}

void SetMainDisplaySize(CGFloat width, CGFloat height) {
  Record& r = TheRecord();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.display.width = std::isfinite(width) ? std::max<CGFloat>(1, std::floor(width)) : 1920;
  r.display.height = std::isfinite(height) ? std::max<CGFloat>(1, std::floor(height)) : 1080;
}

void PointerMoved(CGPoint globalPosition) {
  if (!Finite(globalPosition)) return;
  Record& r = TheRecord();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (r.cursor.associated) r.cursor.position = globalPosition;
}

void SetCursorObserver(std::function<void(const CursorState&)> observer) {
  Record& r = TheRecord();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.observer = std::move(observer);
}

}  // namespace cgx
