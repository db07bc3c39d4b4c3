// Image texels handed to the rasteriser as bytes instead of sampled float colour, for the
// runs where the filtered colour can be had in integers: a bitmap drawn at its own size
// (texels at the sample points' centres) and one magnified twice (bilinear weights of
// 1/4 and 3/4 on both axes). Each pixel gets its premultiplied colour as bytes (R, G, B,
// A in memory) in texels[i] and a flag: kMTLFragmentTexel when it is opaque,
// kMTLFragmentKeep when it is transparent black, kMTLFragmentTexelOver otherwise.
// Straight texels are premultiplied with rounding to the nearest byte.
//
// blendOver tells that the pixels are blended source-over (MTLFragmentSpan::zeroKeeps);
// without it only runs whose every colour is opaque are handed over. On false nothing was
// handed over, flags are untouched and the caller samples the run as usual.
//
// Compared with sampleSpan's colour blended in floats, an opaque texel at its centre gives
// the same bytes, any other at most one step more or less per channel; a magnified pixel,
// its colour and alpha each rounded before the blend, stays within 1.44 steps of the
// exact colour and within one step of the float path's (whose own error is far smaller
// than the 0.06 to spare).
// Thread: the execution thread of a command buffer.
#pragma once

#include <cstdint>

#include <Metal/MTLResource.h>

namespace mtlsw {

// The flags of n premultiplied colours given as bytes, for a source-over blend.
void texelFlags(const uint32_t* texels, int n, unsigned char* flags);

// A run whose points (u0 + du*i, v0) sit on the centres of consecutive texels of one row
// of level 0 (centresOfRow), hands those texels over.
bool texelBytesAtCentres(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0, float dv, int n,
                         float dudy, float dvdy, bool premultiplied, bool blendOver, uint32_t* texels,
                         unsigned char* flags);

// A run that magnifies level 0 of an RGBA texture twice with bilinear filtering and
// clamp-to-edge addressing: half a texel per pixel along the row (du * width == 0.5, dv
// == 0), its points a quarter of a texel from texel centres on both axes, as pixel
// centres fall when a texture is drawn at twice its size from a whole pixel.
// unit: the widest vector unit the processor has, or (to hold the two to each other) SSE2.
enum class TexelBytesUnit { Best, Sse2 };
bool texelBytesMagnified2x(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0, float dv,
                           int n, float dudy, float dvdy, bool premultiplied, bool blendOver, uint32_t* texels,
                           unsigned char* flags, TexelBytesUnit unit = TexelBytesUnit::Best);

// The first of the two that takes the run.
inline bool texelBytes(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0, float dv, int n,
                       float dudy, float dvdy, bool premultiplied, bool blendOver, uint32_t* texels,
                       unsigned char* flags) {
  return texelBytesAtCentres(t, s, u0, du, v0, dv, n, dudy, dvdy, premultiplied, blendOver, texels, flags) ||
         texelBytesMagnified2x(t, s, u0, du, v0, dv, n, dudy, dvdy, premultiplied, blendOver, texels, flags);
}

}  // namespace mtlsw
