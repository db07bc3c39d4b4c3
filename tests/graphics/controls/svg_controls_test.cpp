// SVG controls: which image each draws for its value, the knob's rotation and the slider's
// track and handle laid out from the images' sizes.

#include "graphics/controls/ISVGControls.h"
#include "tests/graphics/controls/ControlTestSupport.h"

namespace fx::gfx::test {
namespace {

/** Records the images the controls ask to draw. */
class SVGRecorder : public RecordingGfx
{
public:
  using RecordingGfx::RecordingGfx;
  struct Drawn
  {
    const svg::SVGImage* image;
    IRECT bounds;
    double angle;
  };
  void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend*) override { drawn.push_back({svg.mImage, bounds, 0.0}); }
  void DrawRotatedSVG(const ISVG& svg, float cx, float cy, float w, float h, double angle, const IBlend*) override
  {
    drawn.push_back({svg.mImage, IRECT(cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2), angle});
  }
  std::vector<Drawn> drawn;
};

struct SVGControls : ControlFixture
{
  SVGControls()
  {
    gfx = std::make_unique<SVGRecorder>(dlg, 400, 300);
    gfx->SetClock(clock.Func());
  }
  SVGRecorder& Rec() { return static_cast<SVGRecorder&>(*gfx); }
  ISVG Image(float w, float h)
  {
    images.push_back(std::make_unique<svg::SVGImage>());
    images.back()->width = w;
    images.back()->height = h;
    return ISVG(images.back().get());
  }
  std::vector<SVGRecorder::Drawn> Draw()
  {
    Rec().drawn.clear();
    DrawAllCalls();
    return Rec().drawn;
  }
  std::vector<std::unique_ptr<svg::SVGImage>> images;
};

TEST_F(SVGControls, ButtonShowsItsOnImageAboveHalf)
{
  const ISVG off = Image(10, 10), on = Image(10, 10);
  auto* b = Attach(new ISVGButtonControl(IRECT(0, 0, 40, 40), nullptr, off, on));
  b->SetValue(0.5);
  EXPECT_EQ(Draw().at(0).image, off.mImage);
  b->SetValue(1.0);
  EXPECT_EQ(Draw().at(0).image, on.mImage);
}

TEST_F(SVGControls, SwitchShowsTheNearestStatesImage)
{
  const std::vector<ISVG> svgs = {Image(1, 1), Image(1, 1), Image(1, 1)};
  auto* s = Attach(new ISVGSwitchControl(IRECT(0, 0, 40, 40), svgs));
  s->SetValue(0.5);
  EXPECT_EQ(Draw().at(0).image, svgs[1].mImage);
  s->SetValue(0.74);
  EXPECT_EQ(Draw().at(0).image, svgs[1].mImage);
  s->SetValue(0.76);
  EXPECT_EQ(Draw().at(0).image, svgs[2].mImage);
  Click(20, 20);
  EXPECT_EQ(s->GetValue(), 0.0); // wrapped after the last state

  // A parameter with more states than images shows the last image beyond them.
  auto* wide = Attach(new ISVGSwitchControl(IRECT(100, 0, 140, 40), {svgs[0], svgs[1]}, kSteps));
  wide->SetValue(1.0);
  EXPECT_EQ(wide->GetImageIdx(), 1);
}

TEST_F(SVGControls, KnobTurnsWithTheValue)
{
  auto* k = Attach(new ISVGKnobControl(IRECT(0, 0, 60, 40), Image(10, 10)));
  k->SetValue(0.25);
  const auto drawn = Draw();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_DOUBLE_EQ(drawn[0].angle, -67.5);
  ExpectRect(drawn[0].bounds, 0, 0, 60, 40);
}

TEST_F(SVGControls, HorizontalSliderScalesTrackAndHandleByTheTrackImage)
{
  const ISVG handle = Image(10, 20), track = Image(100, 10);
  auto* s = Attach(new ISVGSliderControl(IRECT(0, 0, 200, 40), handle, track, -1, kHorizontal));
  ExpectRect(s->GetTrackImageBounds(), 0, 10, 200, 30);
  ExpectRect(s->GetHandleBounds(1.0), 180, 0, 200, 40);
  ExpectRect(s->GetHandleBounds(0.0), 0, 0, 20, 40);
  ExpectRect(s->GetTrack(), 20, 10, 200, 30);
  s->SetValue(0.5);
  const auto drawn = Draw();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].image, track.mImage);
  ExpectRect(drawn[1].bounds, 90, 0, 110, 40);
}

TEST_F(SVGControls, VerticalSliderRunsUp)
{
  const ISVG handle = Image(20, 10), track = Image(10, 100);
  auto* s = Attach(new ISVGSliderControl(IRECT(0, 0, 40, 200), handle, track, -1, kVertical));
  ExpectRect(s->GetTrackImageBounds(), 10, 0, 30, 200);
  ExpectRect(s->GetHandleBounds(1.0), 0, 0, 40, 20);
  ExpectRect(s->GetHandleBounds(0.0), 0, 180, 40, 200);
}

TEST_F(SVGControls, SliderWithoutAnImageDrawsNothing)
{
  auto* s = Attach(new ISVGSliderControl(IRECT(0, 0, 200, 40), ISVG(), Image(100, 10), -1, kHorizontal));
  EXPECT_TRUE(s->GetTrackImageBounds().Empty());
  EXPECT_TRUE(Draw().empty());
  Click(100, 20); // nothing to map the press onto
  EXPECT_FALSE(std::isnan(s->GetValue()));
}

} // namespace
} // namespace fx::gfx::test
