#include "graphics/svg/SVGGradients.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/svg/SVGColor.h"
#include "graphics/svg/SVGScan.h"

namespace fx::svg::detail {

const TiXmlElement* hrefTarget(const TiXmlElement& el, const IdMap& ids)
{
  const char* h = el.Attribute("xlink:href");
  if (!h) h = el.Attribute("href");
  if (!h) return nullptr;
  const std::string_view ref = trim(h);
  if (ref.size() < 2 || ref[0] != '#') return nullptr;
  const auto it = ids.find(ref.substr(1));
  return it == ids.end() ? nullptr : it->second;
}

bool isGradient(const TiXmlElement& el)
{
  return std::strcmp(el.Value(), "linearGradient") == 0 || std::strcmp(el.Value(), "radialGradient") == 0;
}

namespace {

bool hasStops(const TiXmlElement& el) { return el.FirstChildElement("stop") != nullptr; }

class Chain
{
public:
  Chain(const TiXmlElement& first, const IdMap& ids)
  {
    const TiXmlElement* el = &first;
    while (el && n_ < kMaxGradientChain && isGradient(*el))
    {
      for (int i = 0; i < n_; i++)
        if (els_[i] == el) return; // a reference cycle ends the chain
      els_[n_++] = el;
      el = hrefTarget(*el, ids);
    }
  }

  const char* attr(const char* name) const
  {
    for (int i = 0; i < n_; i++)
      if (const char* v = els_[i]->Attribute(name)) return v;
    return nullptr;
  }

  const TiXmlElement* stops() const
  {
    for (int i = 0; i < n_; i++)
      if (hasStops(*els_[i])) return els_[i];
    return nullptr;
  }

private:
  const TiXmlElement* els_[kMaxGradientChain] = {};
  int n_ = 0;
};

// A gradient coordinate: in bounding-box units a fraction (percentages divided by 100), else a
// length of the user space.
double coordinate(const Chain& c, const char* name, const char* fallback, bool boxUnits, Axis axis,
                  const LengthBasis& basis)
{
  Length l;
  const char* v = c.attr(name);
  if (!v || !parseLength(v, l)) parseLength(fallback, l);
  if (boxUnits) return l.unit == Unit::Percent ? l.value / 100.0 : toUser(l, axis, basis);
  return toUser(l, axis, basis);
}

void readStops(const TiXmlElement& holder, double opacity, SVGColor currentColor, std::vector<SVGGradientStop>& out,
               Budget& budget)
{
  float last = 0;
  for (const TiXmlElement* s = holder.FirstChildElement("stop"); s && int(out.size()) < kMaxGradientStops;
       s = s->NextSiblingElement("stop"))
  {
    if (!budget.take(budget.points, 1)) return;
    Length off;
    double offset = 0;
    if (const char* o = s->Attribute("offset"); o && parseLength(o, off))
      offset = off.unit == Unit::Percent ? off.value / 100.0 : off.value;
    offset = std::clamp(offset, 0.0, 1.0);
    SVGColor color = packRGB(0, 0, 0);
    const std::string_view sc = trim(ownProperty(*s, "stop-color"));
    if (sc == "currentColor")
      color = currentColor;
    else if (!sc.empty())
      parseColor(sc, color);
    double stopOpacity = 1;
    if (double o; parseNumber(ownProperty(*s, "stop-opacity"), o)) stopOpacity = std::clamp(o, 0.0, 1.0);
    SVGGradientStop stop;
    stop.color = withAlpha(color, stopOpacity * opacity);
    stop.offset = std::max(last, float(offset)); // offsets never go back
    last = stop.offset;
    out.push_back(stop);
  }
}

SVGPaint solid(SVGColor c)
{
  SVGPaint p;
  p.type = SVGPaintType::Color;
  p.color = c;
  return p;
}

} // namespace

SVGPaint gradientPaint(const TiXmlElement& gradient, const IdMap& ids, double opacity, SVGColor currentColor,
                       const Matrix& ctm, const double bbox[4], const LengthBasis& basis, Budget& budget)
{
  const Chain chain(gradient, ids);
  auto g = std::make_shared<SVGGradient>();
  if (const TiXmlElement* holder = chain.stops()) readStops(*holder, opacity, currentColor, g->stops, budget);
  if (g->stops.empty()) return {}; // no stops: nothing is painted
  if (g->stops.size() == 1) return solid(g->stops[0].color);

  const char* units = chain.attr("gradientUnits");
  const bool boxUnits = !(units && trim(units) == "userSpaceOnUse");
  Matrix box;
  if (boxUnits)
  {
    const double w = bbox[2] - bbox[0], h = bbox[3] - bbox[1];
    if (!(w > 0) || !(h > 0)) return {}; // a box without area cannot carry the gradient
    box = {w, 0, 0, h, bbox[0], bbox[1]};
  }
  Matrix gt;
  if (const char* t = chain.attr("gradientTransform")) parseTransform(t, gt);
  if (const char* sp = chain.attr("spreadMethod"))
  {
    const std::string_view s = trim(sp);
    g->spread = s == "reflect" ? SVGSpread::Reflect : s == "repeat" ? SVGSpread::Repeat : SVGSpread::Pad;
  }

  // unit: the gradient's unit space in its own coordinates.
  Matrix unit;
  if (std::strcmp(gradient.Value(), "linearGradient") == 0)
  {
    const double x1 = coordinate(chain, "x1", "0%", boxUnits, Axis::X, basis);
    const double y1 = coordinate(chain, "y1", "0%", boxUnits, Axis::Y, basis);
    const double x2 = coordinate(chain, "x2", "100%", boxUnits, Axis::X, basis);
    const double y2 = coordinate(chain, "y2", "0%", boxUnits, Axis::Y, basis);
    const double dx = x2 - x1, dy = y2 - y1;
    if (dx == 0 && dy == 0) return solid(g->stops.back().color);
    unit = {dy, -dx, dx, dy, x1, y1}; // (0, 1) is the end point; (1, 0) runs along an iso-line
  }
  else
  {
    const double cx = coordinate(chain, "cx", "50%", boxUnits, Axis::X, basis);
    const double cy = coordinate(chain, "cy", "50%", boxUnits, Axis::Y, basis);
    const double r = coordinate(chain, "r", "50%", boxUnits, Axis::Other, basis);
    const char* fxs = chain.attr("fx");
    const char* fys = chain.attr("fy");
    const double fx = fxs ? coordinate(chain, "fx", "50%", boxUnits, Axis::X, basis) : cx;
    const double fy = fys ? coordinate(chain, "fy", "50%", boxUnits, Axis::Y, basis) : cy;
    if (r < 0 || !std::isfinite(r)) return {};
    if (r == 0) return solid(g->stops.back().color);
    unit = {r, 0, 0, r, cx, cy};
    double ux = (fx - cx) / r, uy = (fy - cy) / r;
    const double len = std::hypot(ux, uy);
    if (len > 1) ux /= len, uy /= len; // a focal point outside the circle moves onto it
    g->fx = float(ux);
    g->fy = float(uy);
  }

  Matrix toUnit;
  if (!(ctm * box * gt * unit).invert(toUnit)) return {};
  const double m[6] = {toUnit.a, toUnit.b, toUnit.c, toUnit.d, toUnit.e, toUnit.f};
  for (int i = 0; i < 6; i++)
  {
    if (!(std::fabs(m[i]) <= 3.0e38)) return {};
    g->xform[i] = float(m[i]);
  }
  SVGPaint p;
  p.type = std::strcmp(gradient.Value(), "linearGradient") == 0 ? SVGPaintType::LinearGradient
                                                                : SVGPaintType::RadialGradient;
  p.gradient = std::move(g);
  return p;
}

} // namespace fx::svg::detail
