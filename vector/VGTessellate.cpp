// Flattening of the command buffer into polylines, join data, fills and the cache dump.
#include "vector/VGTessellate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fx::gfx {

using tess::normalize;
using tess::ptEquals;
using tess::vset;

namespace {

float triarea2(float ax, float ay, float bx, float by, float cx, float cy) {
  const float abx = bx - ax, aby = by - ay;
  const float acx = cx - ax, acy = cy - ay;
  return acx * aby - abx * acy;
}

float polyArea(const VGflatPoint* pts, int npts) {
  float area = 0;
  for (int i = 2; i < npts; i++) {
    const VGflatPoint* a = &pts[0];
    const VGflatPoint* b = &pts[i - 1];
    const VGflatPoint* c = &pts[i];
    area += triarea2(a->x, a->y, b->x, b->y, c->x, c->y);
  }
  return area * 0.5f;
}

void polyReverse(VGflatPoint* pts, int npts) {
  int i = 0, j = npts - 1;
  while (i < j) {
    const VGflatPoint tmp = pts[i];
    pts[i] = pts[j];
    pts[j] = tmp;
    i++;
    j--;
  }
}

VGpath* lastPath(VGcontext* ctx) { return ctx->cache->npaths > 0 ? &ctx->cache->paths[ctx->cache->npaths - 1] : nullptr; }
VGflatPoint* lastPoint(VGcontext* ctx) {
  return ctx->cache->npoints > 0 ? &ctx->cache->points[ctx->cache->npoints - 1] : nullptr;
}

void addPath(VGcontext* ctx) {
  VGtessCache* c = ctx->cache;
  if (c->npaths + 1 > c->cpaths) {
    const int cpaths = c->npaths + 1 + c->cpaths / 2;
    auto* paths = static_cast<VGpath*>(std::realloc(c->paths, sizeof(VGpath) * cpaths));
    if (paths == nullptr) return;
    c->paths = paths;
    c->cpaths = cpaths;
  }
  VGpath* path = &c->paths[c->npaths];
  std::memset(path, 0, sizeof(*path));
  path->first = c->npoints;
  path->winding = VG_CCW;
  c->npaths++;
}

}  // namespace

void vgrAddPoint(VGcontext* ctx, float x, float y, int flags) {
  VGpath* path = lastPath(ctx);
  if (path == nullptr) return;
  VGtessCache* c = ctx->cache;
  if (path->count > 0 && c->npoints > 0) {
    VGflatPoint* pt = lastPoint(ctx);
    if (ptEquals(pt->x, pt->y, x, y, ctx->distTol)) {
      pt->flags |= static_cast<uint8_t>(flags);
      return;
    }
  }
  if (c->npoints + 1 > c->cpoints) {
    const int cpoints = c->npoints + 1 + c->cpoints / 2;
    auto* points = static_cast<VGflatPoint*>(std::realloc(c->points, sizeof(VGflatPoint) * cpoints));
    if (points == nullptr) return;
    c->points = points;
    c->cpoints = cpoints;
  }
  VGflatPoint* pt = &c->points[c->npoints];
  std::memset(pt, 0, sizeof(*pt));
  pt->x = x;
  pt->y = y;
  pt->flags = static_cast<uint8_t>(flags);
  c->npoints++;
  path->count++;
}

void vgrTessellateBezier(VGcontext* ctx, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                         float y4, int level, int type) {
  if (level > 10) return;
  const float dx = x4 - x1, dy = y4 - y1;
  const float d2 = std::fabs(((x2 - x4) * dy - (y2 - y4) * dx));
  const float d3 = std::fabs(((x3 - x4) * dy - (y3 - y4) * dx));
  if ((d2 + d3) * (d2 + d3) < ctx->tessTol * (dx * dx + dy * dy)) {
    vgrAddPoint(ctx, x4, y4, type);
    return;
  }
  const float x12 = (x1 + x2) * 0.5f, y12 = (y1 + y2) * 0.5f;
  const float x23 = (x2 + x3) * 0.5f, y23 = (y2 + y3) * 0.5f;
  const float x34 = (x3 + x4) * 0.5f, y34 = (y3 + y4) * 0.5f;
  const float x123 = (x12 + x23) * 0.5f, y123 = (y12 + y23) * 0.5f;
  const float x234 = (x23 + x34) * 0.5f, y234 = (y23 + y34) * 0.5f;
  const float x1234 = (x123 + x234) * 0.5f, y1234 = (y123 + y234) * 0.5f;
  vgrTessellateBezier(ctx, x1, y1, x12, y12, x123, y123, x1234, y1234, level + 1, 0);
  vgrTessellateBezier(ctx, x1234, y1234, x234, y234, x34, y34, x4, y4, level + 1, type);
}

void vgrFlattenPaths(VGcontext* ctx) {
  VGtessCache* cache = ctx->cache;
  if (cache->npaths > 0) return;

  int i = 0;
  const int n = ctx->ncommands;
  while (i < n) {
    const int cmd = tess::commandCode(ctx->commands[i]);
    const float* p = &ctx->commands[i + 1];
    switch (cmd) {
      case VG_MOVETO:
        if (i + 3 > n) return;
        addPath(ctx);
        vgrAddPoint(ctx, p[0], p[1], VG_PT_CORNER);
        i += 3;
        break;
      case VG_LINETO:
        if (i + 3 > n) return;
        vgrAddPoint(ctx, p[0], p[1], VG_PT_CORNER);
        i += 3;
        break;
      case VG_BEZIERTO: {
        if (i + 7 > n) return;
        const VGflatPoint* last = lastPoint(ctx);
        if (last != nullptr)
          vgrTessellateBezier(ctx, last->x, last->y, p[0], p[1], p[2], p[3], p[4], p[5], 0, VG_PT_CORNER);
        i += 7;
        break;
      }
      case VG_CLOSE: {
        VGpath* path = lastPath(ctx);
        if (path != nullptr) path->closed = 1;
        i++;
        break;
      }
      case VG_WINDING: {
        if (i + 2 > n) return;
        VGpath* path = lastPath(ctx);
        if (path != nullptr) path->winding = tess::windingValue(p[0]);
        i += 2;
        break;
      }
      default:
        i++;
    }
  }

  cache->bounds[0] = cache->bounds[1] = 1e6f;
  cache->bounds[2] = cache->bounds[3] = -1e6f;

  for (int j = 0; j < cache->npaths; j++) {
    VGpath* path = &cache->paths[j];
    VGflatPoint* pts = &cache->points[path->first];
    if (path->count > 0) {
      // A last point that repeats the first closes the path.
      const VGflatPoint* p0 = &pts[path->count - 1];
      if (ptEquals(p0->x, p0->y, pts[0].x, pts[0].y, ctx->distTol)) {
        path->count--;
        path->closed = 1;
      }
    }
    if (path->count > 2) {
      const float area = polyArea(pts, path->count);
      if (path->winding == VG_CCW && area < 0.0f) polyReverse(pts, path->count);
      if (path->winding == VG_CW && area > 0.0f) polyReverse(pts, path->count);
    }
    if (path->count == 0) continue;
    VGflatPoint* p0 = &pts[path->count - 1];
    VGflatPoint* p1 = &pts[0];
    for (int k = 0; k < path->count; k++) {
      p0->dx = p1->x - p0->x;
      p0->dy = p1->y - p0->y;
      p0->len = normalize(&p0->dx, &p0->dy);
      cache->bounds[0] = std::fmin(cache->bounds[0], p0->x);
      cache->bounds[1] = std::fmin(cache->bounds[1], p0->y);
      cache->bounds[2] = std::fmax(cache->bounds[2], p0->x);
      cache->bounds[3] = std::fmax(cache->bounds[3], p0->y);
      p0 = p1++;
    }
  }
}

void vgrCalculateJoins(VGtessCache* cache, float w, int lineJoin, float miterLimit) {
  const float iw = w > 0.0f ? 1.0f / w : 0.0f;
  for (int i = 0; i < cache->npaths; i++) {
    VGpath* path = &cache->paths[i];
    path->nbevel = 0;
    if (path->count == 0) {
      path->convex = 0;
      continue;
    }
    VGflatPoint* pts = &cache->points[path->first];
    VGflatPoint* p0 = &pts[path->count - 1];
    VGflatPoint* p1 = &pts[0];
    int nleft = 0;
    // Sign changes of the edges' dy: with every corner turning the same way, an outline
    // that goes round once changes sign twice; a self-crossing star goes round more often.
    int firstSign = 0, lastSign = 0, nflips = 0;
    for (int j = 0; j < path->count; j++) {
      if (p1->dy != 0.0f) {
        const int sign = p1->dy > 0.0f ? 1 : -1;
        if (firstSign == 0)
          firstSign = sign;
        else if (sign != lastSign)
          nflips++;
        lastSign = sign;
      }
      const float dlx0 = p0->dy, dly0 = -p0->dx;
      const float dlx1 = p1->dy, dly1 = -p1->dx;
      // Mean of the two left normals, scaled to reach the miter point.
      p1->dmx = (dlx0 + dlx1) * 0.5f;
      p1->dmy = (dly0 + dly1) * 0.5f;
      const float dmr2 = p1->dmx * p1->dmx + p1->dmy * p1->dmy;
      if (dmr2 > 0.000001f) {
        float scale = 1.0f / dmr2;
        if (scale > 600.0f) scale = 600.0f;
        p1->dmx *= scale;
        p1->dmy *= scale;
      }
      p1->flags = (p1->flags & VG_PT_CORNER) ? VG_PT_CORNER : 0;
      const float cross = p1->dx * p0->dy - p0->dx * p1->dy;
      if (cross > 0.0f) {
        nleft++;
        p1->flags |= VG_PT_LEFT;
      }
      const float limit = std::fmax(1.01f, std::fmin(p0->len, p1->len) * iw);
      if ((dmr2 * limit * limit) < 1.0f) p1->flags |= VG_PT_INNERBEVEL;
      if (p1->flags & VG_PT_CORNER) {
        if ((dmr2 * miterLimit * miterLimit) < 1.0f || lineJoin == VG_BEVEL || lineJoin == VG_ROUND)
          p1->flags |= VG_PT_BEVEL;
      }
      if ((p1->flags & (VG_PT_BEVEL | VG_PT_INNERBEVEL)) != 0) path->nbevel++;
      p0 = p1++;
    }
    if (lastSign != firstSign) nflips++;
    path->convex = (nleft == path->count && nflips <= 2) ? 1 : 0;
  }
}

VGvertex* vgrAllocTempVerts(VGcontext* ctx, int nverts) {
  VGtessCache* c = ctx->cache;
  if (nverts < 0) return nullptr;
  if (nverts > c->cverts) {
    const int cverts = (nverts + 0xff) & ~0xff;
    auto* verts = static_cast<VGvertex*>(std::realloc(c->verts, sizeof(VGvertex) * cverts));
    if (verts == nullptr) return nullptr;
    c->verts = verts;
    c->cverts = cverts;
  }
  return c->verts;
}

VGvertex* vgrBevelJoin(VGvertex* dst, const VGflatPoint* p0, const VGflatPoint* p1, float lw, float rw, float lu,
                       float ru) {
  const float dlx0 = p0->dy, dly0 = -p0->dx;
  const float dlx1 = p1->dy, dly1 = -p1->dx;
  if (p1->flags & VG_PT_LEFT) {
    const auto [lx0, ly0, lx1, ly1] = vgrInnerJoinCorners(p0, p1, lw);
    vset(dst++, lx0, ly0, lu, 1);
    vset(dst++, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
    if (p1->flags & VG_PT_BEVEL) {
      vset(dst++, lx0, ly0, lu, 1);
      vset(dst++, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      vset(dst++, lx1, ly1, lu, 1);
      vset(dst++, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    } else {
      const float rx0 = p1->x - p1->dmx * rw, ry0 = p1->y - p1->dmy * rw;
      vset(dst++, p1->x, p1->y, 0.5f, 1);
      vset(dst++, p1->x - dlx0 * rw, p1->y - dly0 * rw, ru, 1);
      vset(dst++, rx0, ry0, ru, 1);
      vset(dst++, rx0, ry0, ru, 1);
      vset(dst++, p1->x, p1->y, 0.5f, 1);
      vset(dst++, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
    }
    vset(dst++, lx1, ly1, lu, 1);
    vset(dst++, p1->x - dlx1 * rw, p1->y - dly1 * rw, ru, 1);
  } else {
    const auto [rx0, ry0, rx1, ry1] = vgrInnerJoinCorners(p0, p1, -rw);
    vset(dst++, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
    vset(dst++, rx0, ry0, ru, 1);
    if (p1->flags & VG_PT_BEVEL) {
      vset(dst++, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      vset(dst++, rx0, ry0, ru, 1);
      vset(dst++, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      vset(dst++, rx1, ry1, ru, 1);
    } else {
      const float lx0 = p1->x + p1->dmx * lw, ly0 = p1->y + p1->dmy * lw;
      vset(dst++, p1->x + dlx0 * lw, p1->y + dly0 * lw, lu, 1);
      vset(dst++, p1->x, p1->y, 0.5f, 1);
      vset(dst++, lx0, ly0, lu, 1);
      vset(dst++, lx0, ly0, lu, 1);
      vset(dst++, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
      vset(dst++, p1->x, p1->y, 0.5f, 1);
    }
    vset(dst++, p1->x + dlx1 * lw, p1->y + dly1 * lw, lu, 1);
    vset(dst++, rx1, ry1, ru, 1);
  }
  return dst;
}

int vgrExpandFill(VGcontext* ctx, float w) {
  VGtessCache* cache = ctx->cache;
  const float aa = ctx->fringeWidth;
  const int fringe = w > 0.0f;

  vgrCalculateJoins(cache, w, VG_MITER, 2.4f);

  int cverts = 0;
  for (int i = 0; i < cache->npaths; i++) {
    const VGpath* path = &cache->paths[i];
    cverts += path->count + path->nbevel + 1;
    if (fringe) cverts += (path->count + path->nbevel * 5 + 1) * 2;
  }
  VGvertex* verts = vgrAllocTempVerts(ctx, cverts);
  if (verts == nullptr) {
    for (int i = 0; i < cache->npaths; i++) {
      cache->paths[i].fill = cache->paths[i].stroke = nullptr;
      cache->paths[i].nfill = cache->paths[i].nstroke = 0;
    }
    return 0;
  }

  const int convex = cache->npaths == 1 && cache->paths[0].convex;
  const float woff = 0.5f * aa;
  for (int i = 0; i < cache->npaths; i++) {
    VGpath* path = &cache->paths[i];
    path->fill = path->stroke = nullptr;
    path->nfill = path->nstroke = 0;
    // A path that lost all its points has nothing to draw.
    if (path->count == 0) continue;
    VGflatPoint* pts = &cache->points[path->first];

    VGvertex* dst = verts;
    path->fill = dst;
    if (fringe) {
      VGflatPoint* p0 = &pts[path->count - 1];
      VGflatPoint* p1 = &pts[0];
      for (int j = 0; j < path->count; ++j) {
        if (p1->flags & VG_PT_BEVEL) {
          const float dlx0 = p0->dy, dly0 = -p0->dx;
          const float dlx1 = p1->dy, dly1 = -p1->dx;
          if (p1->flags & VG_PT_LEFT) {
            vset(dst++, p1->x + p1->dmx * woff, p1->y + p1->dmy * woff, 0.5f, 1);
          } else {
            vset(dst++, p1->x + dlx0 * woff, p1->y + dly0 * woff, 0.5f, 1);
            vset(dst++, p1->x + dlx1 * woff, p1->y + dly1 * woff, 0.5f, 1);
          }
        } else {
          vset(dst++, p1->x + p1->dmx * woff, p1->y + p1->dmy * woff, 0.5f, 1);
        }
        p0 = p1++;
      }
    } else {
      for (int j = 0; j < path->count; ++j) vset(dst++, pts[j].x, pts[j].y, 0.5f, 1);
    }
    path->nfill = static_cast<int32_t>(dst - verts);
    verts = dst;

    if (fringe) {
      float lw = w + woff;
      const float rw = w - woff;
      float lu = 0;
      const float ru = 1;
      dst = verts;
      path->stroke = dst;
      // A single convex path only needs the outer half of the fringe.
      if (convex) {
        lw = woff;
        lu = 0.5f;
      }
      VGflatPoint* p0 = &pts[path->count - 1];
      VGflatPoint* p1 = &pts[0];
      for (int j = 0; j < path->count; ++j) {
        if ((p1->flags & (VG_PT_BEVEL | VG_PT_INNERBEVEL)) != 0) {
          dst = vgrBevelJoin(dst, p0, p1, lw, rw, lu, ru);
        } else {
          vset(dst++, p1->x + (p1->dmx * lw), p1->y + (p1->dmy * lw), lu, 1);
          vset(dst++, p1->x - (p1->dmx * rw), p1->y - (p1->dmy * rw), ru, 1);
        }
        p0 = p1++;
      }
      // Close the strip.
      vset(dst++, verts[0].x, verts[0].y, lu, 1);
      vset(dst++, verts[1].x, verts[1].y, ru, 1);
      path->nstroke = static_cast<int32_t>(dst - verts);
      verts = dst;
    }
  }
  return 1;
}

void vgrFill(VGcontext* ctx) {
  VGdrawState* state = &ctx->states[ctx->nstates - 1];
  VGpaint fillPaint = state->fill;
  vgrFlattenPaths(ctx);
  if (ctx->params.edgeAntiAlias && state->shapeAntiAlias)
    vgrExpandFill(ctx, ctx->fringeWidth);
  else
    vgrExpandFill(ctx, 0.0f);
  fillPaint.innerColor.a *= state->alpha;
  fillPaint.outerColor.a *= state->alpha;
  ctx->params.renderFill(ctx->params.userPtr, &fillPaint, state->compositeOperation, &state->scissor,
                         ctx->fringeWidth, ctx->cache->bounds, ctx->cache->paths, ctx->cache->npaths);
}

void vgrDebugDumpPathCache(VGcontext* ctx) {
  std::printf("Dumping %d cached paths\n", ctx->cache->npaths);
  for (int i = 0; i < ctx->cache->npaths; i++) {
    const VGpath* path = &ctx->cache->paths[i];
    std::printf(" - Path %d\n", i);
    if (path->nfill) {
      std::printf("   - fill: %d\n", path->nfill);
      for (int j = 0; j < path->nfill; j++) std::printf("%f\t%f\n", path->fill[j].x, path->fill[j].y);
    }
    if (path->nstroke) {
      std::printf("   - stroke: %d\n", path->nstroke);
      for (int j = 0; j < path->nstroke; j++) std::printf("%f\t%f\n", path->stroke[j].x, path->stroke[j].y);
    }
  }
}

}  // namespace fx::gfx
