#pragma once
// An editor on the recording back end for the control library's tests, with helpers that
// attach a control and drive it through the editor's input dispatch.

#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace fx::gfx::test {

struct ControlFixture : ::testing::Test, EditorFixture
{
  ControlFixture() : EditorFixture(400, 300)
  {
    gfx->EnableMouseOver(true);
    // An empty background: the first control is never the one under the pointer.
    gfx->AttachControl(new TestControl(IRECT(), -1, nullptr, "background"));
  }

  template <class T>
  T* Attach(T* control)
  {
    gfx->AttachControl(control);
    return control;
  }
  /** A press and release at one point. */
  void Click(float x, float y)
  {
    Down(x, y);
    Up(x, y);
  }
  /** One frame of the editor's animation pass, after the clock moved by ms. */
  void Tick(double ms)
  {
    clock.now += ms;
    IRECTList rects;
    gfx->IsDirty(rects);
  }
  /** A frame drawn over the whole editor; returns the calls it made. */
  std::vector<Call> DrawAllCalls()
  {
    gfx->Clear();
    IRECTList rects;
    rects.Add(gfx->GetBounds());
    gfx->DrawDirtyRects(rects);
    return gfx->calls;
  }
};

/** A fill or stroke of a path as recorded: the box of its points and its first colour. */
struct Painted
{
  IRECT box;
  IColor color;
  bool stroke = false;
};

/** Every fill and stroke of the calls, with the box of the moves and lines since the path was
 *  last cleared (arcs count by their circle's box). */
inline std::vector<Painted> PaintedPaths(const std::vector<Call>& calls)
{
  std::vector<Painted> out;
  IRECT box;
  bool any = false;
  auto add = [&](float x0, float y0, float x1, float y1) {
    if (!any) box = IRECT(x0, y0, x1, y1);
    else box = IRECT(std::min(box.L, x0), std::min(box.T, y0), std::max(box.R, x1), std::max(box.B, y1));
    any = true;
  };
  for (const Call& c : calls)
  {
    if (c.op == "PathClear") any = false;
    else if (c.op == "PathMoveTo" || c.op == "PathLineTo")
      add(static_cast<float>(c.a[0]), static_cast<float>(c.a[1]), static_cast<float>(c.a[0]), static_cast<float>(c.a[1]));
    else if (c.op == "PathArc")
    {
      const float cx = static_cast<float>(c.a[0]), cy = static_cast<float>(c.a[1]), r = static_cast<float>(c.a[2]);
      add(cx - r, cy - r, cx + r, cy + r);
    }
    else if (c.op == "PathFill" || c.op == "PathStroke")
    {
      const IColor color(static_cast<int>(c.a[3]), static_cast<int>(c.a[4]), static_cast<int>(c.a[5]),
                         static_cast<int>(c.a[6]));
      out.push_back({any ? box : IRECT(), color, c.op == "PathStroke"});
    }
  }
  return out;
}

/** The calls of one name, from a list. */
inline std::vector<Call> CallsOf(const std::vector<Call>& calls, const std::string& op)
{
  std::vector<Call> out;
  for (const Call& c : calls)
    if (c.op == op) out.push_back(c);
  return out;
}

inline void ExpectRect(const IRECT& r, float l, float t, float rr, float b, float tol = 1e-4f)
{
  EXPECT_NEAR(r.L, l, tol);
  EXPECT_NEAR(r.T, t, tol);
  EXPECT_NEAR(r.R, rr, tol);
  EXPECT_NEAR(r.B, b, tol);
}

} // namespace fx::gfx::test
