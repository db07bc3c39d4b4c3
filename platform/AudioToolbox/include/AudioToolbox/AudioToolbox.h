// Umbrella header of the AudioToolbox layer.
#pragma once

#include <AudioUnit/AudioUnit.h>
#include <AudioToolbox/AudioUnitUtilities.h>
