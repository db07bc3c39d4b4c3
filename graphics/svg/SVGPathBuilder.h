#pragma once
// Builds sub-paths of cubic Bézier segments in an element's own coordinates: the path-data
// commands (lines, quadratic curves and elliptical arcs become cubics) and the basic shapes.

#include <cstddef>
#include <string_view>
#include <vector>

namespace fx::svg::detail {

/** Work allowed to one parse, shared by everything it builds; once spent, building stops and the
 *  image keeps what it has. */
struct Budget
{
  size_t points = 2u << 20;   // path points (x, y pairs) and gradient stops of the whole image
  size_t shapes = 100000;     // shapes of the whole image
  size_t elements = 1u << 20; // elements visited, counting each <use> expansion again
  bool exhausted = false;

  bool take(size_t& pool, size_t n)
  {
    if (exhausted || pool < n) return !(exhausted = true);
    pool -= n;
    return true;
  }
};

/** One sub-path: pts as in SVGPath (start point, then three points per cubic). */
struct LocalPath
{
  std::vector<double> pts;
  bool closed = false;
};

class PathBuilder
{
public:
  explicit PathBuilder(Budget& budget) : budget_(budget) {}

  void moveTo(double x, double y);
  void lineTo(double x, double y);
  void cubicTo(double x1, double y1, double x2, double y2, double x, double y);
  void quadTo(double cx, double cy, double x, double y);
  /** An elliptical arc from the current point, as the path command defines it. */
  void arcTo(double rx, double ry, double rotationDeg, bool largeArc, bool sweep, double x, double y);
  void close();

  void rect(double x, double y, double w, double h, double rx, double ry);
  void ellipse(double cx, double cy, double rx, double ry);

  double x() const { return cx_; }
  double y() const { return cy_; }
  bool failed() const { return budget_.exhausted; }

  /** Ends the open sub-path and hands over every sub-path with at least one segment. */
  std::vector<LocalPath> finish();

private:
  bool begin();
  void push(double x, double y);

  Budget& budget_;
  std::vector<LocalPath> paths_;
  bool open_ = false; // the last entry of paths_ is being built
  double cx_ = 0, cy_ = 0, sx_ = 0, sy_ = 0;
};

/** Parses path data into the builder; stops at the first error, keeping what came before. */
void parsePathData(std::string_view d, PathBuilder& b);

/** Grows box (min x, min y, max x, max y) to hold a sub-path's curves (their extrema, not
 *  their control points). */
void extendBounds(const std::vector<double>& pts, double box[4]);

} // namespace fx::svg::detail
