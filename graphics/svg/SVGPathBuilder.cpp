#include "graphics/svg/SVGPathBuilder.h"

#include <algorithm>
#include <cmath>

namespace fx::svg::detail {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Control-point distance of a quarter circle of radius 1 drawn as one cubic.
constexpr double kKappa = 0.5522847498307936;
} // namespace

bool PathBuilder::begin()
{
  if (open_) return true;
  if (!budget_.take(budget_.points, 1)) return false;
  paths_.emplace_back();
  paths_.back().pts = {cx_, cy_};
  open_ = true;
  return true;
}

void PathBuilder::push(double x, double y)
{
  auto& p = paths_.back().pts;
  p.push_back(x);
  p.push_back(y);
}

void PathBuilder::moveTo(double x, double y)
{
  if (open_ && paths_.back().pts.size() <= 2) paths_.pop_back();
  open_ = false;
  cx_ = sx_ = x;
  cy_ = sy_ = y;
}

void PathBuilder::lineTo(double x, double y)
{
  const double x0 = cx_, y0 = cy_;
  cubicTo(x0 + (x - x0) / 3, y0 + (y - y0) / 3, x - (x - x0) / 3, y - (y - y0) / 3, x, y);
}

void PathBuilder::cubicTo(double x1, double y1, double x2, double y2, double x, double y)
{
  if (!begin() || !budget_.take(budget_.points, 3)) return;
  push(x1, y1);
  push(x2, y2);
  push(x, y);
  cx_ = x;
  cy_ = y;
}

void PathBuilder::quadTo(double qx, double qy, double x, double y)
{
  const double x0 = cx_, y0 = cy_;
  cubicTo(x0 + 2.0 / 3.0 * (qx - x0), y0 + 2.0 / 3.0 * (qy - y0), x + 2.0 / 3.0 * (qx - x), y + 2.0 / 3.0 * (qy - y),
          x, y);
}

void PathBuilder::close()
{
  if (open_)
  {
    if (cx_ != sx_ || cy_ != sy_) lineTo(sx_, sy_);
    if (!paths_.empty()) paths_.back().closed = true;
  }
  open_ = false;
  cx_ = sx_;
  cy_ = sy_;
}

void PathBuilder::arcTo(double rx, double ry, double rotationDeg, bool largeArc, bool sweep, double x, double y)
{
  const double x1 = cx_, y1 = cy_;
  if (x1 == x && y1 == y) return; // no arc between equal end points
  rx = std::fabs(rx);
  ry = std::fabs(ry);
  if (rx == 0 || ry == 0)
  {
    lineTo(x, y);
    return;
  }
  // Centre parameterisation: rotate the half chord into the ellipse's frame.
  const double phi = std::fmod(rotationDeg, 360.0) * kPi / 180.0;
  const double cs = std::cos(phi), sn = std::sin(phi);
  const double dx = (x1 - x) / 2, dy = (y1 - y) / 2;
  const double x1p = cs * dx + sn * dy, y1p = -sn * dx + cs * dy;
  // Radii too small for the chord grow just enough.
  const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
  if (lambda > 1)
  {
    const double s = std::sqrt(lambda);
    rx *= s;
    ry *= s;
  }
  const double rx2 = rx * rx, ry2 = ry * ry;
  const double num = rx2 * ry2 - rx2 * y1p * y1p - ry2 * x1p * x1p;
  const double den = rx2 * y1p * y1p + ry2 * x1p * x1p;
  double coef = den > 0 && num > 0 ? std::sqrt(num / den) : 0;
  if (largeArc == sweep) coef = -coef;
  const double cxp = coef * rx * y1p / ry, cyp = -coef * ry * x1p / rx;
  const double ccx = cs * cxp - sn * cyp + (x1 + x) / 2, ccy = sn * cxp + cs * cyp + (y1 + y) / 2;
  const double ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
  const double vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
  const double theta1 = std::atan2(uy, ux);
  double dtheta = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
  if (!sweep && dtheta > 0) dtheta -= 2 * kPi;
  if (sweep && dtheta < 0) dtheta += 2 * kPi;
  if (!std::isfinite(dtheta) || !std::isfinite(ccx) || !std::isfinite(ccy))
  {
    lineTo(x, y);
    return;
  }
  // At most a quarter turn per cubic.
  const int n = std::max(1, int(std::ceil(std::fabs(dtheta) / (kPi / 2) - 1e-9)));
  const double step = dtheta / n;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  double a = theta1;
  for (int i = 0; i < n; i++)
  {
    const double a2 = a + step;
    const double c1 = std::cos(a), s1 = std::sin(a), c2 = std::cos(a2), s2 = std::sin(a2);
    // Points of the unit circle scaled by the radii, then rotated and moved to the centre.
    auto map = [&](double ex, double ey, double& ox, double& oy) {
      ex *= rx;
      ey *= ry;
      ox = cs * ex - sn * ey + ccx;
      oy = sn * ex + cs * ey + ccy;
    };
    double q1x, q1y, q2x, q2y, ex, ey;
    map(c1 - k * s1, s1 + k * c1, q1x, q1y);
    map(c2 + k * s2, s2 - k * c2, q2x, q2y);
    if (i == n - 1)
      ex = x, ey = y; // land exactly on the end point
    else
      map(c2, s2, ex, ey);
    cubicTo(q1x, q1y, q2x, q2y, ex, ey);
    a = a2;
  }
}

void PathBuilder::rect(double x, double y, double w, double h, double rx, double ry)
{
  moveTo(x + rx, y);
  if (rx > 0 || ry > 0)
  {
    const double kx = rx * kKappa, ky = ry * kKappa;
    lineTo(x + w - rx, y);
    cubicTo(x + w - rx + kx, y, x + w, y + ry - ky, x + w, y + ry);
    lineTo(x + w, y + h - ry);
    cubicTo(x + w, y + h - ry + ky, x + w - rx + kx, y + h, x + w - rx, y + h);
    lineTo(x + rx, y + h);
    cubicTo(x + rx - kx, y + h, x, y + h - ry + ky, x, y + h - ry);
    lineTo(x, y + ry);
    cubicTo(x, y + ry - ky, x + rx - kx, y, x + rx, y);
  }
  else
  {
    lineTo(x + w, y);
    lineTo(x + w, y + h);
    lineTo(x, y + h);
  }
  close();
}

void PathBuilder::ellipse(double cx, double cy, double rx, double ry)
{
  const double kx = rx * kKappa, ky = ry * kKappa;
  moveTo(cx + rx, cy);
  cubicTo(cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
  cubicTo(cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
  cubicTo(cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
  cubicTo(cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
  close();
}

std::vector<LocalPath> PathBuilder::finish()
{
  if (open_ && paths_.back().pts.size() <= 2) paths_.pop_back();
  open_ = false;
  return std::move(paths_);
}

namespace {

// Extends [lo, hi] by the extrema of one coordinate of a cubic.
void cubicExtrema(double p0, double p1, double p2, double p3, double& lo, double& hi)
{
  auto at = [&](double t) {
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
  };
  auto take = [&](double t) {
    if (t > 0 && t < 1)
    {
      const double v = at(t);
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  };
  // Derivative / 3: a·t² + b·t + c.
  const double a = -p0 + 3 * p1 - 3 * p2 + p3, b = 2 * (p0 - 2 * p1 + p2), c = p1 - p0;
  if (std::fabs(a) < 1e-12)
  {
    if (std::fabs(b) > 1e-12) take(-c / b);
    return;
  }
  const double disc = b * b - 4 * a * c;
  if (disc < 0) return;
  const double r = std::sqrt(disc);
  take((-b + r) / (2 * a));
  take((-b - r) / (2 * a));
}

} // namespace

void extendBounds(const std::vector<double>& p, double box[4])
{
  if (p.size() < 2) return;
  auto point = [&](double x, double y) {
    box[0] = std::min(box[0], x);
    box[1] = std::min(box[1], y);
    box[2] = std::max(box[2], x);
    box[3] = std::max(box[3], y);
  };
  point(p[0], p[1]);
  for (size_t i = 2; i + 6 <= p.size(); i += 6)
  {
    point(p[i + 4], p[i + 5]);
    cubicExtrema(p[i - 2], p[i], p[i + 2], p[i + 4], box[0], box[2]);
    cubicExtrema(p[i - 1], p[i + 1], p[i + 3], p[i + 5], box[1], box[3]);
  }
}

} // namespace fx::svg::detail
