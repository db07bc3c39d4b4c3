// Hostile input through the renderer: non-finite geometry, widths and text settings,
// unknown fonts and oversized glyphs must leave every vertex inside its run and every
// call safe.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/vector/FontFile.h"
#include "tests/vector/RecordingRenderer.h"
#include "vector/VGContext.h"

namespace fx::gfx {
namespace {

using test::RecordingContext;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(VectorRobustness, NonFiniteGeometryFillsAndStrokesSafely) {
  RecordingContext t;
  vgrBeginFrame(t.ctx, 100, 100, 1);
  const float bad[] = {kNaN, kInf, -kInf, 1e30f, -1e30f};
  for (float b : bad) {
    for (int cap : {0, 1, 2, 7}) {
      for (int join : {0, 1, 3, 4}) {
        vgrBeginPath(t.ctx);
        vgrMoveTo(t.ctx, 10, 10);
        vgrLineTo(t.ctx, b, 20);
        vgrBezierTo(t.ctx, 30, b, b, 40, 50, 50);
        vgrArc(t.ctx, 50, 50, b, 0, b, 1);
        vgrArcTo(t.ctx, b, 10, 20, b, 5);
        vgrQuadTo(t.ctx, b, b, 5, 5);
        vgrRoundedRect(t.ctx, 0, 0, b, 20, 4);
        vgrEllipse(t.ctx, 50, 50, b, 10);
        vgrSetLineCap(t.ctx, cap);
        vgrSetLineJoin(t.ctx, join);
        vgrSetStrokeWidth(t.ctx, b);
        vgrSetMiterLimit(t.ctx, b);
        vgrFill(t.ctx);
        vgrStroke(t.ctx);
      }
    }
  }
  // Single points: open and closed, with every cap.
  for (int cap : {0, 1, 2}) {
    vgrBeginPath(t.ctx);
    vgrMoveTo(t.ctx, 5, 5);
    vgrMoveTo(t.ctx, 8, 8);
    vgrClosePath(t.ctx);
    vgrSetLineCap(t.ctx, cap);
    vgrSetStrokeWidth(t.ctx, 3);
    vgrStroke(t.ctx);
    vgrFill(t.ctx);
  }
  // A width that is not a number strokes nothing visible; an infinite one is capped.
  for (float w : {kNaN, kInf}) {
    vgrBeginPath(t.ctx);
    vgrMoveTo(t.ctx, 5, 5);
    vgrLineTo(t.ctx, 50, 5);
    vgrSetStrokeWidth(t.ctx, w);
    vgrStroke(t.ctx);
    const auto& c = t.r.calls.back();
    ASSERT_EQ(c.kind, "stroke");
    if (std::isnan(w)) {
      EXPECT_EQ(c.paint.innerColor.a, 0.0f);
      EXPECT_EQ(c.strokeWidth, t.ctx->fringeWidth);
    } else {
      EXPECT_EQ(c.strokeWidth, 200.0f);
    }
    for (const auto& v : c.paths[0].stroke) EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
  }

  // Codes that are not numbers or out of any int's range are unknown codes of one float;
  // a winding that is not a number is no winding.
  vgrBeginPath(t.ctx);
  float group[] = {kNaN, 1e20f, static_cast<float>(VG_MOVETO), 3, 4};
  vgrAppendCommands(t.ctx, group, 5);
  EXPECT_EQ(t.ctx->commandx, 3.0f);
  float winding[] = {static_cast<float>(VG_WINDING), kNaN};
  vgrAppendCommands(t.ctx, winding, 2);
  vgrLineTo(t.ctx, 9, 4);
  vgrLineTo(t.ctx, 9, 9);
  vgrFill(t.ctx);
  ASSERT_EQ(t.r.calls.back().paths.size(), 1u);
  EXPECT_EQ(t.r.calls.back().paths[0].count, 3);
  EXPECT_EQ(t.r.calls.back().paths[0].winding, 0);
  vgrEndFrame(t.ctx);
}

TEST(VectorRobustness, HostileTextSettingsDrawAndMeasureSafely) {
  RecordingContext t;
  ASSERT_EQ(vgrCreateFontFromFile(t.ctx, "sans", test::kTestFontPath), 0);
  vgrBeginFrame(t.ctx, 100, 100, 1);
  const float values[] = {kNaN, kInf, -kInf, -5.0f, 0.0f, 1e9f, 3000.0f};
  VGtextLine rows[4];
  VGglyphPos pos[8];
  float b[4];
  for (float v : values) {
    vgrSave(t.ctx);
    vgrSetFontSize(t.ctx, v);
    vgrSetFontBlur(t.ctx, v);
    vgrSetLetterSpacing(t.ctx, v);
    vgrSetLineHeight(t.ctx, v);
    vgrDrawText(t.ctx, 10, 10, "Wide glyphs", nullptr);
    vgrDrawText(t.ctx, v, v, "ab", nullptr);
    vgrDrawTextBox(t.ctx, 0, 0, v, "some words to break", nullptr);
    vgrBreakTextLines(t.ctx, "some words to break", nullptr, v, rows, 4);
    vgrGetGlyphPositions(t.ctx, v, 0, "abc", nullptr, pos, 8);
    vgrGetTextBounds(t.ctx, v, v, "abc", nullptr, b);
    vgrGetTextBoxBounds(t.ctx, 0, 0, v, "abc def", nullptr, b);
    vgrRestore(t.ctx);
    vgrSave(t.ctx);
    vgrScale(t.ctx, v, v);
    vgrDrawText(t.ctx, 10, 10, "scaled", nullptr);
    vgrGetTextBounds(t.ctx, 0, 0, "scaled", nullptr, b);
    vgrRestore(t.ctx);
  }
  vgrEndFrame(t.ctx);
}

}  // namespace
}  // namespace fx::gfx
