// The layout step of the vector controls: label strip, value strip and widget, with the text
// measured by the recording back end (6 units a byte, as high as the text size).

#include "graphics/IVectorBase.h"
#include "tests/graphics/controls/ControlTestSupport.h"

namespace fx::gfx::test {
namespace {

struct LaidOut : IControl, IVectorBase
{
  LaidOut(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false)
    : IControl(IRECT(10, 20, 110, 220)), IVectorBase(style, labelInWidget, valueInWidget)
  {
    AttachIControl(this);
  }
  void Draw(IGfx&) override {}
};

struct VectorLayout : ControlFixture
{
  LaidOut* Make(const char* label, const char* value, const IVStyle& style = IVStyleDefault, bool labelIn = false,
                bool valueIn = false)
  {
    auto* c = Attach(new LaidOut(style, labelIn, valueIn));
    c->SetLabelStr(label);
    c->SetValueStr(value);
    return c;
  }
};

TEST_F(VectorLayout, LabelOnTopValueBelowWidgetBetween)
{
  LaidOut* c = Make("Label", "12");
  const IRECT area = c->IVectorBaseLayout(c->GetRECT(), false);
  ExpectRect(c->GetLabelBounds(), 45, 20, 75, 39);
  ExpectRect(area, 10, 39, 110, 220);
  ExpectRect(c->GetValueBounds(), 60 - 7.92f, 206, 60 + 7.92f, 220);
  ExpectRect(c->GetWidgetBounds(), 10, 39, 110, 206);
}

TEST_F(VectorLayout, EmptyOrHiddenLabelLeavesTheTopToTheWidget)
{
  LaidOut* c = Make("", "");
  IRECT area = c->IVectorBaseLayout(c->GetRECT(), false);
  EXPECT_TRUE(c->GetLabelBounds().Empty());
  ExpectRect(area, 10, 20, 110, 220);
  // An empty value measures as nothing: a zero-size value strip, the widget keeps everything.
  EXPECT_EQ(c->GetValueBounds().W(), 0.f);
  EXPECT_EQ(c->GetValueBounds().H(), 0.f);
  ExpectRect(c->GetWidgetBounds(), 10, 20, 110, 220);

  IVStyle hidden;
  hidden.showLabel = false;
  LaidOut* d = Make("Label", "", hidden);
  area = d->IVectorBaseLayout(d->GetRECT(), false);
  EXPECT_TRUE(d->GetLabelBounds().Empty());
  EXPECT_EQ(area.T, 20.f);
}

TEST_F(VectorLayout, NarrowLabelIsOneUnitWide)
{
  gfx->charWidth = 0.25f;
  LaidOut* c = Make("ab", "");
  c->IVectorBaseLayout(c->GetRECT(), false);
  ExpectRect(c->GetLabelBounds(), 59.5f, 20, 60.5f, 39);
}

TEST_F(VectorLayout, MiddleValueLiesOverTheWidget)
{
  IVStyle style;
  style.valueText.mVAlign = kVAlignMiddle;
  LaidOut* c = Make("", "12", style);
  c->IVectorBaseLayout(c->GetRECT(), false);
  ExpectRect(c->GetWidgetBounds(), 10, 20, 110, 220);
  ExpectRect(c->GetValueBounds(), 60 - 7.92f, 113, 60 + 7.92f, 127);

  style.valueText.mVAlign = kVAlignTop;
  LaidOut* d = Make("", "12", style);
  d->IVectorBaseLayout(d->GetRECT(), false);
  ExpectRect(d->GetValueBounds(), 60 - 7.92f, 20, 60 + 7.92f, 34);
  ExpectRect(d->GetWidgetBounds(), 10, 34, 110, 220);
}

TEST_F(VectorLayout, HandleKeepsClearOfFrameAndShadowOverTheValueStrip)
{
  LaidOut* c = Make("", "12");
  c->IVectorBaseLayout(c->GetRECT(), true);
  ExpectRect(c->GetWidgetBounds(), 13.5f, 20.5f, 106.5f, 216.5f);
}

TEST_F(VectorLayout, WidgetFractionScalesAboutTheCentre)
{
  IVStyle style;
  style.widgetFraction = 0.5f;
  LaidOut* c = Make("", "", style);
  c->IVectorBaseLayout(c->GetRECT(), false);
  ExpectRect(c->GetWidgetBounds(), 35, 70, 85, 170);
}

TEST_F(VectorLayout, InWidgetTextsTakeTheWidget)
{
  LaidOut* c = Make("Label", "12", IVStyleDefault, true, true);
  const IRECT area = c->IVectorBaseLayout(c->GetRECT(), true);
  ExpectRect(area, 10, 20, 110, 220);
  ExpectRect(c->GetWidgetBounds(), 13.5f, 20.5f, 106.5f, 216.5f);
  EXPECT_EQ(c->GetLabelBounds(), c->GetWidgetBounds());
  EXPECT_EQ(c->GetValueBounds(), c->GetWidgetBounds());
}

} // namespace
} // namespace fx::gfx::test
