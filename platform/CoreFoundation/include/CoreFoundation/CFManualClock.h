// The layer's own clock control, for tests and test hosts that must drive
// time without sleeping. While the manual clock is on,
// CFAbsoluteTimeGetCurrent returns its value, run loops advance it instead
// of waiting, and PumpMainRunLoop fires the timers that are due.
#pragma once

#include <CoreFoundation/CFDate.h>

namespace cfx {

// Switches the manual clock on at the given time (or off). Any thread.
void UseManualClock(bool on, CFAbsoluteTime start = 0.0);
bool IsManualClock();
// Moves the manual clock forward by seconds (negative values are ignored);
// no timer fires until a run loop is run or pumped. Any thread.
void AdvanceManualClock(CFTimeInterval seconds);

// Fires the main run loop's timers that are due at the current time, in
// order of their fire dates, each at most once; returns how many fired.
// Main thread only.
int PumpMainRunLoop();

// Advances the manual clock by seconds in steps from timer to timer, firing
// every main-run-loop timer as it falls due; returns how many fired.
// Main thread only; requires the manual clock.
int RunMainRunLoopFor(CFTimeInterval seconds);

}  // namespace cfx
