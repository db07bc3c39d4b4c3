// Umbrella header of the CoreText layer: fonts and font descriptors.
#pragma once

#include <CoreText/CTFont.h>
#include <CoreText/CTFontDescriptor.h>
