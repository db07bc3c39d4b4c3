// The renderer's shader programs and the library blob that names them.
//
// vertexShader: vertex (x, y, u, v) in view points, view size in points at vertex buffer
// 1; out: clip position, varyings (x, y, u, v).
// fragmentShader / fragmentShaderAA: the uniform record at fragment buffer 0, texture and
// sampler 0. The AA variant fades by the fringe coverage in (u, v) and discards below the
// record's stroke threshold.
#include <Metal/MTLSampling.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "graphics/mac/MVGContext.h"

namespace fx::gfx {

namespace {

void vertexShader(const MTLVertexIn& in, MTLVertexOut& out) {
  float vw = 1.0f, vh = 1.0f;
  const MTLShaderBuffer& vs = in.buffers[1];
  if (vs.bytes && vs.length >= 2 * sizeof(float)) {
    std::memcpy(&vw, vs.bytes, sizeof(float));
    std::memcpy(&vh, vs.bytes + sizeof(float), sizeof(float));
  }
  const float x = in.attributes[0][0], y = in.attributes[0][1];
  out.position[0] = 2.0f * x / vw - 1.0f;
  out.position[1] = 1.0f - 2.0f * y / vh;
  out.position[2] = 0.0f;
  out.position[3] = 1.0f;
  out.varyings[0] = x;
  out.varyings[1] = y;
  out.varyings[2] = in.attributes[1][0];
  out.varyings[3] = in.attributes[1][1];
}

inline float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

inline float sdroundrect(float px, float py, float ex, float ey, float r) {
  const float dx = std::fabs(px) - (ex - r), dy = std::fabs(py) - (ey - r);
  const float ox = std::max(dx, 0.0f), oy = std::max(dy, 0.0f);
  return std::min(std::max(dx, dy), 0.0f) + std::sqrt(ox * ox + oy * oy) - r;
}

inline float scissorMask(const MVGfragUniforms& u, float x, float y) {
  const float* m = u.scissorMat;
  const float sx = std::fabs(m[0] * x + m[4] * y + m[8]) - u.scissorExt[0];
  const float sy = std::fabs(m[1] * x + m[5] * y + m[9]) - u.scissorExt[1];
  return clamp01(0.5f - sx * u.scissorScale[0]) * clamp01(0.5f - sy * u.scissorScale[1]);
}

inline float strokeMask(const MVGfragUniforms& u, float tu, float tv) {
  return std::min(1.0f, (1.0f - std::fabs(tu * 2.0f - 1.0f)) * u.strokeMult) * std::min(1.0f, tv);
}

inline void applyTexType(int texType, float* c) {
  if (texType == MVG_TEX_STRAIGHT) {
    c[0] *= c[3], c[1] *= c[3], c[2] *= c[3];
  } else if (texType == MVG_TEX_ALPHA) {
    c[1] = c[2] = c[3] = c[0];
  }
}

template <bool kAntiAlias>
void fragmentProgram(const MTLFragmentSpan& span, float* rgba, unsigned char* discard) {
  const MTLShaderBuffer& ub = span.buffers[0];
  if (!ub.bytes || ub.length < sizeof(MVGfragUniforms)) {
    std::memset(discard, 1, size_t(span.count));
    return;
  }
  MVGfragUniforms u;
  std::memcpy(&u, ub.bytes, sizeof(u));
  const MTLTexture* tex = span.textures[0];
  const MTLSamplerState* smp = span.samplers[0];
  const float* v = span.varyings;
  const float* d = span.dvdx;
  const float* pm = u.paintMat;
  const float feather = u.feather > 1e-6f ? u.feather : 1e-6f;
  const float ex = u.extent[0] != 0.0f ? u.extent[0] : 1.0f, ey = u.extent[1] != 0.0f ? u.extent[1] : 1.0f;
  for (int i = 0; i < span.count; i++, rgba += 4) {
    const float fi = float(i);
    const float x = v[0] + d[0] * fi, y = v[1] + d[1] * fi;
    const float tu = v[2] + d[2] * fi, tv = v[3] + d[3] * fi;
    const float scissor = scissorMask(u, x, y);
    float strokeAlpha = 1.0f;
    if constexpr (kAntiAlias) {
      strokeAlpha = strokeMask(u, tu, tv);
      if (strokeAlpha < u.strokeThr) {
        discard[i] = 1;
        continue;
      }
    }
    float c[4];
    if (u.type == MVG_SHADER_FILLGRAD) {
      const float px = pm[0] * x + pm[4] * y + pm[8], py = pm[1] * x + pm[5] * y + pm[9];
      const float t = clamp01((sdroundrect(px, py, u.extent[0], u.extent[1], u.radius) + feather * 0.5f) / feather);
      const float k = strokeAlpha * scissor;
      for (int j = 0; j < 4; j++) c[j] = (u.innerCol[j] + (u.outerCol[j] - u.innerCol[j]) * t) * k;
    } else if (u.type == MVG_SHADER_FILLIMG) {
      const float px = pm[0] * x + pm[4] * y + pm[8], py = pm[1] * x + pm[5] * y + pm[9];
      mtlsw::sample(tex, smp, px / ex, py / ey, c);
      applyTexType(u.texType, c);
      const float k = strokeAlpha * scissor;
      for (int j = 0; j < 4; j++) c[j] *= u.innerCol[j] * k;
    } else {
      mtlsw::sample(tex, smp, tu, tv, c);
      applyTexType(u.texType, c);
      for (int j = 0; j < 4; j++) c[j] *= u.innerCol[j] * scissor;
    }
    std::memcpy(rgba, c, sizeof(c));
  }
}

// Library blob: "MTLB", version 1, three functions.
const unsigned char kLibrary[] = {
    'M', 'T', 'L', 'B', 1, 0, 0, 0, 3, 0, 0, 0,
    1, 'v', 'e', 'r', 't', 'e', 'x', 'S', 'h', 'a', 'd', 'e', 'r', 0,
    2, 'f', 'r', 'a', 'g', 'm', 'e', 'n', 't', 'S', 'h', 'a', 'd', 'e', 'r', 0,
    2, 'f', 'r', 'a', 'g', 'm', 'e', 'n', 't', 'S', 'h', 'a', 'd', 'e', 'r', 'A', 'A', 0,
};

}  // namespace

void mvgRegisterShaderPrograms() {
  static std::once_flag once;
  std::call_once(once, [] {
    MTLRegisterProgram("vertexShader", MTLFunctionTypeVertex, reinterpret_cast<void*>(&vertexShader), 4);
    MTLRegisterProgram("fragmentShader", MTLFunctionTypeFragment, reinterpret_cast<void*>(&fragmentProgram<false>),
                       0);
    MTLRegisterProgram("fragmentShaderAA", MTLFunctionTypeFragment, reinterpret_cast<void*>(&fragmentProgram<true>),
                       0);
  });
}

const unsigned char* mvgShaderLibraryBytes(size_t* size) {
  if (size) *size = sizeof(kLibrary);
  return kLibrary;
}

}  // namespace fx::gfx
