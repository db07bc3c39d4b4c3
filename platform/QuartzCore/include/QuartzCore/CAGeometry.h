// Sizes of the layer geometry: the CoreGraphics layer's.
#pragma once

#include <CoreGraphics/CGGeometry.h>
