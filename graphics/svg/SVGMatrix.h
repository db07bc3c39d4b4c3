#pragma once
// Affine transforms in double precision and the transform-list grammar.

#include <string_view>

namespace fx::svg::detail {

/** x' = a·x + c·y + e, y' = b·x + d·y + f. */
struct Matrix
{
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

  static Matrix translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static Matrix scale(double x, double y) { return {x, 0, 0, y, 0, 0}; }
  static Matrix rotate(double degrees);
  static Matrix skewX(double degrees);
  static Matrix skewY(double degrees);

  /** this · m: m applies first. */
  Matrix operator*(const Matrix& m) const;
  void apply(double x, double y, double& ox, double& oy) const
  {
    ox = a * x + c * y + e;
    oy = b * x + d * y + f;
  }
  double det() const { return a * d - b * c; }
  bool finite() const;
  /** False (out untouched) when the matrix has no finite inverse. */
  bool invert(Matrix& out) const;
};

/** Parses a transform list (matrix, translate, scale, rotate, skewX, skewY); false when the text
 *  is not a valid list, in which case out is untouched. */
bool parseTransform(std::string_view text, Matrix& out);

} // namespace fx::svg::detail
