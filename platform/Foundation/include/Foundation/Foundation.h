// Umbrella header of the Foundation layer.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <Foundation/NSPathUtilities.h>
#include <Foundation/NSWorkspace.h>
