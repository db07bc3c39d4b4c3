// Absolute time: seconds since 1 January 2001 00:00:00 UTC. The current
// time comes from the layer's clock, which tests may switch to a manual
// clock (CFManualClock.h). Any thread.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef double CFTimeInterval;
typedef CFTimeInterval CFAbsoluteTime;
typedef const struct OpaqueCFDate* CFDateRef;

extern "C" {

// Seconds between 1 January 1970 and 1 January 2001.
extern const CFTimeInterval kCFAbsoluteTimeIntervalSince1970;

CFAbsoluteTime CFAbsoluteTimeGetCurrent(void);

CFTypeID CFDateGetTypeID(void);
CFDateRef CFDateCreate(CFAllocatorRef alloc, CFAbsoluteTime at);
CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef date);

}  // extern "C"
