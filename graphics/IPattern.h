#pragma once
// The source of every stroke and fill: a solid colour or a linear or radial gradient of up to
// sixteen colour stops, with a transform from drawing coordinates to the gradient's own space.
// A plain value; any thread.

#include "graphics/IMatrix.h"
#include "graphics/records/IColor.h"

#include <cstdint>

namespace fx::gfx {

enum EPatternType : int32_t
{
  kSolidPattern = 0,
  kLinearPattern = 1,
  kRadialPattern = 2,
};

/** How a gradient continues beyond its end stops. */
enum EPatternExtend : int32_t
{
  kExtendPad = 1,
  kExtendReflect = 2,
  kExtendRepeat = 3,
};

struct IColorStop
{
  IColor mColor = kColorBlack;
  float mOffset = 0.f;
};

struct IPattern
{
  static constexpr int kMaxStops = 16;

  EPatternType mType = kSolidPattern;
  EPatternExtend mExtend = kExtendPad;
  IColorStop mStops[kMaxStops] = {};
  int32_t mNStops = 0;
  IMatrix mTransform;

  /** A solid colour: one stop at offset 0. */
  IPattern(const IColor& color) : mNStops(1) { mStops[0].mColor = color; }
  /** An empty gradient (or solid) of that type; stops are added with AddStop. */
  explicit IPattern(EPatternType type) : mType(type) {}

  int NStops() const { return mNStops; }
  const IColorStop& GetStop(int i) const { return mStops[i]; }
  /** Appends a stop; a stop offered when sixteen are held is dropped (false). */
  bool AddStop(const IColor& color, float offset)
  {
    if (mNStops >= kMaxStops) return false;
    mStops[mNStops].mColor = color;
    mStops[mNStops].mOffset = offset;
    ++mNStops;
    return true;
  }
  void SetTransform(const IMatrix& m) { mTransform = m; }
};

} // namespace fx::gfx
