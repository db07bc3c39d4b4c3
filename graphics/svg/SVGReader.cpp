#include "graphics/svg/SVGReader.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "graphics/svg/SVGColor.h"
#include "graphics/svg/SVGGradients.h"
#include "graphics/svg/SVGMatrix.h"
#include "graphics/svg/SVGPathBuilder.h"
#include "graphics/svg/SVGScan.h"
#include "graphics/svg/SVGStyle.h"

namespace fx::svg::detail {

namespace {

struct Context
{
  Style style;
  Matrix ctm;
  double opacity = 1; // the element's opacity times its ancestors'
  LengthBasis basis;
};

bool named(const TiXmlElement& el, const char* name) { return std::strcmp(el.Value(), name) == 0; }

// Pixels per unit of the units argument.
double pixelsPer(const char* units, double dpi)
{
  const std::string_view u = units ? units : "px";
  if (u == "pt") return dpi / 72.0;
  if (u == "pc") return dpi / 6.0;
  if (u == "mm") return dpi / 25.4;
  if (u == "cm") return dpi / 2.54;
  if (u == "in") return dpi;
  return 1.0;
}

struct ViewBox
{
  double x = 0, y = 0, w = 0, h = 0;
  bool valid = false;   // four numbers with no negative size
  bool disables = false; // a zero size: nothing inside is drawn
};

ViewBox parseViewBox(const char* text)
{
  ViewBox vb;
  if (!text) return vb;
  Scanner s(text);
  double v[4];
  s.skipSpace();
  for (int i = 0; i < 4; i++)
  {
    if (i > 0) s.skipSeparator();
    if (!s.number(v[i])) return vb;
  }
  s.skipSpace();
  if (!s.atEnd() || v[2] < 0 || v[3] < 0) return vb;
  vb = {v[0], v[1], v[2], v[3], true, v[2] == 0 || v[3] == 0};
  return vb;
}

// The transform that fits a viewBox into a viewport of w x h at the origin.
Matrix viewBoxTransform(const ViewBox& vb, double w, double h, const char* aspect)
{
  std::string_view a = aspect ? trim(aspect) : std::string_view("xMidYMid meet");
  if (a.substr(0, 5) == "defer") a = trim(a.substr(5));
  const double sx = w / vb.w, sy = h / vb.h;
  if (a.substr(0, 4) == "none") return Matrix::scale(sx, sy) * Matrix::translate(-vb.x, -vb.y);
  double ax = 0.5, ay = 0.5;
  if (a.size() >= 8 && a[0] == 'x' && a[4] == 'Y')
  {
    const std::string_view xs = a.substr(1, 3), ys = a.substr(5, 3);
    ax = xs == "Min" ? 0 : xs == "Max" ? 1 : 0.5;
    ay = ys == "Min" ? 0 : ys == "Max" ? 1 : 0.5;
  }
  const bool slice = a.find("slice") != std::string_view::npos;
  const double s = slice ? std::max(sx, sy) : std::min(sx, sy);
  const double tx = (w - vb.w * s) * ax - vb.x * s, ty = (h - vb.h * s) * ay - vb.y * s;
  return Matrix::translate(tx, ty) * Matrix::scale(s, s);
}

class Reader
{
public:
  Reader(const char* units, float dpi)
  {
    dpi_ = std::isfinite(dpi) && dpi > 0 ? dpi : 96.0;
    outScale_ = 1.0 / pixelsPer(units, dpi_);
  }

  std::unique_ptr<SVGImage> read(const TiXmlElement& root)
  {
    image_ = std::make_unique<SVGImage>();
    indexIds(root);

    Context ctx;
    ctx.basis.dpi = dpi_;
    applyStyle(root, ctx.style, ctx.basis);
    const ViewBox vb = parseViewBox(root.Attribute("viewBox"));
    // The viewport: width and height as given, else the viewBox's size (scaled by a percentage).
    double w = -1, h = -1;
    size(root.Attribute("width"), vb.valid ? vb.w : -1, ctx.basis, w);
    size(root.Attribute("height"), vb.valid ? vb.h : -1, ctx.basis, h);
    ctx.basis.width = vb.valid && !vb.disables ? vb.w : w >= 0 ? w : 100;
    ctx.basis.height = vb.valid && !vb.disables ? vb.h : h >= 0 ? h : 100;
    ctx.ctm = Matrix::scale(outScale_, outScale_);
    if (vb.valid && !vb.disables && w >= 0 && h >= 0)
      ctx.ctm = ctx.ctm * viewBoxTransform(vb, w, h, root.Attribute("preserveAspectRatio"));
    ctx.opacity = ctx.style.opacity;
    if (ctx.style.display && !(vb.valid && vb.disables) && w != 0 && h != 0)
    {
      stack_.push_back(&root);
      children(root, ctx);
    }
    // Without a size from the document, the image reaches as far as its shapes do.
    float right = 0, bottom = 0;
    for (const SVGShape& s : image_->shapes)
    {
      right = std::max(right, s.bounds[2]);
      bottom = std::max(bottom, s.bounds[3]);
    }
    image_->width = w >= 0 ? float(w * outScale_) : right;
    image_->height = h >= 0 ? float(h * outScale_) : bottom;
    if (!std::isfinite(image_->width) || !std::isfinite(image_->height)) image_->width = image_->height = 0;
    return std::move(image_);
  }

private:
  // A width or height of a viewport: a length; a percentage of ref (when there is one); else -1.
  static void size(const char* text, double ref, const LengthBasis& basis, double& out)
  {
    Length l;
    if (!text || !parseLength(text, l))
    {
      out = ref;
      return;
    }
    const double v = l.unit == Unit::Percent ? (ref >= 0 ? l.value / 100.0 * ref : -1) : toUser(l, Axis::Other, basis);
    out = v >= 0 && std::isfinite(v) ? v : ref;
  }

  void indexIds(const TiXmlElement& root)
  {
    // Iterative: the guard bounds the depth, but an explicit stack costs nothing.
    std::vector<const TiXmlElement*> todo{&root};
    while (!todo.empty())
    {
      const TiXmlElement* el = todo.back();
      todo.pop_back();
      if (const char* id = el->Attribute("id")) ids_.emplace(std::string_view(id), el);
      // Children pushed in reverse so document order is kept (the first of a repeated id wins).
      const size_t mark = todo.size();
      for (const TiXmlElement* c = el->FirstChildElement(); c; c = c->NextSiblingElement()) todo.push_back(c);
      std::reverse(todo.begin() + long(mark), todo.end());
    }
  }

  double length(const TiXmlElement& el, const char* name, Axis axis, const Context& ctx, double fallback = 0) const
  {
    Length l;
    const char* v = el.Attribute(name);
    if (!v || !parseLength(v, l)) return fallback;
    return toUser(l, axis, ctx.basis);
  }

  Context derive(const TiXmlElement& el, const Context& parent) const
  {
    Context c = parent;
    c.style = parent.style.inherited();
    applyStyle(el, c.style, c.basis);
    if (const char* t = el.Attribute("transform"))
    {
      Matrix m;
      if (parseTransform(t, m)) c.ctm = parent.ctm * m;
    }
    c.opacity = parent.opacity * c.style.opacity;
    return c;
  }

  bool onStack(const TiXmlElement* el) const { return std::find(stack_.begin(), stack_.end(), el) != stack_.end(); }

  void children(const TiXmlElement& el, const Context& ctx)
  {
    for (const TiXmlElement* c = el.FirstChildElement(); c && !budget_.exhausted; c = c->NextSiblingElement())
      element(*c, ctx);
  }

  void element(const TiXmlElement& el, const Context& parent)
  {
    if (int(stack_.size()) >= kMaxDrawDepth || !budget_.take(budget_.elements, 1)) return;
    stack_.push_back(&el);
    if (named(el, "g") || named(el, "a"))
    {
      const Context ctx = derive(el, parent);
      if (ctx.style.display) children(el, ctx);
    }
    else if (named(el, "svg"))
      viewport(el, el, parent, true);
    else if (named(el, "use"))
      use(el, parent);
    else
      shapeElement(el, parent);
    stack_.pop_back();
  }

  // A nested viewport: an inner <svg>, or a <symbol> drawn by <use> (whose x, y, width and height
  // come from the use element, sizeFrom).
  void viewport(const TiXmlElement& el, const TiXmlElement& sizeFrom, const Context& parent, bool ownPosition)
  {
    Context ctx = derive(el, parent);
    if (!ctx.style.display) return;
    if (ownPosition)
      ctx.ctm = ctx.ctm * Matrix::translate(length(el, "x", Axis::X, parent), length(el, "y", Axis::Y, parent));
    const ViewBox vb = parseViewBox(el.Attribute("viewBox"));
    const double w = length(sizeFrom, "width", Axis::X, parent, parent.basis.width);
    const double h = length(sizeFrom, "height", Axis::Y, parent, parent.basis.height);
    if (!(w > 0) || !(h > 0) || (vb.valid && vb.disables)) return;
    if (vb.valid)
    {
      ctx.ctm = ctx.ctm * viewBoxTransform(vb, w, h, el.Attribute("preserveAspectRatio"));
      ctx.basis.width = vb.w;
      ctx.basis.height = vb.h;
    }
    else
    {
      ctx.basis.width = w;
      ctx.basis.height = h;
    }
    children(el, ctx);
  }

  void use(const TiXmlElement& el, const Context& parent)
  {
    const TiXmlElement* target = hrefTarget(el, ids_);
    if (!target || onStack(target)) return; // missing, or a reference back into itself
    Context ctx = derive(el, parent);
    if (!ctx.style.display) return;
    ctx.ctm = ctx.ctm * Matrix::translate(length(el, "x", Axis::X, parent), length(el, "y", Axis::Y, parent));
    if (named(*target, "symbol"))
    {
      if (int(stack_.size()) >= kMaxDrawDepth) return;
      stack_.push_back(target);
      viewport(*target, el, ctx, false);
      stack_.pop_back();
    }
    else
    {
      element(*target, ctx);
    }
  }

  void shapeElement(const TiXmlElement& el, const Context& parent)
  {
    const bool isPath = named(el, "path"), isRect = named(el, "rect"), isCircle = named(el, "circle"),
               isEllipse = named(el, "ellipse"), isLine = named(el, "line"), isPolyline = named(el, "polyline"),
               isPolygon = named(el, "polygon");
    if (!(isPath || isRect || isCircle || isEllipse || isLine || isPolyline || isPolygon)) return; // not drawn
    const Context ctx = derive(el, parent);
    if (!ctx.style.display) return;
    PathBuilder b(budget_);
    if (isPath)
    {
      if (const char* d = el.Attribute("d")) parsePathData(d, b);
    }
    else if (isRect)
    {
      const double w = length(el, "width", Axis::X, ctx), h = length(el, "height", Axis::Y, ctx);
      if (!(w > 0) || !(h > 0)) return;
      double rx = length(el, "rx", Axis::X, ctx, -1), ry = length(el, "ry", Axis::Y, ctx, -1);
      if (rx < 0) rx = ry; // one radius given serves both
      if (ry < 0) ry = rx;
      rx = std::clamp(rx, 0.0, w / 2);
      ry = std::clamp(ry, 0.0, h / 2);
      if (rx == 0 || ry == 0) rx = ry = 0;
      b.rect(length(el, "x", Axis::X, ctx), length(el, "y", Axis::Y, ctx), w, h, rx, ry);
    }
    else if (isCircle || isEllipse)
    {
      const double rx = isCircle ? length(el, "r", Axis::Other, ctx) : length(el, "rx", Axis::X, ctx);
      const double ry = isCircle ? rx : length(el, "ry", Axis::Y, ctx);
      if (!(rx > 0) || !(ry > 0)) return;
      b.ellipse(length(el, "cx", Axis::X, ctx), length(el, "cy", Axis::Y, ctx), rx, ry);
    }
    else if (isLine)
    {
      b.moveTo(length(el, "x1", Axis::X, ctx), length(el, "y1", Axis::Y, ctx));
      b.lineTo(length(el, "x2", Axis::X, ctx), length(el, "y2", Axis::Y, ctx));
    }
    else if (const char* pts = el.Attribute("points"))
    {
      Scanner s(pts);
      s.skipSpace();
      bool first = true;
      double x, y;
      while (!b.failed() && s.number(x))
      {
        s.skipSeparator();
        if (!s.number(y)) break; // an odd coordinate is dropped
        s.skipSeparator();
        if (first)
          b.moveTo(x, y);
        else
          b.lineTo(x, y);
        first = false;
      }
      if (isPolygon) b.close();
    }
    emit(el, ctx, b.finish());
  }

  SVGPaint paint(const PaintSpec& spec, double alpha, const Context& ctx, const double bbox[4])
  {
    SVGPaint p;
    PaintKind kind = spec.kind;
    SVGColor color = spec.color;
    if (kind == PaintKind::Url)
    {
      const auto it = ids_.find(spec.id);
      if (it != ids_.end() && isGradient(*it->second))
        return gradientPaint(*it->second, ids_, alpha, ctx.style.color, ctx.ctm, bbox, ctx.basis, budget_);
      kind = spec.hasFallback ? spec.fallback : PaintKind::None;
      color = spec.fallbackColor;
    }
    if (kind == PaintKind::CurrentColor) kind = PaintKind::Color, color = ctx.style.color;
    if (kind != PaintKind::Color) return p;
    p.type = SVGPaintType::Color;
    p.color = withAlpha(color, alpha);
    return p;
  }

  void emit(const TiXmlElement& el, const Context& ctx, std::vector<LocalPath> paths)
  {
    if (paths.empty() || !budget_.take(budget_.shapes, 1)) return;
    SVGShape s;
    if (const char* id = el.Attribute("id")) copyId(id, s.id);
    double local[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const LocalPath& p : paths) extendBounds(p.pts, local);
    const Style& st = ctx.style;
    s.fill = paint(st.fill, st.fillOpacity, ctx, local);
    s.stroke = paint(st.stroke, st.strokeOpacity, ctx, local);
    // Stroke lengths follow the transform's mean scale (exact for uniform scales and rotations).
    const double scale = std::sqrt(std::fabs(ctx.ctm.det()));
    const double width = st.strokeWidth * scale;
    if (!(width > 0) || !(width < 1e30)) s.stroke = SVGPaint();
    s.strokeWidth = std::isfinite(width) ? float(std::min(width, 1e30)) : 0.f;
    double dashSum = 0;
    for (int i = 0; i < st.dashCount; i++)
      dashSum += s.strokeDashArray[i] = float(std::min(st.dashes[i] * scale, 1e30));
    s.strokeDashCount = dashSum > 0 ? st.dashCount : 0; // dashes scaled to nothing: a solid line
    s.strokeDashOffset = float(std::clamp(st.dashOffset * scale, -1e30, 1e30));
    if (!std::isfinite(s.strokeDashOffset)) s.strokeDashOffset = 0;
    s.strokeLineJoin = st.join;
    s.strokeLineCap = st.cap;
    s.miterLimit = float(std::min(st.miterLimit, 1e30));
    s.fillRule = st.fillRule;
    s.opacity = float(std::clamp(ctx.opacity, 0.0, 1.0));
    s.visible = st.visible;

    double box[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    std::vector<double> xy;
    for (const LocalPath& lp : paths)
    {
      xy.resize(lp.pts.size());
      bool finite = true;
      for (size_t i = 0; i + 1 < lp.pts.size(); i += 2)
      {
        ctx.ctm.apply(lp.pts[i], lp.pts[i + 1], xy[i], xy[i + 1]);
        finite = finite && std::fabs(xy[i]) < 1e30 && std::fabs(xy[i + 1]) < 1e30;
      }
      if (!finite) continue; // a sub-path beyond any drawable range is left out
      SVGPath out;
      out.closed = lp.closed;
      out.pts.assign(xy.begin(), xy.end());
      double pb[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
      extendBounds(xy, pb);
      for (int i = 0; i < 4; i++) out.bounds[i] = float(pb[i]);
      box[0] = std::min(box[0], pb[0]);
      box[1] = std::min(box[1], pb[1]);
      box[2] = std::max(box[2], pb[2]);
      box[3] = std::max(box[3], pb[3]);
      s.paths.push_back(std::move(out));
    }
    if (s.paths.empty()) return;
    for (int i = 0; i < 4; i++) s.bounds[i] = float(box[i]);
    image_->shapes.push_back(std::move(s));
  }

  // Copies an id, cut to fit without splitting a UTF-8 sequence.
  static void copyId(const char* id, char (&out)[64])
  {
    size_t n = std::strlen(id);
    if (n > sizeof(out) - 1)
    {
      n = sizeof(out) - 1;
      while (n > 0 && (static_cast<unsigned char>(id[n]) & 0xC0) == 0x80) n--;
    }
    std::memcpy(out, id, n);
    out[n] = '\0';
  }

  double dpi_ = 96, outScale_ = 1;
  Budget budget_;
  IdMap ids_;
  std::vector<const TiXmlElement*> stack_;
  std::unique_ptr<SVGImage> image_;
};

} // namespace

std::unique_ptr<SVGImage> readDocument(const TiXmlDocument& doc, const char* units, float dpi)
{
  const TiXmlElement* root = doc.RootElement();
  if (!root || !named(*root, "svg")) return nullptr;
  return Reader(units, dpi).read(*root);
}

} // namespace fx::svg::detail
