// Path command buffer: encoding, transforms at append time, growth, arcs and shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/vector/RecordingRenderer.h"
#include "vector/VGContext.h"

namespace fx::gfx {
namespace {

using test::RecordingContext;

std::vector<float> commands(VGcontext* ctx) { return {ctx->commands, ctx->commands + ctx->ncommands}; }

// Walks the buffer and returns the command codes.
std::vector<int> codes(VGcontext* ctx) {
  std::vector<int> out;
  for (int i = 0; i < ctx->ncommands;) {
    const int c = static_cast<int>(ctx->commands[i]);
    out.push_back(c);
    i += c == VG_MOVETO || c == VG_LINETO ? 3 : c == VG_BEZIERTO ? 7 : c == VG_WINDING ? 2 : 1;
  }
  return out;
}

float bezierAt(float p0, float p1, float p2, float p3, float t) {
  const float u = 1 - t;
  return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
}

TEST(VectorPath, CommandsAreStoredTransformedAndTheBufferGrows) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  vgrTranslate(ctx, 5, 7);
  vgrScale(ctx, 2, 2);
  vgrMoveTo(ctx, 1, 1);
  vgrBezierTo(ctx, 1, 2, 3, 4, 5, 6);
  vgrSetPathWinding(ctx, VG_HOLE);
  vgrClosePath(ctx);
  const std::vector<float> want = {0, 7, 9, 2, 7, 11, 11, 15, 15, 19, 4, 2, 3};
  EXPECT_EQ(commands(ctx), want);
  // The last point is kept in user space and survives close, winding and a new path.
  EXPECT_EQ(ctx->commandx, 5);
  EXPECT_EQ(ctx->commandy, 6);
  vgrBeginPath(ctx);
  EXPECT_EQ(ctx->ncommands, 0);
  EXPECT_EQ(ctx->commandx, 5);

  vgrResetTransform(ctx);
  vgrMoveTo(ctx, 0, 0);
  for (int i = 0; i < 500; i++) vgrLineTo(ctx, static_cast<float>(i), static_cast<float>(2 * i));
  ASSERT_EQ(ctx->ncommands, 3 + 500 * 3);
  EXPECT_GE(ctx->ccommands, ctx->ncommands);
  for (int i = 0; i < 500; i++) {
    ASSERT_EQ(ctx->commands[3 + 3 * i], VG_LINETO);
    ASSERT_EQ(ctx->commands[3 + 3 * i + 1], static_cast<float>(i));
    ASSERT_EQ(ctx->commands[3 + 3 * i + 2], static_cast<float>(2 * i));
  }
}

TEST(VectorPath, QuadraticCurvesStartFromTheLastPoint) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  vgrMoveTo(ctx, 10, 10);
  vgrLineTo(ctx, 20, 20);
  vgrBeginPath(ctx);
  vgrQuadTo(ctx, 30, 20, 40, 20);
  const auto c = commands(ctx);
  ASSERT_EQ(c.size(), 7u);
  EXPECT_NEAR(c[1], 20 + 0.6666667f * 10, 1e-4);
  EXPECT_NEAR(c[2], 20, 1e-4);
  EXPECT_NEAR(c[3], 40 - 0.6666667f * 10, 1e-4);
  EXPECT_EQ(c[5], 40);
}

TEST(VectorPath, CircularArcsUseOneToFiveCubicSegments) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  const float pi = 3.1415927f;
  struct Case {
    float a0, a1;
    int dir, segments;
  } cases[] = {{0, 2 * pi, VG_CW, 4}, {0, pi / 4, VG_CW, 1}, {0, 3 * pi, VG_CW, 4}, {0, pi / 2, VG_CW, 1},
               {0, pi / 2, VG_CCW, 3}, {0, -7 * pi, VG_CCW, 4}, {1, 1, VG_CW, 1}};
  for (const Case& k : cases) {
    vgrBeginPath(ctx);
    vgrArc(ctx, 50, 60, 30, k.a0, k.a1, k.dir);
    ASSERT_EQ(ctx->ncommands, 3 + 7 * k.segments) << k.a1 << " " << k.dir;
    EXPECT_EQ(ctx->commands[0], VG_MOVETO);
    // Every segment stays on the circle.
    float px = ctx->commands[1], py = ctx->commands[2];
    for (int s = 0; s < k.segments; s++) {
      const float* b = &ctx->commands[3 + 7 * s];
      ASSERT_EQ(b[0], VG_BEZIERTO);
      for (float t : {0.25f, 0.5f, 0.75f}) {
        const float x = bezierAt(px, b[1], b[3], b[5], t) - 50, y = bezierAt(py, b[2], b[4], b[6], t) - 60;
        EXPECT_NEAR(std::sqrt(x * x + y * y), 30, 0.05f);  // also catches NaN control points
      }
      px = b[5];
      py = b[6];
    }
  }
  // A full turn or more ends where it started.
  vgrBeginPath(ctx);
  vgrArc(ctx, 0, 0, 10, 0.3f, 0.3f + 20, VG_CW);
  EXPECT_NEAR(ctx->commands[ctx->ncommands - 2], ctx->commands[1], 1e-3);
  EXPECT_NEAR(ctx->commands[ctx->ncommands - 1], ctx->commands[2], 1e-3);
  // On a non-empty buffer the arc joins with a line.
  vgrArc(ctx, 0, 0, 10, 0, 1, VG_CW);
  EXPECT_EQ(codes(ctx)[5], VG_LINETO);
  // Non-finite angles add nothing.
  const int n = ctx->ncommands;
  vgrArc(ctx, 0, 0, 10, 0, INFINITY, VG_CW);
  vgrArc(ctx, 0, 0, 10, NAN, 1, VG_CCW);
  EXPECT_EQ(ctx->ncommands, n);
}

TEST(VectorPath, TangentArcsAndTheirStraightFallbacks) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  vgrArcTo(ctx, 10, 10, 20, 0, 5);
  EXPECT_EQ(ctx->ncommands, 0);  // empty buffer: nothing

  struct Case {
    float x1, y1, x2, y2, r;
  } straight[] = {{0.001f, 0, 50, 50, 5},  // corner on the last point
                  {50, 0, 100, 0, 5},      // collinear
                  {50, 0, 50, 50, 0},      // radius 0
                  {50, 50, 50, 50, 5},     // corner on the end
                  {50, 0, 100, 0.0001f, 5}};  // nearly straight: the tangent length explodes
  for (const Case& c : straight) {
    vgrBeginPath(ctx);
    vgrMoveTo(ctx, 0, 0);
    vgrArcTo(ctx, c.x1, c.y1, c.x2, c.y2, c.r);
    ASSERT_EQ(codes(ctx), (std::vector<int>{VG_MOVETO, VG_LINETO})) << c.x1 << " " << c.y2;
    EXPECT_EQ(ctx->commands[4], c.x1);
    EXPECT_EQ(ctx->commands[5], c.y1);
  }
  // A right-angle corner: a line to the tangent point and a quarter arc to the other one.
  for (float y2 : {100.0f, -100.0f}) {
    vgrBeginPath(ctx);
    vgrMoveTo(ctx, 0, 0);
    vgrArcTo(ctx, 100, 0, 100, y2, 20);
    ASSERT_EQ(codes(ctx), (std::vector<int>{VG_MOVETO, VG_LINETO, VG_BEZIERTO}));
    EXPECT_NEAR(ctx->commands[4], 80, 1e-3);
    EXPECT_NEAR(ctx->commands[5], 0, 1e-3);
    EXPECT_NEAR(ctx->commands[11], 100, 1e-3);
    EXPECT_NEAR(ctx->commands[12], y2 > 0 ? 20 : -20, 1e-3);
  }
}

TEST(VectorPath, ShapesEmitTheirFixedCommandGroups) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  vgrRect(ctx, 1, 2, 3, 4);
  EXPECT_EQ(commands(ctx), (std::vector<float>{0, 1, 2, 1, 1, 6, 1, 4, 6, 1, 4, 2, 3}));
  vgrBeginPath(ctx);
  vgrRoundedRectVarying(ctx, 1, 2, 3, 4, 0.05f, 0.05f, 0.05f, 0.05f);
  EXPECT_EQ(commands(ctx), (std::vector<float>{0, 1, 2, 1, 1, 6, 1, 4, 6, 1, 4, 2, 3}));
  vgrBeginPath(ctx);
  vgrRoundedRect(ctx, 0, 0, 100, 40, 10);
  EXPECT_EQ(ctx->ncommands, 44);
  EXPECT_EQ(codes(ctx), (std::vector<int>{0, 1, 2, 1, 2, 1, 2, 1, 2, 3}));
  EXPECT_EQ(ctx->commands[2], 10);  // move-to (x, y + r)
  // Radii larger than half the box are limited per axis.
  vgrBeginPath(ctx);
  vgrRoundedRectVarying(ctx, 0, 0, 100, 40, 50, 0, 0, 0);
  EXPECT_EQ(ctx->commands[2], 20);
  // A negative width mirrors the corner offsets along x.
  vgrBeginPath(ctx);
  vgrRoundedRect(ctx, 100, 0, -50, 40, 10);
  EXPECT_EQ(ctx->commands[1], 100);
  EXPECT_EQ(ctx->commands[11], 90);  // end x of the bottom-left corner curve
  vgrBeginPath(ctx);
  vgrCircle(ctx, 10, 10, 5);
  EXPECT_EQ(ctx->ncommands, 32);
  EXPECT_EQ(codes(ctx), (std::vector<int>{0, 2, 2, 2, 2, 3}));
  EXPECT_EQ(ctx->commands[1], 5);
  EXPECT_EQ(ctx->commands[30], 10);  // back to (cx - rx, cy)
}

}  // namespace
}  // namespace fx::gfx
