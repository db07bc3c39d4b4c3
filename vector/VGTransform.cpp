#include "vector/VGTransform.h"

#include <cmath>

namespace fx::gfx {

namespace {
constexpr float kPi = 3.1415927f;
float clampf(float a, float lo, float hi) { return a < lo ? lo : (a > hi ? hi : a); }
}  // namespace

void vgrTransformIdentity(float* t) {
  t[0] = 1.0f; t[1] = 0.0f;
  t[2] = 0.0f; t[3] = 1.0f;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgrTransformTranslate(float* t, float tx, float ty) {
  t[0] = 1.0f; t[1] = 0.0f;
  t[2] = 0.0f; t[3] = 1.0f;
  t[4] = tx; t[5] = ty;
}

void vgrTransformScale(float* t, float sx, float sy) {
  t[0] = sx; t[1] = 0.0f;
  t[2] = 0.0f; t[3] = sy;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgrTransformRotate(float* t, float a) {
  const float cs = std::cos(a), sn = std::sin(a);
  t[0] = cs; t[1] = sn;
  t[2] = -sn; t[3] = cs;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgrTransformSkewX(float* t, float a) {
  t[0] = 1.0f; t[1] = 0.0f;
  t[2] = std::tan(a); t[3] = 1.0f;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgrTransformSkewY(float* t, float a) {
  t[0] = 1.0f; t[1] = std::tan(a);
  t[2] = 0.0f; t[3] = 1.0f;
  t[4] = 0.0f; t[5] = 0.0f;
}

void vgrTransformMultiply(float* t, const float* s) {
  const float t0 = t[0] * s[0] + t[1] * s[2];
  const float t2 = t[2] * s[0] + t[3] * s[2];
  const float t4 = t[4] * s[0] + t[5] * s[2] + s[4];
  t[1] = t[0] * s[1] + t[1] * s[3];
  t[3] = t[2] * s[1] + t[3] * s[3];
  t[5] = t[4] * s[1] + t[5] * s[3] + s[5];
  t[0] = t0;
  t[2] = t2;
  t[4] = t4;
}

void vgrTransformPremultiply(float* t, const float* s) {
  float s2[6];
  for (int i = 0; i < 6; i++) s2[i] = s[i];
  vgrTransformMultiply(s2, t);
  for (int i = 0; i < 6; i++) t[i] = s2[i];
}

int vgrTransformInverse(float* inv, const float* t) {
  const double t0 = t[0], t1 = t[1], t2 = t[2], t3 = t[3], t4 = t[4], t5 = t[5];
  const double det = t0 * t3 - t2 * t1;
  // A singular or non-finite matrix has no usable inverse: the identity stands in,
  // so no NaN or infinity reaches a paint or scissor.
  if (!std::isfinite(det) || (det > -1e-6 && det < 1e-6)) {
    vgrTransformIdentity(inv);
    return 0;
  }
  const double invdet = 1.0 / det;
  double r[6];
  r[0] = t3 * invdet;
  r[2] = -t2 * invdet;
  r[4] = (t2 * t5 - t3 * t4) * invdet;
  r[1] = -t1 * invdet;
  r[3] = t0 * invdet;
  r[5] = (t1 * t4 - t0 * t5) * invdet;
  for (int i = 0; i < 6; i++) {
    if (!std::isfinite(static_cast<float>(r[i]))) {
      vgrTransformIdentity(inv);
      return 0;
    }
  }
  for (int i = 0; i < 6; i++) inv[i] = static_cast<float>(r[i]);
  return 1;
}

void vgrTransformPoint(float* dx, float* dy, const float* t, float sx, float sy) {
  *dx = sx * t[0] + sy * t[2] + t[4];
  *dy = sx * t[1] + sy * t[3] + t[5];
}

float vgrDegToRad(float deg) { return deg / 180.0f * kPi; }
float vgrRadToDeg(float rad) { return rad / kPi * 180.0f; }

VGcolor vgrColorFromBytes(unsigned char r, unsigned char g, unsigned char b) {
  return vgrColorFromBytesA(r, g, b, 255);
}

VGcolor vgrColorFromBytesA(unsigned char r, unsigned char g, unsigned char b, unsigned char a) {
  VGcolor c;
  c.r = r / 255.0f;
  c.g = g / 255.0f;
  c.b = b / 255.0f;
  c.a = a / 255.0f;
  return c;
}

VGcolor vgrColorFromFloats(float r, float g, float b) { return vgrColorFromFloatsA(r, g, b, 1.0f); }

VGcolor vgrColorFromFloatsA(float r, float g, float b, float a) {
  VGcolor c;
  c.r = r;
  c.g = g;
  c.b = b;
  c.a = a;
  return c;
}

VGcolor vgrColorWithAlphaByte(VGcolor c, unsigned char a) {
  c.a = a / 255.0f;
  return c;
}

VGcolor vgrColorWithAlpha(VGcolor c, float a) {
  c.a = a;
  return c;
}

VGcolor vgrColorLerp(VGcolor c0, VGcolor c1, float u) {
  u = clampf(u, 0.0f, 1.0f);
  const float oneminu = 1.0f - u;
  VGcolor cint;
  for (int i = 0; i < 4; i++) cint.rgba[i] = c0.rgba[i] * oneminu + c1.rgba[i] * u;
  return cint;
}

VGcolor vgrColorFromHSL(float h, float s, float l) { return vgrColorFromHSLA(h, s, l, 255); }

static float hue(float h, float m1, float m2) {
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  if (h < 1.0f / 6.0f) return m1 + (m2 - m1) * h * 6.0f;
  if (h < 3.0f / 6.0f) return m2;
  if (h < 4.0f / 6.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  return m1;
}

VGcolor vgrColorFromHSLA(float h, float s, float l, unsigned char a) {
  h = std::fmod(h, 1.0f);
  if (h < 0.0f) h += 1.0f;
  s = clampf(s, 0.0f, 1.0f);
  l = clampf(l, 0.0f, 1.0f);
  const float m2 = l <= 0.5f ? (l * (1 + s)) : (l + s - l * s);
  const float m1 = 2 * l - m2;
  VGcolor col;
  col.r = clampf(hue(h + 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.g = clampf(hue(h, m1, m2), 0.0f, 1.0f);
  col.b = clampf(hue(h - 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.a = a / 255.0f;
  return col;
}

}  // namespace fx::gfx
