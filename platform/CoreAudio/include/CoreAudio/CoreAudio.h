// Umbrella header of the CoreAudio layer.
#pragma once

#include <CoreAudio/CoreAudioTypes.h>
