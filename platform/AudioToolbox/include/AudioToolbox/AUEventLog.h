// The layer's own record of every Audio Unit event announced, so a test or
// test host can see the notifications a unit sent without listening.
#pragma once

#include <vector>

#include <AudioToolbox/AudioUnitUtilities.h>

namespace atx {

std::vector<AudioUnitEvent> NotifiedEvents();
void ClearNotifiedEvents();

}  // namespace atx
