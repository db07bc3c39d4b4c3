#include "graphics/svg/SVGStyle.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>

#include "graphics/svg/SVGColor.h"

namespace fx::svg::detail {

double toUser(const Length& l, Axis axis, const LengthBasis& b)
{
  switch (l.unit)
  {
  case Unit::Number:
  case Unit::Px: return l.value;
  case Unit::Pt: return l.value * b.dpi / 72.0;
  case Unit::Pc: return l.value * b.dpi / 6.0;
  case Unit::Mm: return l.value * b.dpi / 25.4;
  case Unit::Cm: return l.value * b.dpi / 2.54;
  case Unit::In: return l.value * b.dpi;
  case Unit::Em: return l.value * b.fontSize;
  case Unit::Ex: return l.value * b.fontSize / 2;
  case Unit::Percent:
  {
    const double ref = axis == Axis::X   ? b.width
                       : axis == Axis::Y ? b.height
                                         : std::sqrt((b.width * b.width + b.height * b.height) / 2);
    return l.value / 100.0 * ref;
  }
  }
  return l.value;
}

Style Style::inherited() const
{
  Style s = *this;
  s.opacity = 1;
  s.display = true;
  return s;
}

namespace {

struct Declaration
{
  std::string_view name, value;
};

bool parseOpacity(std::string_view v, double& out)
{
  double d;
  if (!parseNumber(v, d)) return false;
  out = std::clamp(d, 0.0, 1.0);
  return true;
}

// A length that must not be negative, in user units.
bool parsePositive(std::string_view v, Axis axis, const LengthBasis& b, double& out)
{
  Length l;
  if (!parseLength(v, l)) return false;
  const double u = toUser(l, axis, b);
  if (!(u >= 0) || !std::isfinite(u)) return false;
  out = u;
  return true;
}

void parseDashes(std::string_view v, Style& s, const LengthBasis& b)
{
  if (trim(v) == "none")
  {
    s.dashCount = 0;
    return;
  }
  Scanner sc(v);
  double vals[kSVGMaxDashes];
  int n = 0;
  size_t total = 0;
  double sum = 0;
  sc.skipSpace();
  while (!sc.atEnd())
  {
    Length l;
    if (!sc.length(l)) return; // not a list: the declaration is ignored
    const double u = toUser(l, Axis::Other, b);
    if (!(u >= 0) || !std::isfinite(u)) return;
    if (n < kSVGMaxDashes) vals[n++] = u;
    sum += u;
    total++;
    sc.skipSeparator();
  }
  if (total == 0) return;
  if (!(sum > 0))
  {
    s.dashCount = 0; // all zero: a solid line
    return;
  }
  // An odd list repeats to make dash and gap pairs (as far as the slots go).
  if (total % 2 == 1)
    for (int i = 0; n < kSVGMaxDashes && i < int(total); i++) vals[n++] = vals[i];
  std::copy(vals, vals + n, s.dashes);
  s.dashCount = n;
}

void apply(const Declaration& d, Style& s, const LengthBasis& b)
{
  const std::string_view n = d.name, v = trim(d.value);
  if (v == "inherit") return; // the inherited value is already in place
  if (n == "fill")
    parsePaint(v, s.fill);
  else if (n == "stroke")
    parsePaint(v, s.stroke);
  else if (n == "fill-opacity")
    parseOpacity(v, s.fillOpacity);
  else if (n == "stroke-opacity")
    parseOpacity(v, s.strokeOpacity);
  else if (n == "opacity")
    parseOpacity(v, s.opacity);
  else if (n == "stroke-width")
    parsePositive(v, Axis::Other, b, s.strokeWidth);
  else if (n == "stroke-dashoffset")
  {
    Length l;
    if (parseLength(v, l)) s.dashOffset = toUser(l, Axis::Other, b);
  }
  else if (n == "stroke-dasharray")
    parseDashes(v, s, b);
  else if (n == "stroke-miterlimit")
  {
    double m;
    if (parseNumber(v, m) && m >= 1) s.miterLimit = m;
  }
  else if (n == "stroke-linejoin")
  {
    if (v == "miter") s.join = SVGLineJoin::Miter;
    else if (v == "round") s.join = SVGLineJoin::Round;
    else if (v == "bevel") s.join = SVGLineJoin::Bevel;
  }
  else if (n == "stroke-linecap")
  {
    if (v == "butt") s.cap = SVGLineCap::Butt;
    else if (v == "round") s.cap = SVGLineCap::Round;
    else if (v == "square") s.cap = SVGLineCap::Square;
  }
  else if (n == "fill-rule")
  {
    if (v == "nonzero") s.fillRule = SVGFillRule::NonZero;
    else if (v == "evenodd") s.fillRule = SVGFillRule::EvenOdd;
  }
  else if (n == "display")
    s.display = v != "none";
  else if (n == "visibility")
  {
    if (v == "visible") s.visible = true;
    else if (v == "hidden" || v == "collapse") s.visible = false;
  }
  else if (n == "color")
    parseColor(v, s.color);
}

constexpr std::string_view kProperties[] = {
  "fill", "stroke", "fill-opacity", "stroke-opacity", "opacity", "stroke-width", "stroke-dashoffset",
  "stroke-dasharray", "stroke-miterlimit", "stroke-linejoin", "stroke-linecap", "fill-rule", "display",
  "visibility", "color", "font-size", "stop-color", "stop-opacity",
};

bool isProperty(std::string_view n)
{
  return std::find(std::begin(kProperties), std::end(kProperties), n) != std::end(kProperties);
}

// Calls f(name, value) for each declaration of a style attribute.
template <typename F> void forEachDeclaration(std::string_view text, F&& f)
{
  while (!text.empty())
  {
    const size_t semi = text.find(';');
    std::string_view decl = text.substr(0, semi);
    text = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
    const size_t colon = decl.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = trim(decl.substr(colon + 1));
    if (value.size() >= 10 && value.substr(value.size() - 10) == "!important") value = trim(value.substr(0, value.size() - 10));
    f(trim(decl.substr(0, colon)), value);
  }
}

void applyFontSize(std::string_view v, Style& s)
{
  Length l;
  if (!parseLength(trim(v), l)) return;
  LengthBasis parent;
  parent.fontSize = s.fontSize;
  // Percentages and em of a font size are of the parent's font size.
  const double u = l.unit == Unit::Percent ? l.value / 100.0 * s.fontSize : toUser(l, Axis::Other, parent);
  if (u > 0 && std::isfinite(u)) s.fontSize = u;
}

} // namespace

bool parsePaint(std::string_view text, PaintSpec& out)
{
  std::string_view t = trim(text);
  PaintSpec p;
  if (t == "none")
    p.kind = PaintKind::None;
  else if (t == "currentColor")
    p.kind = PaintKind::CurrentColor;
  else if (t.substr(0, 4) == "url(")
  {
    const size_t close = t.find(')');
    if (close == std::string_view::npos) return false;
    std::string_view ref = trim(t.substr(4, close - 4));
    if (ref.size() >= 2 && (ref.front() == '\'' || ref.front() == '"') && ref.back() == ref.front())
      ref = trim(ref.substr(1, ref.size() - 2));
    if (ref.size() < 2 || ref[0] != '#') return false;
    p.kind = PaintKind::Url;
    p.id = ref.substr(1);
    const std::string_view rest = trim(t.substr(close + 1));
    if (!rest.empty())
    {
      PaintSpec fb;
      if (!parsePaint(rest, fb) || fb.kind == PaintKind::Url) return false;
      p.fallback = fb.kind;
      p.fallbackColor = fb.color;
      p.hasFallback = true;
    }
  }
  else
  {
    if (!parseColor(t, p.color)) return false;
    p.kind = PaintKind::Color;
  }
  out = p;
  return true;
}

std::string_view ownProperty(const TiXmlElement& el, std::string_view name)
{
  std::string_view found;
  if (const char* st = el.Attribute("style"))
    forEachDeclaration(st, [&](std::string_view n, std::string_view v) {
      if (n == name) found = v;
    });
  if (!found.empty()) return found;
  for (const TiXmlAttribute* a = el.FirstAttribute(); a; a = a->Next())
    if (name == a->Name()) return a->Value();
  return {};
}

void applyStyle(const TiXmlElement& el, Style& style, LengthBasis& basis)
{
  // Presentation attributes first, then the style attribute, so its declarations win.
  Declaration decls[64];
  int n = 0;
  for (const TiXmlAttribute* a = el.FirstAttribute(); a && n < 48; a = a->Next())
    if (isProperty(a->Name())) decls[n++] = {a->Name(), a->Value()};
  if (const char* st = el.Attribute("style"))
    forEachDeclaration(st, [&](std::string_view name, std::string_view value) {
      if (!isProperty(name)) return;
      if (n == 64) // keep the latest declarations; older ones of the same property lose anyway
        std::copy(decls + 1, decls + 64, decls), n--;
      decls[n++] = {name, value};
    });
  // The font size first: other lengths in em depend on it.
  for (int i = 0; i < n; i++)
    if (decls[i].name == "font-size" && trim(decls[i].value) != "inherit") applyFontSize(decls[i].value, style);
  basis.fontSize = style.fontSize;
  for (int i = 0; i < n; i++) apply(decls[i], style, basis);
}

} // namespace fx::svg::detail
