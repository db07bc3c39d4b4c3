// Source-over of premultiplied colour planes into 8-bit pixels, the blend the vector
// renderer uses for almost everything it draws.
// Thread: the execution thread of a command buffer.
#pragma once

#include <cstdint>

namespace mtlsw {

// d[i] = src[i] + d[i] * (1 - a[i]) for n pixels of four bytes (R, G, B, A in memory, or
// B, G, R, A when bgra), each channel clamped to 0..1 and rounded to the nearest byte.
// The planes must stay readable up to seven floats past n; d is touched only within n
// pixels. Opaque groups of pixels are written without reading d; transparent black groups
// (which would give d back) are not written. The result does not
// depend on the width of the vector unit chosen at run time.
void sourceOverSpan(unsigned char* d, const float* r, const float* g, const float* b, const float* a, int n,
                    bool bgra);

// The same blend of premultiplied colours given as bytes (R, G, B, A in memory): each
// channel becomes s + round(d * (255 - sa) / 255), clamped to 255. Equal, byte for byte,
// to sourceOverSpan with planes holding s / 255 (no float result of that blend lies
// within its rounding error of a half step).
void sourceOverTexels(unsigned char* d, const uint32_t* s, int n, bool bgra);

enum class SourceOverUnit { Best, Scalar, Sse2, Avx2 };

// The same on a chosen unit, so that the units can be held to each other; false, with d
// untouched, when this build or processor does not have it.
bool sourceOverSpanOn(SourceOverUnit unit, unsigned char* d, const float* r, const float* g, const float* b,
                      const float* a, int n, bool bgra);

}  // namespace mtlsw
