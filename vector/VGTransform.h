// 2x3 affine transforms (a, b, c, d, e, f) mapping (x, y) to (a·x + c·y + e, b·x + d·y + f),
// and colour constructors. No context; any thread.
#pragma once

#include "vector/VGRenderer.h"

namespace fx::gfx {

void vgrTransformIdentity(float* t);
void vgrTransformTranslate(float* t, float tx, float ty);
void vgrTransformScale(float* t, float sx, float sy);
void vgrTransformRotate(float* t, float a);
void vgrTransformSkewX(float* t, float a);
void vgrTransformSkewY(float* t, float a);
// t := t followed by s.
void vgrTransformMultiply(float* t, const float* s);
// t := s followed by t.
void vgrTransformPremultiply(float* t, const float* s);
// 1 and the inverse; 0 and the identity when t is singular or not finite.
int vgrTransformInverse(float* inv, const float* t);
void vgrTransformPoint(float* dstx, float* dsty, const float* t, float srcx, float srcy);
float vgrDegToRad(float deg);
float vgrRadToDeg(float rad);

VGcolor vgrColorFromBytes(unsigned char r, unsigned char g, unsigned char b);
VGcolor vgrColorFromBytesA(unsigned char r, unsigned char g, unsigned char b, unsigned char a);
VGcolor vgrColorFromFloats(float r, float g, float b);
VGcolor vgrColorFromFloatsA(float r, float g, float b, float a);
VGcolor vgrColorWithAlphaByte(VGcolor c, unsigned char a);
VGcolor vgrColorWithAlpha(VGcolor c, float a);
VGcolor vgrColorLerp(VGcolor c0, VGcolor c1, float u);
VGcolor vgrColorFromHSL(float h, float s, float l);
VGcolor vgrColorFromHSLA(float h, float s, float l, unsigned char a);

}  // namespace fx::gfx
