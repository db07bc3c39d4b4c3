#pragma once
// The options of every stroke and fill and the blend applied to every drawing call.
// Plain values; any thread.

#include "graphics/IGfxEnums.h"

#include <cstdint>

namespace fx::gfx {

enum ELineCap : int32_t
{
  kCapButt = 0,
  kCapRound = 1,
  kCapSquare = 2,
};

enum ELineJoin : int32_t
{
  kJoinMiter = 0,
  kJoinRound = 1,
  kJoinBevel = 2,
};

enum EFillRule : int32_t
{
  kFillSolid = 0,   // the last sub-path counts as solid
  kFillHole = 1,    // the last sub-path counts as a hole
  kFillWinding = 2, // every sub-path keeps the winding PathSetWinding gave it
};

struct IStrokeStyle
{
  static constexpr int kMaxDashes = 8;

  float mMiterLimit = 10.f;
  bool mPreserve = false; // keep the path after stroking
  int32_t mCap = kCapButt;
  int32_t mJoin = kJoinMiter;
  float mDashArray[kMaxDashes] = {};
  float mDashOffset = 0.f;
  int32_t mDashCount = 0; // 0: a solid line
};

struct IFillStyle
{
  int32_t mFillRule = kFillSolid;
  bool mPreserve = false; // keep the path after filling
};

/** A null IBlend pointer means normal blending at full strength. */
struct IBlend
{
  int32_t mMethod = kBlendDefault;
  float mWeight = 1.f; // opacity factor 0..1

  constexpr IBlend() = default;
  constexpr IBlend(int32_t method, float weight) : mMethod(method), mWeight(weight) {}
};

/** Weight of a blend pointer: 1 without one. */
inline float BlendWeight(const IBlend* blend) { return blend ? blend->mWeight : 1.f; }

} // namespace fx::gfx
