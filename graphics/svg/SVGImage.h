#pragma once
// A parsed SVG image as the graphics core draws it: every shape reduced to paths of cubic
// Bézier segments in image coordinates, with its resolved paints and stroke options.
//
// Produced by SVGParse / SVGParseFile (SVGParser.h) and released with SVGDeleteImage.
// Plain data: the image owns its shapes, each shape its paths and gradients.

#include <cstdint>
#include <memory>
#include <vector>

namespace fx::svg {

/** Paint kinds. */
enum class SVGPaintType : uint8_t
{
  None = 0,
  Color = 1,
  LinearGradient = 2,
  RadialGradient = 3,
};

/** Gradient spread methods, numbered as the drawing code maps them (spread + 1 = extend). */
enum class SVGSpread : uint8_t
{
  Pad = 0,
  Reflect = 1,
  Repeat = 2,
};

enum class SVGLineJoin : uint8_t
{
  Miter = 0,
  Round = 1,
  Bevel = 2,
};

enum class SVGLineCap : uint8_t
{
  Butt = 0,
  Round = 1,
  Square = 2,
};

enum class SVGFillRule : uint8_t
{
  NonZero = 0,
  EvenOdd = 1,
};

/** Colours are packed 0xAABBGGRR: red in bits 0-7, green 8-15, blue 16-23, alpha 24-31. */
using SVGColor = uint32_t;

struct SVGGradientStop
{
  SVGColor color = 0;
  float offset = 0.f; // 0..1, non-decreasing along the list
};

/** A gradient in its own unit space. xform maps image coordinates to that space:
 *  x' = xform[0]·x + xform[2]·y + xform[4], y' = xform[1]·x + xform[3]·y + xform[5].
 *  A linear gradient runs from (0, 0) (offset 0) to (0, 1) (offset 1), lines of equal colour
 *  along x; a radial gradient is centred on (0, 0) with radius 1. fx, fy: the focal point in the
 *  same space, never outside the unit circle. Always at least two stops (at most 256); a stop's
 *  alpha byte is its stop-opacity times the shape's fill- or stroke-opacity. */
struct SVGGradient
{
  float xform[6] = {1, 0, 0, 1, 0, 0};
  SVGSpread spread = SVGSpread::Pad;
  float fx = 0.f, fy = 0.f;
  std::vector<SVGGradientStop> stops;
};

struct SVGPaint
{
  SVGPaintType type = SVGPaintType::None;
  SVGColor color = 0;                    // Color: the colour; its alpha byte is fill-opacity or
                                         // stroke-opacity (255 when not given)
  std::shared_ptr<SVGGradient> gradient; // LinearGradient / RadialGradient
};
// A gradient that paints one colour (one stop, a zero-length vector, a zero radius) arrives as
// a Color paint; one that cannot paint (no stops, a box-unit gradient on a shape without width
// or height, a transform without inverse) arrives as None.

/** One sub-path: pts holds x, y pairs; point 0 is the start, then three points per cubic
 *  segment (first control, second control, end), so npts() == 1 + 3·segments. */
struct SVGPath
{
  std::vector<float> pts;
  bool closed = false;
  float bounds[4] = {0, 0, 0, 0}; // min x, min y, max x, max y of the curves (not their controls)

  int npts() const { return static_cast<int>(pts.size() / 2); }
};

constexpr int kSVGMaxDashes = 8;

struct SVGShape
{
  char id[64] = {0};                  // the element's id attribute, cut to fit
  SVGPaint fill;
  SVGPaint stroke;
  float opacity = 1.f;                // 0..1: the element's opacity times its groups' opacities
  // Stroke lengths are in image coordinates: the element's lengths times the mean scale of its
  // transform (the square root of its determinant). A zero width gives a None stroke paint.
  float strokeWidth = 1.f;
  float strokeDashOffset = 0.f;
  float strokeDashArray[kSVGMaxDashes] = {0}; // dash and gap lengths; an odd list is repeated,
  int strokeDashCount = 0;                    // a longer one cut to 8; 0: a solid line
  SVGLineJoin strokeLineJoin = SVGLineJoin::Miter;
  SVGLineCap strokeLineCap = SVGLineCap::Butt;
  float miterLimit = 4.f;
  SVGFillRule fillRule = SVGFillRule::NonZero;
  bool visible = true;                // false for visibility hidden (display none is left out)
  float bounds[4] = {0, 0, 0, 0};     // min x, min y, max x, max y of every path
  std::vector<SVGPath> paths;
};

struct SVGImage
{
  // In the units given to the parser: the root's width and height, else its viewBox's size (a
  // percentage scales it), else as far as the shapes reach from the origin.
  float width = 0.f;
  float height = 0.f;
  std::vector<SVGShape> shapes; // in document (painting) order
};

} // namespace fx::svg
