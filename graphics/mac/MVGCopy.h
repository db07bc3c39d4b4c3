// The texel-copy fragment program of the Metal renderer (MVGCopy.cpp) and when a draw may use it.
// Thread: main thread (the program itself runs on Metal's execution thread).
#pragma once

#include <Metal/Metal.h>

#include "graphics/mac/MVGBuffers.h"
#include "graphics/mac/MVGTypes.h"

namespace fx::gfx {

// The program as a function of its own library on device (null if it cannot be made).
MTLFunction* mvgNewTexelCopyFunction(MTLDevice* device);

// True when a draw with uniform record u, painting image under blend into a target of
// targetWidth x targetHeight pixels (ppx, ppy pixels per view point), reads every pixel's
// texel at its centre by a whole-texel offset, with white paint, no scissor and source-over:
// then the texel-copy program draws exactly what the general program draws at full coverage.
bool mvgTexelCopyApplies(const MVGfragUniforms& u, const MVGtexture_vORBEX9_au& image, const MVGblend& blend,
                         double ppx, double ppy, unsigned targetWidth, unsigned targetHeight);

}  // namespace fx::gfx
