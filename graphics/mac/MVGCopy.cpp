// The texel-copy program: for draws whose image maps every pixel centre onto a texel centre by
// a whole-pixel offset (a framebuffer presented on the drawable, a bitmap drawn at its own
// size and place), the texels are handed over as they are, with no sampling and no check of
// the mapping per pixel. The encoder chooses it (mvgTexelCopyApplies) only where the general
// program would give the same pixels.
#include "graphics/mac/MVGCopy.h"

#include <Metal/MTLSampling.h>
#include <Metal/MTLTexelBytes.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace fx::gfx {

namespace {

// The texel of a coordinate in texels, at its centre give or take the float rounding of the
// mapping (the encoder checked that it lands on centres).
inline int texelIndex(float f) { return static_cast<int>(std::floor(std::clamp(f, -1e8f, 1e8f))); }

// Texels x0 + first .. x0 + first + m - 1 of a row of w, those outside read as its end texels.
void rowTexels(const uint32_t* row, int w, int x0, int first, int m, uint32_t* out) {
  const int64_t start = int64_t(x0) + first;
  const int a = int(std::clamp<int64_t>(-start, 0, m)), b = int(std::clamp<int64_t>(w - start, a, m));
  for (int i = 0; i < a; i++) out[i] = row[0];
  if (b > a) std::memcpy(out + a, row + start + a, size_t(b - a) * 4);
  for (int i = b; i < m; i++) out[i] = row[w - 1];
}

void texelCopyProgram(const MTLFragmentSpan& span, float* const* rgba, unsigned char* flags) {
  const MTLShaderBuffer& ub = span.buffers[0];
  const MTLTexture* tex = span.textures[0];
  if (!ub.bytes || ub.length < sizeof(MVGfragUniforms) || !tex || tex->pixelFormat() != MTLPixelFormatRGBA8Unorm) {
    std::memset(flags, kMTLFragmentDiscard, size_t(span.count));
    return;
  }
  const MVGfragUniforms& u = *reinterpret_cast<const MVGfragUniforms*>(ub.bytes);
  const float* pm = u.paintMat;
  const float ex = u.extent[0] != 0.0f ? u.extent[0] : 1.0f, ey = u.extent[1] != 0.0f ? u.extent[1] : 1.0f;
  const int w = static_cast<int>(tex->width()), h = static_cast<int>(tex->height());
  const float x = span.varyings[0], y = span.varyings[1];
  const float fx = (pm[0] * x + pm[4] * y + pm[8]) / ex * float(w);
  const float fy = (pm[1] * x + pm[5] * y + pm[9]) / ey * float(h);
  // Clamped to the edge, as the sampler addresses texels outside.
  const int row = std::clamp(std::isfinite(fy) ? texelIndex(fy) : 0, 0, h - 1);
  const int x0 = std::isfinite(fx) ? texelIndex(fx) : 0;
  const uint32_t* src = reinterpret_cast<const uint32_t*>(tex->levelBytes(0)) + NSUInteger(row) * NSUInteger(w);
  const int n = span.count;
  if (span.texels && span.zeroKeeps) {
    rowTexels(src, w, x0, 0, n, span.texels);
    mtlsw::texelFlags(span.texels, n, flags);
    return;
  }
  // Without the byte hand-over: the texels as colour.
  constexpr float k = 1.0f / 255.0f;
  uint32_t t[64];
  for (int first = 0; first < n; first += 64) {
    const int m = std::min(64, n - first);
    rowTexels(src, w, x0, first, m, t);
    for (int i = 0; i < m; i++) {
      rgba[0][first + i] = float(t[i] & 0xFF) * k;
      rgba[1][first + i] = float((t[i] >> 8) & 0xFF) * k;
      rgba[2][first + i] = float((t[i] >> 16) & 0xFF) * k;
      rgba[3][first + i] = float(t[i] >> 24) * k;
    }
  }
}

const unsigned char kCopyLibrary[] = {
    'M', 'T', 'L', 'B', 1, 0, 0, 0, 1, 0, 0, 0,
    2, 'f', 'r', 'a', 'g', 'm', 'e', 'n', 't', 'T', 'e', 'x', 'e', 'l', 'C', 'o', 'p', 'y', 0,
};

bool nearInteger(double v, double tolerance) { return std::fabs(v - std::round(v)) <= tolerance; }

}  // namespace

MTLFunction* mvgNewTexelCopyFunction(MTLDevice* device) {
  static std::once_flag once;
  std::call_once(once, [] {
    MTLRegisterProgram("fragmentTexelCopy", MTLFunctionTypeFragment, reinterpret_cast<void*>(&texelCopyProgram), 0);
  });
  if (!device) return nullptr;
  dispatch_data_t data = dispatch_data_create(kCopyLibrary, sizeof(kCopyLibrary), nullptr,
                                              DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  MTLLibrary* library = device->newLibraryWithData(data, nullptr);
  dispatch_release(data);
  if (!library) return nullptr;
  MTLFunction* f = library->newFunctionWithName("fragmentTexelCopy");
  library->release();
  return f;
}

bool mvgTexelCopyApplies(const MVGfragUniforms& u, const MVGtexture_vORBEX9_au& image, const MVGblend& blend,
                         double ppx, double ppy, unsigned targetWidth, unsigned targetHeight) {
  const MTLTexture* t = image.tex;
  if (!t || t->pixelFormat() != MTLPixelFormatRGBA8Unorm || t->mipmapLevelCount() != 1) return false;
  if (u.type != MVG_SHADER_FILLIMG || u.texType != MVG_TEX_PREMULT) return false;
  if (image.flags & (VG_IMAGE_REPEATX | VG_IMAGE_REPEATY)) return false;
  for (float c : u.innerCol)
    if (c != 1.0f) return false;
  // Source-over, so that every premultiplied texel can be handed over as bytes.
  if (blend.srcRGB != MTLBlendFactorOne || blend.srcAlpha != MTLBlendFactorOne ||
      blend.dstRGB != MTLBlendFactorOneMinusSourceAlpha || blend.dstAlpha != MTLBlendFactorOneMinusSourceAlpha)
    return false;
  // No scissor (a scissor would fade its edge).
  const float* s = u.scissorMat;
  if (s[0] != 0 || s[1] != 0 || s[4] != 0 || s[5] != 0 || s[8] != 0 || s[9] != 0) return false;
  // Pixel centre (px + 1/2, py + 1/2) reads texel coordinate (px + 1/2 + ox, py + 1/2 + oy): one
  // texel per pixel on each axis, no shear, whole-texel offsets, all exact to well within
  // what rounds to the texel's own bytes over the whole target.
  if (!(ppx > 0) || !(ppy > 0)) return false;
  const float* pm = u.paintMat;
  if (pm[1] != 0.0f || pm[4] != 0.0f || u.extent[0] == 0.0f || u.extent[1] == 0.0f) return false;
  const double tw = double(t->width()), th = double(t->height());
  const double sx = double(pm[0]) / u.extent[0] * tw / ppx, sy = double(pm[5]) / u.extent[1] * th / ppy;
  const double ox = double(pm[8]) / u.extent[0] * tw, oy = double(pm[9]) / u.extent[1] * th;
  const double span = double(std::max(std::max(targetWidth, targetHeight), 1u)) + std::max(tw, th);
  constexpr double kExact = 1e-5;
  return std::fabs(sx - 1.0) * span <= kExact && std::fabs(sy - 1.0) * span <= kExact && nearInteger(ox, kExact) &&
         nearInteger(oy, kExact);
}

}  // namespace fx::gfx
