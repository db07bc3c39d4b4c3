// Dates and the layer's clock (real time, or the manual clock of tests).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>

#include <CoreFoundation/CFManualClock.h>

#include "CFScalars.h"

namespace {
std::atomic<bool> g_manual{false};
std::atomic<double> g_manualNow{0.0};
}  // namespace

std::string OpaqueCFDate::Describe() const {
  const double unixSeconds = time + kCFAbsoluteTimeIntervalSince1970;
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
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
