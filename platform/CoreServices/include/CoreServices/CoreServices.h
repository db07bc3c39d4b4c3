// Umbrella header of the CoreServices layer (Component Manager).
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>
#include <CoreServices/Gestalt.h>
