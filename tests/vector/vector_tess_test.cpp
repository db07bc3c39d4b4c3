// Tessellation: flattening, winding, join data, fill fringes, stroke joins and caps.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/vector/RecordingRenderer.h"
#include "tests/vector/RefRaster.h"
#include "vector/VGContext.h"

namespace fx::gfx {
namespace {

using test::RecordedCall;
using test::RecordingContext;

struct Frame : RecordingContext {
  Frame() { vgrBeginFrame(ctx, 400, 400, 1); }
  const RecordedCall& last() { return r.calls.back(); }
  RecordedCall fill() {
    vgrFill(ctx);
    return last();
  }
  RecordedCall stroke() {
    vgrStroke(ctx);
    return last();
  }
};

TEST(VectorTess, FlatteningEnforcesWindingAndClosesRepeatedEnds) {
  Frame f;
  vgrSetShapeAntiAlias(f.ctx, 0);
  // A rectangle keeps its order with the solid winding and is reversed as a hole.
  vgrRect(f.ctx, 10, 10, 50, 30);
  const auto& solid = f.fill();
  ASSERT_EQ(solid.paths.size(), 1u);
  ASSERT_EQ(solid.paths[0].fill.size(), 4u);
  EXPECT_EQ(solid.paths[0].fill[1].y, 40);  // (x, y + h) second
  EXPECT_LT(test::fanArea(solid.paths[0].fill), 0);  // y grows downwards
  EXPECT_EQ(solid.paths[0].closed, 1);
  EXPECT_EQ(solid.bounds[0], 10);
  EXPECT_EQ(solid.bounds[3], 40);
  vgrBeginPath(f.ctx);
  vgrRect(f.ctx, 10, 10, 50, 30);
  vgrSetPathWinding(f.ctx, VG_HOLE);
  const auto& hole = f.fill();
  EXPECT_EQ(hole.paths[0].fill[1].x, 60);
  EXPECT_GT(test::fanArea(hole.paths[0].fill), 0);
  EXPECT_EQ(hole.paths[0].winding, VG_HOLE);

  // An outer shape with a hole: drawn with the non-zero rule the hole stays empty,
  // whichever way the inner rectangle was traced.
  for (bool reverseInner : {false, true}) {
    vgrBeginPath(f.ctx);
    vgrRect(f.ctx, 0, 0, 100, 100);
    if (reverseInner) {
      vgrMoveTo(f.ctx, 30, 30);
      vgrLineTo(f.ctx, 70, 30);
      vgrLineTo(f.ctx, 70, 70);
      vgrLineTo(f.ctx, 30, 70);
      vgrClosePath(f.ctx);
    } else {
      vgrRect(f.ctx, 30, 30, 40, 40);
    }
    vgrSetPathWinding(f.ctx, VG_HOLE);
    const auto& c = f.fill();
    EXPECT_NE(test::fillWinding(c, 10.5f, 40.5f), 0);
    EXPECT_EQ(test::fillWinding(c, 50.5f, 45.5f), 0);
    EXPECT_EQ(test::fillWinding(c, 150.5f, 40.5f), 0);
  }

  // A last point within the tolerance of the first closes the path; a lone point is
  // closed with no points left, and draws nothing.
  vgrBeginPath(f.ctx);
  vgrMoveTo(f.ctx, 0, 0);
  vgrLineTo(f.ctx, 50, 0);
  vgrLineTo(f.ctx, 50, 50);
  vgrLineTo(f.ctx, 0.001f, 0.001f);
  const auto& tri = f.fill();
  EXPECT_EQ(tri.paths[0].count, 3);
  EXPECT_EQ(tri.paths[0].closed, 1);
  vgrBeginPath(f.ctx);
  vgrMoveTo(f.ctx, 5, 5);
  const auto& dot = f.fill();
  ASSERT_EQ(dot.paths.size(), 1u);
  EXPECT_EQ(dot.paths[0].count, 0);
  EXPECT_EQ(dot.paths[0].closed, 1);
  EXPECT_TRUE(dot.paths[0].fill.empty());
  vgrSetShapeAntiAlias(f.ctx, 1);
  EXPECT_TRUE(f.fill().paths[0].stroke.empty());
  EXPECT_TRUE(f.stroke().paths[0].stroke.empty());
}

TEST(VectorTess, PointsMergeAndStraightCurvesCollapse) {
  Frame f;
  vgrMoveTo(f.ctx, 0, 0);
  vgrBezierTo(f.ctx, 10, 0, 20, 0, 30, 0);  // control points on the chord
  vgrLineTo(f.ctx, 30.004f, 0.004f);         // within the tolerance of the curve's end
  vgrLineTo(f.ctx, 30, 40);
  vgrFlattenPaths(f.ctx);
  const VGtessCache* c = f.ctx->cache;
  ASSERT_EQ(c->npaths, 1);
  ASSERT_EQ(c->paths[0].count, 3);
  EXPECT_EQ(c->points[1].x, 30);
  EXPECT_EQ(c->points[1].flags & VG_PT_CORNER, VG_PT_CORNER);
  // A real curve is subdivided, with corner flags only at its ends.
  vgrBeginPath(f.ctx);
  vgrMoveTo(f.ctx, 0, 0);
  vgrBezierTo(f.ctx, 0, 100, 100, 100, 100, 0);
  vgrFlattenPaths(f.ctx);
  ASSERT_GT(c->paths[0].count, 8);
  EXPECT_LE(c->paths[0].count, 1025);
  for (int i = 1; i + 1 < c->paths[0].count; i++) EXPECT_EQ(c->points[i].flags & VG_PT_CORNER, 0);
  EXPECT_EQ(c->points[c->paths[0].count - 1].flags & VG_PT_CORNER, VG_PT_CORNER);
  // Direction vectors are unit length and lengths positive.
  for (int i = 0; i < c->paths[0].count; i++) {
    EXPECT_NEAR(std::hypot(c->points[i].dx, c->points[i].dy), 1.0f, 1e-4);
    EXPECT_GT(c->points[i].len, 0);
  }
}

TEST(VectorTess, FlattenedPathsAreReusedUntilTheNextBeginPath) {
  Frame f;
  vgrRect(f.ctx, 0, 0, 10, 10);
  const auto first = f.fill();
  vgrRect(f.ctx, 100, 100, 10, 10);  // not seen until vgrBeginPath
  const auto& second = f.fill();
  ASSERT_EQ(second.paths.size(), 1u);
  EXPECT_EQ(second.paths[0].fill.size(), first.paths[0].fill.size());
  EXPECT_EQ(second.bounds[2], 10);
  // Many sub-paths grow the path and point arrays.
  vgrBeginPath(f.ctx);
  for (int i = 0; i < 100; i++) vgrRect(f.ctx, i * 3.0f, 0, 2, 2);
  const auto& many = f.fill();
  ASSERT_EQ(many.paths.size(), 100u);
  for (const auto& p : many.paths) EXPECT_EQ(p.fill.size(), 4u);
}

TEST(VectorTess, FillFringesFollowConvexity) {
  Frame f;
  // One convex path: fringe from the edge outwards, u 0.5 to 1, 4 fan + 10 strip vertices.
  vgrRect(f.ctx, 10, 10, 40, 20);
  const auto& convex = f.fill();
  ASSERT_EQ(convex.paths.size(), 1u);
  const auto& p = convex.paths[0];
  EXPECT_EQ(p.convex, 1);
  EXPECT_EQ(p.fill.size(), 4u);
  ASSERT_EQ(p.stroke.size(), 10u);
  for (size_t i = 0; i < p.stroke.size(); i++) EXPECT_EQ(p.stroke[i].u, i % 2 == 0 ? 0.5f : 1.0f);
  for (const auto& v : p.fill) {
    EXPECT_EQ(v.u, 0.5f);
    EXPECT_EQ(v.v, 1.0f);
  }
  // The fan is inset by half a fringe, the strip reaches half a fringe outside.
  EXPECT_NEAR(p.fill[0].x, 10.5f, 1e-4);
  EXPECT_NEAR(p.stroke[1].x, 9.5f, 1e-4);
  EXPECT_EQ(p.stroke[8].x, p.stroke[0].x);  // strip closed
  EXPECT_EQ(convex.fringe, 1.0f);

  // Concave, or more than one path: a full fringe, u 0 to 1.
  vgrBeginPath(f.ctx);
  vgrMoveTo(f.ctx, 0, 0);
  vgrLineTo(f.ctx, 0, 100);
  vgrLineTo(f.ctx, 100, 100);
  vgrLineTo(f.ctx, 50, 50);
  vgrLineTo(f.ctx, 100, 0);
  vgrClosePath(f.ctx);
  const auto& concave = f.fill();
  EXPECT_EQ(concave.paths[0].convex, 0);
  for (size_t i = 0; i < concave.paths[0].stroke.size(); i++)
    EXPECT_EQ(concave.paths[0].stroke[i].u, i % 2 == 0 ? 0.0f : 1.0f) << i;
  vgrBeginPath(f.ctx);
  vgrRect(f.ctx, 0, 0, 10, 10);
  vgrRect(f.ctx, 20, 0, 10, 10);
  const auto& two = f.fill();
  EXPECT_EQ(two.paths[0].convex, 1);
  EXPECT_EQ(two.paths[0].stroke[0].u, 0.0f);

  // Without anti-aliasing (back end or state): the plain points and no fringe.
  vgrBeginPath(f.ctx);
  vgrRect(f.ctx, 10, 10, 40, 20);
  vgrSetShapeAntiAlias(f.ctx, 0);
  const auto& plain = f.fill();
  EXPECT_TRUE(plain.paths[0].stroke.empty());
  EXPECT_EQ(plain.paths[0].fill[0].x, 10);
  EXPECT_EQ(plain.fringe, 1.0f);  // still handed over

  // Global alpha scales the paint's alphas; the state's paint stays as it was.
  vgrSetGlobalAlpha(f.ctx, 0.5f);
  vgrSetFillColor(f.ctx, vgrColorFromFloatsA(1, 1, 1, 0.8f));
  EXPECT_FLOAT_EQ(f.fill().paint.innerColor.a, 0.4f);
  EXPECT_FLOAT_EQ(f.ctx->states[0].fill.innerColor.a, 0.8f);
}

// Regular star polygons {n/k}: every corner turns the same way, and the outline goes
// round k times. Only k = 1 is convex; the others need the non-zero fill and a full fringe.
TEST(VectorTess, OutlinesThatGoRoundMoreThanOnceAreNotConvex) {
  Frame f;
  struct Case {
    int n, k;
    float rotate;
  } cases[] = {{5, 1, 0.0f}, {5, 2, 0.0f}, {7, 2, 0.3f}, {7, 3, 1.1f}, {9, 4, 2.0f}, {64, 1, 0.05f}, {3, 1, 0.7f}};
  for (const Case& c : cases) {
    for (int winding : {VG_CCW, VG_CW}) {
      for (bool aa : {true, false}) {
        vgrBeginPath(f.ctx);
        vgrSetShapeAntiAlias(f.ctx, aa ? 1 : 0);
        for (int i = 0; i < c.n; i++) {
          const double a = c.rotate + 2.0 * 3.14159265358979 * c.k * i / c.n;
          const float x = float(200 + 150 * std::cos(a)), y = float(200 + 150 * std::sin(a));
          if (i == 0)
            vgrMoveTo(f.ctx, x, y);
          else
            vgrLineTo(f.ctx, x, y);
        }
        vgrClosePath(f.ctx);
        vgrSetPathWinding(f.ctx, winding);
        const auto& call = f.fill();
        ASSERT_EQ(call.paths.size(), 1u);
        const auto& p = call.paths[0];
        const std::string what = std::to_string(c.n) + "/" + std::to_string(c.k) + " winding " +
                                 std::to_string(winding) + (aa ? " aa" : "");
        // A hole turns right at every corner and is never convex.
        const bool convex = c.k == 1 && winding == VG_CCW;
        EXPECT_EQ(p.convex, convex ? 1 : 0) << what;
        if (aa) {
          ASSERT_FALSE(p.stroke.empty()) << what;
          // Convex: the fringe starts at the fill edge (u 0.5); otherwise a full fringe.
          EXPECT_EQ(p.stroke[0].u, convex ? 0.5f : 0.0f) << what;
        }
      }
    }
  }
  // Axis-aligned edges (dy of zero) neither hide nor add a turn.
  vgrBeginPath(f.ctx);
  vgrSetShapeAntiAlias(f.ctx, 1);
  vgrRoundedRect(f.ctx, 10, 10, 100, 40, 8);
  EXPECT_EQ(f.fill().paths[0].convex, 1);
  vgrBeginPath(f.ctx);
  vgrCircle(f.ctx, 100, 100, 30);
  EXPECT_EQ(f.fill().paths[0].convex, 1);
}

TEST(VectorTess, FilledCircleCoversItsArea) {
  Frame f;
  vgrSetShapeAntiAlias(f.ctx, 0);
  vgrCircle(f.ctx, 200, 200, 50);
  const auto& c = f.fill();
  const float area = std::fabs(test::fanArea(c.paths[0].fill));
  EXPECT_NEAR(area, 3.1415927f * 2500, 3.1415927f * 2500 * 0.003f);
  int inside = 0;
  for (int y = 140; y < 260; y++)
    for (int x = 140; x < 260; x++) {
      const float dx = x + 0.5f - 200, dy = y + 0.5f - 200;
      const float d = std::sqrt(dx * dx + dy * dy);
      const int w = test::fillWinding(c, x + 0.5f, y + 0.5f);
      if (d < 49.5f) {
        EXPECT_NE(w, 0) << x << "," << y;
      }
      if (d > 50.5f) {
        EXPECT_EQ(w, 0) << x << "," << y;
      }
      inside += w != 0;
    }
  EXPECT_NEAR(inside, 3.1415927f * 2500, 60);
}

// Stroke vertex count of a single path.
size_t strokeVerts(Frame& f) { return f.stroke().paths[0].stroke.size(); }

TEST(VectorTess, StrokeCapsAndSegmentCounts) {
  Frame f;
  // Open two-point line, butt caps: 4 + 4 vertices; v = 0 on the outer cap edge.
  vgrMoveTo(f.ctx, 100, 100);
  vgrLineTo(f.ctx, 200, 100);
  vgrSetStrokeWidth(f.ctx, 10);
  const auto& butt = f.stroke();
  const auto s = butt.paths[0].stroke;
  ASSERT_EQ(s.size(), 8u);
  EXPECT_EQ(s[0].v, 0.0f);
  EXPECT_EQ(s[2].v, 1.0f);
  EXPECT_NEAR(s[2].x, 100.5f, 1e-4);   // butt: inner edge half a fringe inside
  EXPECT_NEAR(s[0].x, 99.5f, 1e-4);    // fringe outside
  EXPECT_NEAR(s[2].y, 100 - 5.5f, 1e-4);
  EXPECT_EQ(butt.strokeWidth, 10.0f);
  // Square caps: ends reach w - fringe beyond the points, plus the fringe.
  vgrSetLineCap(f.ctx, VG_SQUARE);
  const auto sq = f.stroke().paths[0].stroke;
  EXPECT_NEAR(sq[2].x, 100 - 4.5f, 1e-4);
  EXPECT_NEAR(sq[0].x, 100 - 5.5f, 1e-4);
  EXPECT_NEAR(sq[6].x, 200 + 5.5f, 1e-4);

  // Round caps: ncap for half widths 0.5, 1, 2, 10, 50 is 2, 3, 4, 8, 16.
  vgrSetLineCap(f.ctx, VG_CAP_ROUND);
  const int ncaps[5][2] = {{1, 2}, {2, 3}, {4, 4}, {20, 8}, {100, 16}};
  for (const auto& k : ncaps) {
    vgrSetStrokeWidth(f.ctx, static_cast<float>(k[0]));
    EXPECT_EQ(strokeVerts(f), static_cast<size_t>((2 * k[1] + 2) * 2)) << k[0];
  }
  // Without anti-aliasing every u is 0.5.
  vgrSetShapeAntiAlias(f.ctx, 0);
  const auto plainStroke = f.stroke();
  for (const auto& v : plainStroke.paths[0].stroke) EXPECT_EQ(v.u, 0.5f);
  vgrSetShapeAntiAlias(f.ctx, 1);

  // A thin stroke is drawn a fringe wide and faded; a wide one is limited to 200.
  vgrSetLineCap(f.ctx, VG_BUTT);
  vgrSetStrokeWidth(f.ctx, 0.5f);
  const auto& thin = f.stroke();
  EXPECT_EQ(thin.strokeWidth, 1.0f);
  EXPECT_FLOAT_EQ(thin.paint.innerColor.a, 0.25f);
  vgrSetStrokeWidth(f.ctx, 150);
  vgrScale(f.ctx, 2, 2);
  EXPECT_EQ(f.stroke().strokeWidth, 200.0f);
  vgrSetStrokeWidth(f.ctx, NAN);
  const auto& nan = f.stroke();
  EXPECT_EQ(nan.strokeWidth, 1.0f);
  for (const auto& v : nan.paths[0].stroke) EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
}

TEST(VectorTess, StrokeJoinsTakeTheirVertexCounts) {
  Frame f;
  vgrSetStrokeWidth(f.ctx, 10);
  auto corner = [&](float x2, float y2) {
    vgrBeginPath(f.ctx);
    vgrMoveTo(f.ctx, 100, 100);
    vgrLineTo(f.ctx, 200, 100);
    vgrLineTo(f.ctx, x2, y2);
  };
  // Right angle: miter 2, bevel 8, round 2 + 2k + 2 with k = 3 (ncap 6 over a quarter turn).
  corner(200, 200);
  vgrSetLineJoin(f.ctx, VG_MITER);
  EXPECT_EQ(strokeVerts(f), 4u + 2u + 4u);
  vgrSetLineJoin(f.ctx, VG_BEVEL);
  EXPECT_EQ(strokeVerts(f), 4u + 8u + 4u);
  vgrSetLineJoin(f.ctx, VG_ROUND);
  EXPECT_EQ(strokeVerts(f), 4u + 10u + 4u);
  corner(200, 0);  // the other turn direction
  EXPECT_EQ(strokeVerts(f), 4u + 10u + 4u);
  // A sharp corner beyond the miter limit becomes a bevel.
  vgrSetLineJoin(f.ctx, VG_MITER);
  corner(100, 110);
  EXPECT_EQ(strokeVerts(f), 4u + 8u + 4u);
  // Segments shorter than the width: an inner bevel only, 10 vertices.
  vgrBeginPath(f.ctx);
  vgrMoveTo(f.ctx, 100, 100);
  vgrLineTo(f.ctx, 110, 100);
  vgrLineTo(f.ctx, 110, 103);
  vgrSetStrokeWidth(f.ctx, 20);
  EXPECT_EQ(strokeVerts(f), 4u + 10u + 4u);
  // A closed rectangle with miters: 4 joins of 2 and the two closing vertices.
  vgrBeginPath(f.ctx);
  vgrRect(f.ctx, 50, 50, 100, 100);
  vgrSetStrokeWidth(f.ctx, 4);
  const auto& rect = f.stroke();
  ASSERT_EQ(rect.paths[0].stroke.size(), 10u);
  EXPECT_EQ(rect.paths[0].stroke[8].x, rect.paths[0].stroke[0].x);
  // Its strip covers the ring: perimeter times width (plus a fringe).
  EXPECT_NEAR(test::stripArea(rect.paths[0].stroke), 400 * 5.0f, 40);
}

TEST(VectorTess, VertexBudgetCoversEveryJoinAndCap) {
  Frame f;
  vgrSetStrokeWidth(f.ctx, 12);
  for (int join : {VG_MITER, VG_BEVEL, VG_ROUND}) {
    for (int cap : {VG_BUTT, VG_SQUARE, VG_CAP_ROUND}) {
      vgrBeginPath(f.ctx);
      vgrMoveTo(f.ctx, 0, 0);
      for (int i = 1; i < 60; i++) vgrLineTo(f.ctx, i * 7.0f, (i % 2) ? 40.0f : 0.0f);  // zigzag
      vgrCircle(f.ctx, 200, 200, 30);
      vgrSetLineJoin(f.ctx, join);
      vgrSetLineCap(f.ctx, cap);
      const auto& c = f.stroke();
      size_t total = 0;
      for (const auto& p : c.paths) total += p.stroke.size();
      EXPECT_LE(total, static_cast<size_t>(f.ctx->cache->cverts));
      EXPECT_EQ(f.ctx->cache->cverts % 256, 0);
      for (const auto& p : c.paths)
        for (const auto& v : p.stroke) ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
    }
  }
}

}  // namespace
}  // namespace fx::gfx

namespace fx::gfx {
namespace {

TEST(VectorTess, CacheDumpListsPathsAndVertices) {
  Frame f;
  vgrRect(f.ctx, 0, 0, 10, 10);
  vgrFill(f.ctx);
  testing::internal::CaptureStdout();
  vgrDebugDumpPathCache(f.ctx);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("Dumping 1 cached paths\n - Path 0\n   - fill: 4\n", 0), 0u);
  EXPECT_NE(out.find("   - stroke: 10\n"), std::string::npos);
  EXPECT_NE(out.find("0.500000\t0.500000\n"), std::string::npos);
}

}  // namespace
}  // namespace fx::gfx
