// Dates and the layer's clock (real time, or the manual clock of tests).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <CoreFoundation/CFManualClock.h>

#include "CFScalars.h"

namespace {
std::atomic<bool> g_manual{false};
std::atomic<double> g_manualNow{0.0};
}  // namespace

namespace {
// Unix seconds of 0001-01-01T00:00:00Z and of the first second after 9999.
constexpr double kFirstUnixSecond = -62135596800.0;
constexpr double kEndUnixSecond = 253402300800.0;
}  // namespace

bool OpaqueCFDate::UtcText(std::string& text) const {
  const double unixSeconds = std::floor(time + kCFAbsoluteTimeIntervalSince1970);
  if (!(unixSeconds >= kFirstUnixSecond && unixSeconds < kEndUnixSecond)) return false;  // also NaN
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (gmtime_r(&t, &tm) == nullptr) return false;
  char buffer[80];  // room for any int fields, though the range check keeps them short
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  text = buffer;
  return true;
}

CFHashCode OpaqueCFDate::Hash() const {
  return std::isfinite(time) ? static_cast<CFHashCode>(static_cast<SInt64>(std::clamp(time, -9e18, 9e18))) : 0;
}

std::string OpaqueCFDate::Describe() const {
  std::string text;
  if (UtcText(text)) return text;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "<CFDate %g>", time);
  return buffer;
}

namespace cfx {

void UseManualClock(bool on, CFAbsoluteTime start) {
  g_manualNow.store(start);
  g_manual.store(on);
}

bool IsManualClock() { return g_manual.load(); }

void AdvanceManualClock(CFTimeInterval seconds) {
  if (!(seconds > 0.0)) return;
  double now = g_manualNow.load();
  while (!g_manualNow.compare_exchange_weak(now, now + seconds)) {
  }
}

}  // namespace cfx

extern "C" {

const CFTimeInterval kCFAbsoluteTimeIntervalSince1970 = 978307200.0;

CFAbsoluteTime CFAbsoluteTimeGetCurrent(void) {
  if (g_manual.load()) return g_manualNow.load();
  const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double>(since1970).count() - kCFAbsoluteTimeIntervalSince1970;
}

CFTypeID CFDateGetTypeID(void) { return cfx::kTypeDate; }

CFDateRef CFDateCreate(CFAllocatorRef, CFAbsoluteTime at) { return new OpaqueCFDate(at); }

CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef date) {
  const OpaqueCFDate* d = cfx::As<OpaqueCFDate>(date);
  return d != nullptr ? d->time : 0.0;
}

}  // extern "C"
