#pragma once
// 2-D affine transform of six doubles: x' = xx·x + xy·y + tx, y' = yx·x + yy·y + ty.
// A plain value; any thread.

#include <cmath>

namespace fx::gfx {

struct IMatrix
{
  double mXX = 1.0, mYX = 0.0, mXY = 0.0, mYY = 1.0, mTX = 0.0, mTY = 0.0;

  constexpr IMatrix() = default;
  constexpr IMatrix(double xx, double yx, double xy, double yy, double tx, double ty)
    : mXX(xx), mYX(yx), mXY(xy), mYY(yy), mTX(tx), mTY(ty)
  {
  }

  static constexpr IMatrix Translation(double x, double y) { return IMatrix(1, 0, 0, 1, x, y); }
  static constexpr IMatrix Scaling(double x, double y) { return IMatrix(x, 0, 0, y, 0, 0); }
  /** Degrees; with y pointing down a positive angle turns clockwise on screen. The radians are
   *  computed in single precision. */
  static IMatrix Rotation(float degrees)
  {
    const float rad = degrees / 180.f * 3.1415927f;
    const double c = std::cos(rad), s = std::sin(rad);
    return IMatrix(c, s, -s, c, 0, 0);
  }
  static IMatrix Skewing(double xDegrees, double yDegrees)
  {
    return IMatrix(1, std::tan(yDegrees * M_PI / 180.0), std::tan(xDegrees * M_PI / 180.0), 1, 0, 0);
  }

  /** This × b: b is applied first. */
  constexpr IMatrix operator*(const IMatrix& b) const
  {
    return IMatrix(mXX * b.mXX + mXY * b.mYX, mYX * b.mXX + mYY * b.mYX, mXX * b.mXY + mXY * b.mYY,
                   mYX * b.mXY + mYY * b.mYY, mXX * b.mTX + mXY * b.mTY + mTX, mYX * b.mTX + mYY * b.mTY + mTY);
  }

  IMatrix& Translate(double x, double y) { return *this = *this * Translation(x, y); }
  IMatrix& Scale(double x, double y) { return *this = *this * Scaling(x, y); }
  IMatrix& Rotate(float degrees) { return *this = *this * Rotation(degrees); }
  IMatrix& Skew(double xDegrees, double yDegrees) { return *this = *this * Skewing(xDegrees, yDegrees); }
  IMatrix& Transform(const IMatrix& m) { return *this = *this * m; }

  constexpr void TransformPoint(double& x, double& y) const
  {
    const double px = x;
    x = mXX * px + mXY * y + mTX;
    y = mYX * px + mYY * y + mTY;
  }

  constexpr bool operator==(const IMatrix& m) const
  {
    return mXX == m.mXX && mYX == m.mYX && mXY == m.mXY && mYY == m.mYY && mTX == m.mTX && mTY == m.mTY;
  }
  constexpr bool operator!=(const IMatrix& m) const { return !(*this == m); }
};

} // namespace fx::gfx
