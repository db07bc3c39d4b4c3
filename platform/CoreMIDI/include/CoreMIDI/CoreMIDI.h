// Umbrella header of the CoreMIDI layer.
#pragma once

#include <CoreMIDI/MIDIServices.h>
