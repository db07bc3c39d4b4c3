#include "graphics/svg/SVGMatrix.h"

#include <cmath>

#include "graphics/svg/SVGScan.h"

namespace fx::svg::detail {

namespace {
constexpr double kRadPerDeg = 3.14159265358979323846 / 180.0;
}

Matrix Matrix::rotate(double degrees)
{
  const double r = degrees * kRadPerDeg, cs = std::cos(r), sn = std::sin(r);
  return {cs, sn, -sn, cs, 0, 0};
}

Matrix Matrix::skewX(double degrees) { return {1, 0, std::tan(degrees * kRadPerDeg), 1, 0, 0}; }

Matrix Matrix::skewY(double degrees) { return {1, std::tan(degrees * kRadPerDeg), 0, 1, 0, 0}; }

Matrix Matrix::operator*(const Matrix& m) const
{
  return {a * m.a + c * m.b,     b * m.a + d * m.b,     a * m.c + c * m.d,
          b * m.c + d * m.d,     a * m.e + c * m.f + e, b * m.e + d * m.f + f};
}

bool Matrix::finite() const
{
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) && std::isfinite(e) &&
         std::isfinite(f);
}

bool Matrix::invert(Matrix& out) const
{
  const double dt = det();
  if (!finite() || !std::isfinite(dt) || std::fabs(dt) < 1e-300) return false;
  Matrix r;
  r.a = d / dt;
  r.b = -b / dt;
  r.c = -c / dt;
  r.d = a / dt;
  r.e = -(r.a * e + r.c * f);
  r.f = -(r.b * e + r.d * f);
  if (!r.finite()) return false;
  out = r;
  return true;
}

namespace {

// Reads "( n1 [,] n2 ... )" with between minArgs and maxArgs numbers.
int readArgs(Scanner& s, double* args, int maxArgs)
{
  s.skipSpace();
  if (!s.match("(")) return -1;
  s.skipSpace();
  int n = 0;
  while (n < maxArgs)
  {
    if (!s.number(args[n])) break;
    n++;
    s.skipSeparator();
  }
  s.skipSpace();
  if (!s.match(")")) return -1;
  return n;
}

} // namespace

bool parseTransform(std::string_view text, Matrix& out)
{
  Scanner s(text);
  Matrix m;
  s.skipSpace();
  while (!s.atEnd())
  {
    double v[6];
    Matrix t;
    int n;
    if (s.match("matrix"))
    {
      if ((n = readArgs(s, v, 6)) != 6) return false;
      t = {v[0], v[1], v[2], v[3], v[4], v[5]};
    }
    else if (s.match("translate"))
    {
      if ((n = readArgs(s, v, 2)) < 1) return false;
      t = Matrix::translate(v[0], n == 2 ? v[1] : 0);
    }
    else if (s.match("scale"))
    {
      if ((n = readArgs(s, v, 2)) < 1) return false;
      t = Matrix::scale(v[0], n == 2 ? v[1] : v[0]);
    }
    else if (s.match("rotate"))
    {
      n = readArgs(s, v, 3);
      if (n != 1 && n != 3) return false;
      t = Matrix::rotate(v[0]);
      if (n == 3) t = Matrix::translate(v[1], v[2]) * t * Matrix::translate(-v[1], -v[2]);
    }
    else if (s.match("skewX"))
    {
      if (readArgs(s, v, 1) != 1) return false;
      t = Matrix::skewX(v[0]);
    }
    else if (s.match("skewY"))
    {
      if (readArgs(s, v, 1) != 1) return false;
      t = Matrix::skewY(v[0]);
    }
    else
    {
      return false;
    }
    m = m * t;
    s.skipSeparator();
  }
  out = m;
  return true;
}

} // namespace fx::svg::detail
