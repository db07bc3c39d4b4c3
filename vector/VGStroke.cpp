// Stroke expansion: caps, round and bevel joins, and vgrStroke.
#include <cmath>
#include <utility>

#include "vector/VGTessellate.h"

namespace fx::gfx {

using tess::vset;

namespace {

constexpr float kPi = 3.1415927f;

float clampf(float a, float lo, float hi) { return a < lo ? lo : (a > hi ? hi : a); }

int curveDivs(float r, float arc, float tol) {
  const float da = std::acos(r / (r + tol)) * 2.0f;
  const float n = std::ceil(arc / da);
  if (!(n >= 2.0f)) return 2;  // also NaN
  return n > 1000.0f ? 1000 : static_cast<int>(n);
}

VGvertex* buttCapStart(VGvertex* dst, const VGflatPoint* p, float dx, float dy, float w, float d, float aa, float u0,
                       float u1) {
  const float px = p->x - dx * d, py = p->y - dy * d;
  const float dlx = dy, dly = -dx;
  vset(dst++, px + dlx * w - dx * aa, py + dly * w - dy * aa, u0, 0);
  vset(dst++, px - dlx * w - dx * aa, py - dly * w - dy * aa, u1, 0);
  vset(dst++, px + dlx * w, py + dly * w, u0, 1);
  vset(dst++, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VGvertex* buttCapEnd(VGvertex* dst, const VGflatPoint* p, float dx, float dy, float w, float d, float aa, float u0,
                     float u1) {
  const float px = p->x + dx * d, py = p->y + dy * d;
  const float dlx = dy, dly = -dx;
  vset(dst++, px + dlx * w, py + dly * w, u0, 1);
  vset(dst++, px - dlx * w, py - dly * w, u1, 1);
  vset(dst++, px + dlx * w + dx * aa, py + dly * w + dy * aa, u0, 0);
  vset(dst++, px - dlx * w + dx * aa, py - dly * w + dy * aa, u1, 0);
  return dst;
}

VGvertex* roundCapStart(VGvertex* dst, const VGflatPoint* p, float dx, float dy, float w, int ncap, float u0,
                        float u1) {
  const float px = p->x, py = p->y;
  const float dlx = dy, dly = -dx;
  for (int i = 0; i < ncap; i++) {
    const float a = static_cast<float>(i) / static_cast<float>(ncap - 1) * kPi;
    const float ax = std::cos(a) * w, ay = std::sin(a) * w;
    vset(dst++, px - dlx * ax - dx * ay, py - dly * ax - dy * ay, u0, 1);
    vset(dst++, px, py, 0.5f, 1);
  }
  vset(dst++, px + dlx * w, py + dly * w, u0, 1);
  vset(dst++, px - dlx * w, py - dly * w, u1, 1);
  return dst;
}

VGvertex* roundCapEnd(VGvertex* dst, const VGflatPoint* p, float dx, float dy, float w, int ncap, float u0,
                      float u1) {
  const float px = p->x, py = p->y;
  const float dlx = dy, dly = -dx;
  vset(dst++, px + dlx * w, py + dly * w, u0, 1);
  vset(dst++, px - dlx * w, py - dly * w, u1, 1);
  for (int i = 0; i < ncap; i++) {
    const float a = static_cast<float>(i) / static_cast<float>(ncap - 1) * kPi;
    const float ax = std::cos(a) * w, ay = std::sin(a) * w;
    vset(dst++, px, py, 0.5f, 1);
    vset(dst++, px - dlx * ax + dx * ay, py - dly * ax + dy * ay, u0, 1);
  }
  return dst;
}

// Segments of a round join turning by da radians: 2 to ncap (2 also for a turn that is
// not a number, from degenerate points).
int joinDivs(float da, int ncap) {
  const float n = std::ceil(da / kPi * static_cast<float>(ncap));
  if (!(n >= 2.0f)) return 2;
  return n > static_cast<float>(ncap) ? ncap : static_cast<int>(n);
}

VGvertex* roundJoin(VGvertex* dst, const VGflatPoint* p0, const VGflatPoint* p1, float lw, float rw, float lu,
                    float ru, int ncap) {
  const float dlx0 = p0->dy, dly0 = -p0->dx;
  const float dlx1 = p1->dy, dly1 = -p1->dx;
  if (p1->flags & VG_PT_LEFT) {
    const auto [lx0, ly0, lx1, ly1] = vgrInnerJoinCorners(p0, p1, lw);
    const float a0 = std::atan2(-dly0, -dlx0);
    float a1 = std::atan2(-dly1, -dlx1);
    if (a1 > a0) a1 -= kPi * 2;
    vset(dst++, lx0, ly0, lu, 1);
    vset(dst++, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    const int n = joinDivs(a0 - a1, ncap);
    for (int i = 0; i < n; i++) {
      const float u = static_cast<float>(i) / static_cast<float>(n - 1);
      const float a = a0 + u * (a1 - a0);
      const float rx = p1->x + std::cos(a) * rw;
      const float ry = p1->y + std::sin(a) * rw;
      vset(dst++, p1->x, p1->y, 0.5f, 1);
      vset(dst++, rx, ry, ru, 1);
    }
    vset(dst++, lx1, ly1, lu, 1);
    vset(dst++, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  } else {
    const auto [rx0, ry0, rx1, ry1] = vgrInnerJoinCorners(p0, p1, -rw);
    const float a0 = std::atan2(dly0, dlx0);
    float a1 = std::atan2(dly1, dlx1);
    if (a1 < a0) a1 += kPi * 2;
    vset(dst++, p1->x + dlx0 * rw, p1->y + dly0 * rw, lu, 1);
    vset(dst++, rx0, ry0, ru, 1);
    const int n = joinDivs(a1 - a0, ncap);
    for (int i = 0; i < n; i++) {
      const float u = static_cast<float>(i) / static_cast<float>(n - 1);
      const float a = a0 + u * (a1 - a0);
      const float lx = p1->x + std::cos(a) * lw;
      const float ly = p1->y + std::sin(a) * lw;
      vset(dst++, lx, ly, lu, 1);
      vset(dst++, p1->x, p1->y, 0.5f, 1);
    }
    vset(dst++, p1->x + dlx1 * rw, p1->y + dly1 * rw, lu, 1);
    vset(dst++, rx1, ry1, ru, 1);
  }
  return dst;
}

// The direction from p0 to p1 for a cap, unit length unless the points nearly coincide.
std::pair<float, float> capDirection(const VGflatPoint* p0, const VGflatPoint* p1) {
  float dx = p1->x - p0->x, dy = p1->y - p0->y;
  const float d = std::sqrt(dx * dx + dy * dy);
  if (d > 1e-6f) {
    dx /= d;
    dy /= d;
  }
  return {dx, dy};
}

}  // namespace

int vgrExpandStroke(VGcontext* ctx, float w, float fringe, int lineCap, int lineJoin, float miterLimit) {
  VGtessCache* cache = ctx->cache;
  const float aa = fringe;
  float u0 = 0.0f, u1 = 1.0f;
  const int ncap = curveDivs(w, kPi, ctx->tessTol);  // from the width before widening
  w += aa * 0.5f;
  // Without anti-aliasing the whole stroke sits on the centre of the coverage ramp.
  if (aa == 0.0f) {
    u0 = 0.5f;
    u1 = 0.5f;
  }

  vgrCalculateJoins(cache, w, lineJoin, miterLimit);

  int cverts = 0;
  for (int i = 0; i < cache->npaths; i++) {
    const VGpath* path = &cache->paths[i];
    const int loop = path->closed ? 1 : 0;
    if (lineJoin == VG_ROUND)
      cverts += (path->count + path->nbevel * (ncap + 2) + 1) * 2;
    else
      cverts += (path->count + path->nbevel * 5 + 1) * 2;
    if (loop == 0) {
      if (lineCap == VG_CAP_ROUND)
        cverts += (ncap * 2 + 2) * 2;
      else
        cverts += (3 + 3) * 2;
    }
  }
  VGvertex* verts = vgrAllocTempVerts(ctx, cverts);
  if (verts == nullptr) {
    for (int i = 0; i < cache->npaths; i++) {
      cache->paths[i].fill = cache->paths[i].stroke = nullptr;
      cache->paths[i].nfill = cache->paths[i].nstroke = 0;
    }
    return 0;
  }

  for (int i = 0; i < cache->npaths; i++) {
    VGpath* path = &cache->paths[i];
    VGflatPoint* pts = &cache->points[path->first];
    path->fill = nullptr;
    path->nfill = 0;
    path->stroke = nullptr;
    path->nstroke = 0;
    const int loop = path->closed ? 1 : 0;
    // An open path needs two points for its direction, a closed one at least one.
    if (path->count < (loop ? 1 : 2)) continue;

    VGvertex* dst = verts;
    path->stroke = dst;

    VGflatPoint *p0, *p1;
    int s, e;
    if (loop) {
      p0 = &pts[path->count - 1];
      p1 = &pts[0];
      s = 0;
      e = path->count;
    } else {
      p0 = &pts[0];
      p1 = &pts[1];
      s = 1;
      e = path->count - 1;
    }

    if (loop == 0) {
      const auto [dx, dy] = capDirection(p0, p1);
      if (lineCap == VG_BUTT)
        dst = buttCapStart(dst, p0, dx, dy, w, -aa * 0.5f, aa, u0, u1);
      else if (lineCap == VG_SQUARE)
        dst = buttCapStart(dst, p0, dx, dy, w, w - aa, aa, u0, u1);
      else if (lineCap == VG_CAP_ROUND)
        dst = roundCapStart(dst, p0, dx, dy, w, ncap, u0, u1);
    }

    for (int j = s; j < e; ++j) {
      if ((p1->flags & (VG_PT_BEVEL | VG_PT_INNERBEVEL)) != 0) {
        if (lineJoin == VG_ROUND)
          dst = roundJoin(dst, p0, p1, w, w, u0, u1, ncap);
        else
          dst = vgrBevelJoin(dst, p0, p1, w, w, u0, u1);
      } else {
        vset(dst++, p1->x + (p1->dmx * w), p1->y + (p1->dmy * w), u0, 1);
        vset(dst++, p1->x - (p1->dmx * w), p1->y - (p1->dmy * w), u1, 1);
      }
      p0 = p1++;
    }

    if (loop) {
      vset(dst++, verts[0].x, verts[0].y, u0, 1);
      vset(dst++, verts[1].x, verts[1].y, u1, 1);
    } else {
      const auto [dx, dy] = capDirection(p0, p1);
      if (lineCap == VG_BUTT)
        dst = buttCapEnd(dst, p1, dx, dy, w, -aa * 0.5f, aa, u0, u1);
      else if (lineCap == VG_SQUARE)
        dst = buttCapEnd(dst, p1, dx, dy, w, w - aa, aa, u0, u1);
      else if (lineCap == VG_CAP_ROUND)
        dst = roundCapEnd(dst, p1, dx, dy, w, ncap, u0, u1);
    }

    path->nstroke = static_cast<int32_t>(dst - verts);
    verts = dst;
  }
  return 1;
}

void vgrStroke(VGcontext* ctx) {
  VGdrawState* state = &ctx->states[ctx->nstates - 1];
  const float scale = (std::sqrt(state->xform[0] * state->xform[0] + state->xform[2] * state->xform[2]) +
                       std::sqrt(state->xform[1] * state->xform[1] + state->xform[3] * state->xform[3])) *
                      0.5f;
  float strokeWidth = state->strokeWidth * scale;
  strokeWidth = std::isnan(strokeWidth) ? 0.0f : clampf(strokeWidth, 0.0f, 200.0f);
  VGpaint strokePaint = state->stroke;
  if (strokeWidth < ctx->fringeWidth) {
    // A stroke thinner than a pixel: draw it a pixel wide and fade it instead.
    const float alpha = clampf(strokeWidth / ctx->fringeWidth, 0.0f, 1.0f);
    strokePaint.innerColor.a *= alpha * alpha;
    strokePaint.outerColor.a *= alpha * alpha;
    strokeWidth = ctx->fringeWidth;
  }
  strokePaint.innerColor.a *= state->alpha;
  strokePaint.outerColor.a *= state->alpha;

  vgrFlattenPaths(ctx);
  if (ctx->params.edgeAntiAlias && state->shapeAntiAlias)
    vgrExpandStroke(ctx, strokeWidth * 0.5f, ctx->fringeWidth, state->lineCap, state->lineJoin, state->miterLimit);
  else
    vgrExpandStroke(ctx, strokeWidth * 0.5f, 0.0f, state->lineCap, state->lineJoin, state->miterLimit);

  ctx->params.renderStroke(ctx->params.userPtr, &strokePaint, state->compositeOperation, &state->scissor,
                           ctx->fringeWidth, strokeWidth, ctx->cache->paths, ctx->cache->npaths);
}

}  // namespace fx::gfx
