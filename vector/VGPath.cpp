// The path command buffer and the shapes built on it.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "vector/VGContext.h"
#include "vector/VGTessellate.h"

namespace fx::gfx {

using tess::normalize;
using tess::ptEquals;

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kKappa90 = 0.5522848f;  // length of control points for a quarter circle

float distPtSeg(float x, float y, float px, float py, float qx, float qy) {
  const float pqx = qx - px, pqy = qy - py;
  float dx = x - px, dy = y - py;
  const float d = pqx * pqx + pqy * pqy;
  float t = pqx * dx + pqy * dy;
  if (d > 0) t /= d;
  if (t < 0) t = 0;
  else if (t > 1) t = 1;
  dx = px + t * pqx - x;
  dy = py + t * pqy - y;
  return dx * dx + dy * dy;
}

}  // namespace

void vgrAppendCommands(VGcontext* ctx, float* vals, int nvals) {
  if (vals == nullptr || nvals <= 0) return;
  const VGdrawState* state = &ctx->states[ctx->nstates - 1];
  if (ctx->ncommands + nvals > ctx->ccommands) {
    const int ccommands = ctx->ncommands + nvals + ctx->ccommands / 2;
    auto* commands = static_cast<float*>(std::realloc(ctx->commands, sizeof(float) * ccommands));
    if (commands == nullptr) return;
    ctx->commands = commands;
    ctx->ccommands = ccommands;
  }
  const int first = tess::commandCode(vals[0]);
  if (first != VG_CLOSE && first != VG_WINDING && nvals >= 3) {
    ctx->commandx = vals[nvals - 2];
    ctx->commandy = vals[nvals - 1];
  }
  // Points are stored transformed.
  int i = 0;
  while (i < nvals) {
    const int cmd = tess::commandCode(vals[i]);
    switch (cmd) {
      case VG_MOVETO:
      case VG_LINETO:
        if (i + 2 < nvals) vgrTransformPoint(&vals[i + 1], &vals[i + 2], state->xform, vals[i + 1], vals[i + 2]);
        i += 3;
        break;
      case VG_BEZIERTO:
        if (i + 6 < nvals) {
          vgrTransformPoint(&vals[i + 1], &vals[i + 2], state->xform, vals[i + 1], vals[i + 2]);
          vgrTransformPoint(&vals[i + 3], &vals[i + 4], state->xform, vals[i + 3], vals[i + 4]);
          vgrTransformPoint(&vals[i + 5], &vals[i + 6], state->xform, vals[i + 5], vals[i + 6]);
        }
        i += 7;
        break;
      case VG_CLOSE:
        i++;
        break;
      case VG_WINDING:
        i += 2;
        break;
      default:
        i++;
    }
  }
  std::memcpy(&ctx->commands[ctx->ncommands], vals, nvals * sizeof(float));
  ctx->ncommands += nvals;
}

void vgrBeginPath(VGcontext* ctx) {
  ctx->ncommands = 0;
  ctx->cache->npoints = 0;
  ctx->cache->npaths = 0;
}

void vgrMoveTo(VGcontext* ctx, float x, float y) {
  float vals[] = {static_cast<float>(VG_MOVETO), x, y};
  vgrAppendCommands(ctx, vals, 3);
}

void vgrLineTo(VGcontext* ctx, float x, float y) {
  float vals[] = {static_cast<float>(VG_LINETO), x, y};
  vgrAppendCommands(ctx, vals, 3);
}

void vgrBezierTo(VGcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y) {
  float vals[] = {static_cast<float>(VG_BEZIERTO), c1x, c1y, c2x, c2y, x, y};
  vgrAppendCommands(ctx, vals, 7);
}

void vgrQuadTo(VGcontext* ctx, float cx, float cy, float x, float y) {
  const float x0 = ctx->commandx, y0 = ctx->commandy;
  constexpr float k = 0.6666667f;
  float vals[] = {static_cast<float>(VG_BEZIERTO), x0 + k * (cx - x0), y0 + k * (cy - y0),
                  x + k * (cx - x),                y + k * (cy - y),   x,
                  y};
  vgrAppendCommands(ctx, vals, 7);
}

void vgrArcTo(VGcontext* ctx, float x1, float y1, float x2, float y2, float radius) {
  const float x0 = ctx->commandx, y0 = ctx->commandy;
  if (ctx->ncommands == 0) return;
  // Degenerate corners become a straight line.
  if (ptEquals(x0, y0, x1, y1, ctx->distTol) || ptEquals(x1, y1, x2, y2, ctx->distTol) ||
      distPtSeg(x1, y1, x0, y0, x2, y2) < ctx->distTol * ctx->distTol || radius < ctx->distTol) {
    vgrLineTo(ctx, x1, y1);
    return;
  }
  float dx0 = x0 - x1, dy0 = y0 - y1;
  float dx1 = x2 - x1, dy1 = y2 - y1;
  normalize(&dx0, &dy0);
  normalize(&dx1, &dy1);
  const float a = std::acos(dx0 * dx1 + dy0 * dy1);
  const float d = radius / std::tan(a / 2.0f);
  if (!(d <= 10000.0f)) {  // also NaN from a fully open corner
    vgrLineTo(ctx, x1, y1);
    return;
  }
  float cx, cy, a0, a1;
  int dir;
  if (dx1 * dy0 - dx0 * dy1 > 0.0f) {
    cx = x1 + dx0 * d + dy0 * radius;
    cy = y1 + dy0 * d + -dx0 * radius;
    a0 = std::atan2(dx0, -dy0);
    a1 = std::atan2(-dx1, dy1);
    dir = VG_CW;
  } else {
    cx = x1 + dx0 * d + -dy0 * radius;
    cy = y1 + dy0 * d + dx0 * radius;
    a0 = std::atan2(-dx0, dy0);
    a1 = std::atan2(dx1, -dy1);
    dir = VG_CCW;
  }
  vgrArc(ctx, cx, cy, radius, a0, a1, dir);
}

void vgrArc(VGcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir) {
  const int move = ctx->ncommands > 0 ? VG_LINETO : VG_MOVETO;
  float da = a1 - a0;
  if (!std::isfinite(da)) return;
  if (dir == VG_CW) {
    if (std::fabs(da) >= kPi * 2) {
      da = kPi * 2;
    } else {
      while (da < 0.0f) da += kPi * 2;
    }
  } else {
    if (std::fabs(da) >= kPi * 2) {
      da = -kPi * 2;
    } else {
      while (da > 0.0f) da -= kPi * 2;
    }
  }
  int ndivs = static_cast<int>(std::fabs(da) / (kPi * 0.5f) + 0.5f);
  if (ndivs < 1) ndivs = 1;
  if (ndivs > 5) ndivs = 5;
  const float hda = (da / static_cast<float>(ndivs)) / 2.0f;
  // A sweep of zero has no tangent length (0 / 0): its segment is a point.
  const float sinh = std::sin(hda);
  float kappa = std::fabs(sinh) > 1e-12f ? std::fabs(4.0f / 3.0f * (1.0f - std::cos(hda)) / sinh) : 0.0f;
  if (dir == VG_CCW) kappa = -kappa;

  float vals[3 + 5 * 7];
  int nvals = 0;
  float px = 0, py = 0, ptanx = 0, ptany = 0;
  for (int i = 0; i <= ndivs; i++) {
    const float a = a0 + da * (static_cast<float>(i) / static_cast<float>(ndivs));
    const float dx = std::cos(a), dy = std::sin(a);
    const float x = cx + dx * r, y = cy + dy * r;
    const float tanx = -dy * r * kappa, tany = dx * r * kappa;
    if (i == 0) {
      vals[nvals++] = static_cast<float>(move);
      vals[nvals++] = x;
      vals[nvals++] = y;
    } else {
      vals[nvals++] = static_cast<float>(VG_BEZIERTO);
      vals[nvals++] = px + ptanx;
      vals[nvals++] = py + ptany;
      vals[nvals++] = x - tanx;
      vals[nvals++] = y - tany;
      vals[nvals++] = x;
      vals[nvals++] = y;
    }
    px = x;
    py = y;
    ptanx = tanx;
    ptany = tany;
  }
  vgrAppendCommands(ctx, vals, nvals);
}

void vgrClosePath(VGcontext* ctx) {
  float vals[] = {static_cast<float>(VG_CLOSE)};
  vgrAppendCommands(ctx, vals, 1);
}

void vgrSetPathWinding(VGcontext* ctx, int dir) {
  float vals[] = {static_cast<float>(VG_WINDING), static_cast<float>(dir)};
  vgrAppendCommands(ctx, vals, 2);
}

void vgrRect(VGcontext* ctx, float x, float y, float w, float h) {
  float vals[] = {static_cast<float>(VG_MOVETO), x,     y,
                  static_cast<float>(VG_LINETO), x,     y + h,
                  static_cast<float>(VG_LINETO), x + w, y + h,
                  static_cast<float>(VG_LINETO), x + w, y,
                  static_cast<float>(VG_CLOSE)};
  vgrAppendCommands(ctx, vals, 13);
}

void vgrRoundedRect(VGcontext* ctx, float x, float y, float w, float h, float r) {
  vgrRoundedRectVarying(ctx, x, y, w, h, r, r, r, r);
}

void vgrRoundedRectVarying(VGcontext* ctx, float x, float y, float w, float h, float radTopLeft, float radTopRight,
                           float radBottomRight, float radBottomLeft) {
  if (radTopLeft < 0.1f && radTopRight < 0.1f && radBottomRight < 0.1f && radBottomLeft < 0.1f) {
    vgrRect(ctx, x, y, w, h);
    return;
  }
  const float halfw = std::fabs(w) * 0.5f;
  const float halfh = std::fabs(h) * 0.5f;
  const float sw = w >= 0.0f ? 1.0f : -1.0f, sh = h >= 0.0f ? 1.0f : -1.0f;
  const float rxBL = std::fmin(radBottomLeft, halfw) * sw, ryBL = std::fmin(radBottomLeft, halfh) * sh;
  const float rxBR = std::fmin(radBottomRight, halfw) * sw, ryBR = std::fmin(radBottomRight, halfh) * sh;
  const float rxTR = std::fmin(radTopRight, halfw) * sw, ryTR = std::fmin(radTopRight, halfh) * sh;
  const float rxTL = std::fmin(radTopLeft, halfw) * sw, ryTL = std::fmin(radTopLeft, halfh) * sh;
  constexpr float q = 1.0f - kKappa90;
  float vals[] = {
      static_cast<float>(VG_MOVETO),   x,                 y + ryTL,
      static_cast<float>(VG_LINETO),   x,                 y + h - ryBL,
      static_cast<float>(VG_BEZIERTO), x,                 y + h - ryBL * q, x + rxBL * q, y + h, x + rxBL, y + h,
      static_cast<float>(VG_LINETO),   x + w - rxBR,      y + h,
      static_cast<float>(VG_BEZIERTO), x + w - rxBR * q,  y + h, x + w, y + h - ryBR * q, x + w, y + h - ryBR,
      static_cast<float>(VG_LINETO),   x + w,             y + ryTR,
      static_cast<float>(VG_BEZIERTO), x + w,             y + ryTR * q, x + w - rxTR * q, y, x + w - rxTR, y,
      static_cast<float>(VG_LINETO),   x + rxTL,          y,
      static_cast<float>(VG_BEZIERTO), x + rxTL * q,      y, x, y + ryTL * q, x, y + ryTL,
      static_cast<float>(VG_CLOSE)};
  vgrAppendCommands(ctx, vals, 44);
}

void vgrEllipse(VGcontext* ctx, float cx, float cy, float rx, float ry) {
  const float k = kKappa90;
  float vals[] = {static_cast<float>(VG_MOVETO),   cx - rx,     cy,
                  static_cast<float>(VG_BEZIERTO), cx - rx,     cy + ry * k, cx - rx * k, cy + ry, cx,      cy + ry,
                  static_cast<float>(VG_BEZIERTO), cx + rx * k, cy + ry,     cx + rx,     cy + ry * k, cx + rx, cy,
                  static_cast<float>(VG_BEZIERTO), cx + rx,     cy - ry * k, cx + rx * k, cy - ry, cx,      cy - ry,
                  static_cast<float>(VG_BEZIERTO), cx - rx * k, cy - ry,     cx - rx,     cy - ry * k, cx - rx, cy,
                  static_cast<float>(VG_CLOSE)};
  vgrAppendCommands(ctx, vals, 32);
}

void vgrCircle(VGcontext* ctx, float cx, float cy, float r) { vgrEllipse(ctx, cx, cy, r, r); }

}  // namespace fx::gfx
