// The control library as a person sees it: each family in an editor opened in a window on the
// macOS back end (vector renderer and Metal renderer), driven by pointer and key events sent
// through the window, read back as pixels. Every frame is also written as a PNG under
// <build>/controls_gallery, so the whole library can be looked at in a few states.

#include "tests/graphics/mac/MacEditorFixture.h"

#include "graphics/controls/IBButtonControl.h"
#include "graphics/controls/IBKnobControl.h"
#include "graphics/controls/IBSliderControl.h"
#include "graphics/controls/IBTextControl.h"
#include "graphics/controls/IControlLibrary.h"
#include "graphics/controls/IPopupMenuControl.h"
#include "graphics/controls/ISVGControls.h"
#include "graphics/controls/ITextEntryControl.h"
#include "graphics/controls/IVButtonControl.h"
#include "graphics/controls/IVColorSwatchControl.h"
#include "graphics/controls/IVGroupControl.h"
#include "graphics/controls/IVKnobControl.h"
#include "graphics/controls/IVLabelControl.h"
#include "graphics/controls/IVPlotControl.h"
#include "graphics/controls/IVRangeSliderControl.h"
#include "graphics/controls/IVSlideSwitchControl.h"
#include "graphics/controls/IVSliderControl.h"
#include "graphics/controls/IVSwitchControl.h"
#include "graphics/controls/IVTabSwitchControl.h"
#include "graphics/controls/IVTrackControlBase.h"
#include "graphics/controls/IVXYPadControl.h"
#include "graphics/IPanelControl.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fx::gfx::test {
namespace {

std::string Resource(const char* name)
{
  const char* s = std::getenv("ORBEX_SOURCE_DIR");
  return std::string(s ? s : ".") + "/resources/editor/" + name;
}

// Colours the gallery's styles use, far enough apart to tell every role from its neighbours.
constexpr IColor kFace(255, 90, 140, 220);    // at rest
constexpr IColor kPress(255, 250, 160, 40);   // pressed
constexpr IColor kFill(255, 30, 160, 80);     // value arcs, filled tracks
constexpr IColor kEditorBG(255, 255, 255, 255);

// Controls that hide the pointer while dragged pin it where the drag began, and the view reports
// no movement for a pinned pointer; the gallery's drags keep it visible.
IVStyle GalleryStyle()
{
  IVStyle s;
  s.hideCursor = false;
  s.colors.SetColor(kForeground, kFace);
  s.colors.SetColor(kPressed, kPress);
  s.colors.SetColor(kExtra1, kFill);
  return s;
}

bool Near(const Image& img, float x, float y, const IColor& c, int tolerance = 12)
{
  const int ix = static_cast<int>(x), iy = static_cast<int>(y);
  if (ix < 0 || iy < 0 || ix >= img.w || iy >= img.h) return false;
  return std::abs(img.r(ix, iy) - c.R) <= tolerance && std::abs(img.g(ix, iy) - c.G) <= tolerance &&
         std::abs(img.b(ix, iy) - c.B) <= tolerance;
}

/** Some pixel within radius of (x, y) has the colour. */
bool NearAround(const Image& img, float x, float y, const IColor& c, int radius = 2, int tolerance = 24)
{
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx)
      if (Near(img, x + static_cast<float>(dx), y + static_cast<float>(dy), c, tolerance)) return true;
  return false;
}

/** Pixels of a rectangle that differ between two frames. */
int Changed(const Image& a, const Image& b, const IRECT& r)
{
  int n = 0;
  for (int y = static_cast<int>(r.T); y < static_cast<int>(r.B); ++y)
    for (int x = static_cast<int>(r.L); x < static_cast<int>(r.R); ++x)
      n += std::memcmp(a.at(x, y), b.at(x, y), 3) != 0;
  return n;
}

/** Pixels of a rectangle that are not the editor's white. */
int Marked(const Image& img, const IRECT& r)
{
  int n = 0;
  for (int y = static_cast<int>(r.T); y < static_cast<int>(r.B); ++y)
    for (int x = static_cast<int>(r.L); x < static_cast<int>(r.R); ++x) n += !Near(img, static_cast<float>(x), static_cast<float>(y), kEditorBG, 8);
  return n;
}

class ControlPixels : public MacEditorTest
{
protected:
  /** Opens a w × h editor in a window: the library registered, Roboto loaded, a white
   *  background, then what build attaches; one frame is drawn. */
  void Open(int w, int h, std::function<void(IGfx&)> build)
  {
    layout = [build](IGfx& g) {
      RegisterControlLibrary();
      g.LoadFont("Roboto-Regular", Resource("Roboto-Regular.ttf").c_str());
      g.EnableMouseOver(true);
      g.AttachPanelBackground(kEditorBG);
      g.AttachTextEntryControl();
      g.AttachPopupMenuControl(IText(14.f));
      build(g);
    };
    OpenInWindow(w, h);
    Frame();
  }
  /** Moves the editor's clock on by ms and draws the frame that follows. */
  void Advance(double ms)
  {
    clock.now += ms;
    Frame();
  }
  /** The frame as it is now, also written as <name>.png. */
  Image Shot(const std::string& name)
  {
    Frame();
    Image img = MainPixels();
    writePng(name, img, "controls_gallery");
    return img;
  }
  void Click(float x, float y, NSEventModifierFlags flags = 0)
  {
    Send(NSEventTypeLeftMouseDown, x, y, flags);
    Send(NSEventTypeLeftMouseUp, x, y, flags);
  }
  void Drag(float x0, float y0, float x1, float y1)
  {
    Send(NSEventTypeLeftMouseDown, x0, y0);
    Send(NSEventTypeLeftMouseDragged, (x0 + x1) / 2, (y0 + y1) / 2);
    Send(NSEventTypeLeftMouseDragged, x1, y1);
    Send(NSEventTypeLeftMouseUp, x1, y1);
  }
  void Move(float x, float y) { Send(NSEventTypeMouseMoved, x, y); }
  template <class T>
  static T* Add(IGfx& g, T* c, const char* group = "")
  {
    g.AttachControl(c, -1, group);
    return c;
  }
};

TEST_F(ControlPixels, VectorButtonsAndSwitchesAnswerClicks)
{
  const IVStyle style = GalleryStyle();
  IVButtonControl* button = nullptr;
  IVToggleControl* toggle = nullptr;
  IVSlideSwitchControl* slide = nullptr;
  IVTabSwitchControl* tabs = nullptr;
  IVRadioButtonControl* radio = nullptr;
  IVSwitchControl* sw = nullptr;
  Open(640, 220, [&](IGfx& g) {
    Add(g, new IVLabelControl(IRECT(10, 10, 150, 50), "Label", style));
    button = Add(g, new IVButtonControl(IRECT(160, 10, 300, 80), SplashClickActionFunc, "Button", style, false, false));
    sw = Add(g, new IVSwitchControl(IRECT(310, 10, 450, 90), kMode, "", style));
    toggle = Add(g, new IVToggleControl(IRECT(460, 10, 630, 90), kOn, "", style));
    slide = Add(g, new IVSlideSwitchControl(IRECT(10, 100, 200, 170), nullptr, "Slide", style, false, kHorizontal, 3));
    tabs = Add(g, new IVTabSwitchControl(IRECT(210, 100, 420, 170), nullptr, {"One", "Two", "Three"}, "Tabs", style));
    radio = Add(g, new IVRadioButtonControl(IRECT(430, 100, 630, 210), kMode, {}, "Radio", style));
  });
  const Image rest = Shot("vector-switches-rest");
  const IRECT face = toggle->GetWidgetBounds();
  EXPECT_TRUE(Near(rest, face.L + 5, face.T + 5, kFace));
  EXPECT_TRUE(Near(rest, tabs->GetTabRect(0).L + 4, tabs->GetTabRect(0).T + 4, kPress));
  EXPECT_TRUE(Near(rest, tabs->GetTabRect(2).L + 4, tabs->GetTabRect(2).T + 4, kFace));
  const IRECT slot0 = slide->GetStartRect(), slot1 = slide->GetEndRect();
  EXPECT_TRUE(Near(rest, slot0.MW(), slot0.T + 4, kFace));
  EXPECT_FALSE(Near(rest, slot1.MW(), slot1.T + 4, kFace));

  // The toggle turns on, the last tab and the first radio button are chosen, the button is held.
  Click(face.MW(), face.MH());
  Click(tabs->GetTabRect(2).MW(), tabs->GetTabRect(2).MH());
  Click(radio->GetWidgetBounds().L + 5, radio->GetWidgetBounds().T + 5);
  Click(slot0.MW(), slot0.MH());
  Send(NSEventTypeLeftMouseDown, button->GetWidgetBounds().MW(), button->GetWidgetBounds().MH());
  Advance(50);
  const Image gliding = Shot("vector-switches-gliding");
  EXPECT_TRUE(Near(gliding, (slot0.MW() + slot1.MW()) / 2, slot0.T + 4, kFace));
  EXPECT_TRUE(Near(gliding, face.L + 5, face.T + 5, kPress));
  EXPECT_TRUE(Near(gliding, tabs->GetTabRect(2).L + 4, tabs->GetTabRect(2).T + 4, kPress));
  EXPECT_TRUE(Near(gliding, tabs->GetTabRect(0).L + 4, tabs->GetTabRect(0).T + 4, kFace));
  EXPECT_TRUE(Near(gliding, button->GetWidgetBounds().L + 5, button->GetWidgetBounds().T + 5, kPress));
  EXPECT_EQ(dlg.GetParam(kMode)->Value(), 0.0);
  EXPECT_EQ(sw->GetValue(), 0.0);

  Send(NSEventTypeLeftMouseUp, button->GetWidgetBounds().MW(), button->GetWidgetBounds().MH());
  Advance(200);
  const Image settled = Shot("vector-switches-settled");
  EXPECT_TRUE(Near(settled, slot1.MW(), slot1.T + 4, kFace));
  EXPECT_FALSE(Near(settled, slot0.MW(), slot0.T + 4, kFace));
  EXPECT_TRUE(Near(settled, button->GetWidgetBounds().L + 5, button->GetWidgetBounds().T + 5, kFace));
}

TEST_F(ControlPixels, VectorKnobAndSliderDrawTheirValuesAndTakeTypedValues)
{
  const IVStyle style = GalleryStyle();
  IVKnobControl* knob = nullptr;
  IVKnobControl* bipolar = nullptr;
  IVSliderControl* slider = nullptr;
  IVSliderControl* pan = nullptr;
  Open(640, 220, [&](IGfx& g) {
    knob = Add(g, new IVKnobControl(IRECT(10, 10, 150, 170), kGain, "", style, true));
    bipolar = Add(g, new IVKnobControl(IRECT(160, 10, 300, 170), nullptr, "Bipolar", style, false, false, -135.f,
                                       135.f, 0.f));
    slider = Add(g, new IVSliderControl(IRECT(310, 10, 380, 210), kSteps, "", style, true));
    pan = Add(g, new IVSliderControl(IRECT(390, 10, 630, 90), nullptr, "Pan", style, false, kHorizontal, true));
    bipolar->SetValue(0.25);
    pan->SetValue(0.75);
  });
  const Image rest = Shot("vector-knob-slider-rest");

  // The arc of a knob runs from the anchor to the value angle, on the circle of its track.
  const auto onArc = [](const Image& img, const IVKnobControl& k, float degrees) {
    const IRECT w = k.GetWidgetBounds();
    const float r = std::min(w.W(), w.H()) / 2.f - 1.f, a = degrees * static_cast<float>(M_PI) / 180.f;
    return NearAround(img, w.MW() + std::sin(a) * r, w.MH() - std::cos(a) * r, kFill, 1);
  };
  EXPECT_TRUE(onArc(rest, *knob, -5.f)); // gain 0 dB: the middle of its range
  EXPECT_FALSE(onArc(rest, *knob, 45.f));
  EXPECT_TRUE(onArc(rest, *bipolar, -30.f)); // anchored at the top, value a quarter: left of it
  EXPECT_FALSE(onArc(rest, *bipolar, 30.f));

  // A drag up turns the knob on; its arc reaches further round.
  const IRECT kw = knob->GetWidgetBounds();
  Drag(kw.MW(), kw.MH(), kw.MW(), kw.MH() - 40);
  EXPECT_GT(dlg.GetParam(kGain)->Value(), 1.5);
  const Image turned = Shot("vector-knob-slider-turned");
  EXPECT_TRUE(onArc(turned, *knob, 10.f));
  EXPECT_GT(Changed(rest, turned, knob->GetValueBounds()), 0);

  // The sliders fill their tracks up to their handles.
  const IRECT sw = slider->GetWidgetBounds();
  EXPECT_TRUE(NearAround(turned, sw.MW(), sw.B - 20, kFill, 2));
  EXPECT_FALSE(NearAround(turned, sw.MW(), sw.T + 20, kFill, 2));
  const IRECT pw = pan->GetWidgetBounds();
  EXPECT_TRUE(NearAround(turned, pw.L + pw.W() * 0.5f, pw.MH(), kFill, 2));
  EXPECT_FALSE(NearAround(turned, pw.R - 10, pw.MH(), kFill, 2));

  // A click on the knob's value opens the text field over it, all selected; typing a value and
  // Return sets the parameter.
  const IRECT value = knob->GetValueBounds();
  Click(value.MW(), value.MH());
  auto* entry = static_cast<ITextEntryControl*>(gfx->GetTextEntryControl());
  ASSERT_TRUE(entry->GetEditing());
  const Image open = Shot("text-entry-open");
  EXPECT_TRUE(Near(open, value.L + 2, value.T + 2, kColorWhite, 4));
  Key(kVK_ANSI_Minus);
  Key(kVK_ANSI_3);
  Key(kVK_ANSI_Period);
  Key(kVK_ANSI_5);
  EXPECT_EQ(entry->GetText(), "-3.5");
  Shot("text-entry-typed");
  Key(kVK_Return);
  EXPECT_FALSE(entry->GetEditing());
  EXPECT_DOUBLE_EQ(dlg.GetParam(kGain)->Value(), -3.5);
  const Image committed = Shot("vector-knob-slider-typed");
  EXPECT_TRUE(onArc(committed, *knob, -45.f));
  EXPECT_FALSE(onArc(committed, *knob, 0.f));
  EXPECT_GT(Changed(open, committed, value), 0);
}

TEST_F(ControlPixels, TrackControlsFillTheirTracksAndTheRangeSliderKeepsItsOrder)
{
  const IVStyle style = GalleryStyle();
  IVTrackControlBase* tracks = nullptr;
  IVTrackControlBase* steps = nullptr;
  IVRangeSliderControl* range = nullptr;
  Open(640, 220, [&](IGfx& g) {
    tracks = new IVTrackControlBase(IRECT(10, 10, 210, 210), "Tracks", style, {-1, -1, -1, -1}, 0, kVertical);
    tracks->SetTrackGap(4.f);
    Add(g, tracks);
    steps = new IVTrackControlBase(IRECT(220, 10, 420, 210), "Steps", style, {-1, -1, -1}, 4, kHorizontal);
    steps->SetBaseValue(0.5);
    Add(g, steps);
    range = Add(g, new IVRangeSliderControl(IRECT(430, 10, 630, 110), {-1, -1}, "Range", style));
    const double values[] = {0.2, 0.5, 0.8, 1.0};
    for (int i = 0; i < 4; ++i) tracks->SetValue(values[i], i);
    steps->SetValue(0.9, 0);
    steps->SetValue(0.2, 1);
    steps->SetValue(0.5, 2);
    range->SetValue(0.25, 0);
    range->SetValue(0.75, 1);
  });
  Move(tracks->GetTrackBounds(3).MW(), tracks->GetTrackBounds(3).MH());
  const Image img = Shot("track-controls");
  for (int i = 0; i < 3; ++i)
  {
    const IRECT t = tracks->GetTrackBounds(i);
    const double v = tracks->GetValue(i);
    EXPECT_TRUE(Near(img, t.MW(), t.B - t.H() * static_cast<float>(v) + 4, kFace)) << i;
    EXPECT_FALSE(Near(img, t.MW(), t.B - t.H() * static_cast<float>(v) - 6, kFace)) << i;
  }
  // Five cells a row: each row fills the one cell where its span from the baseline ends.
  const IRECT r0 = steps->GetTrackBounds(0), r1 = steps->GetTrackBounds(1);
  EXPECT_TRUE(Near(img, r0.L + r0.W() * 0.9f, r0.MH(), kFace));
  EXPECT_FALSE(Near(img, r0.L + r0.W() * 0.7f, r0.MH(), kFace));
  EXPECT_TRUE(Near(img, r1.L + r1.W() * 0.45f, r1.MH(), kFace));
  EXPECT_FALSE(Near(img, r1.L + r1.W() * 0.3f, r1.MH(), kFace));

  // The upper handle dragged below the lower one stops at it.
  const IRECT upper = range->GetHandleBounds(1);
  Drag(upper.MW(), upper.MH(), range->GetRECT().L, upper.MH());
  EXPECT_DOUBLE_EQ(range->GetValue(1), 0.25);
  const Image dragged = Shot("track-range-dragged");
  EXPECT_GT(Changed(img, dragged, range->GetRECT()), 0);
}

TEST_F(ControlPixels, PadPlotGroupAndSwatchDrawWhereTheyShould)
{
  const IVStyle style = GalleryStyle();
  IVXYPadControl* pad = nullptr;
  IVColorSwatchControl* swatch = nullptr;
  IVPlotControl* plot = nullptr;
  IVGroupControl* group = nullptr;
  Open(640, 240, [&](IGfx& g) {
    pad = Add(g, new IVXYPadControl(IRECT(20, 30, 180, 210), {-1, -1}, "XY", style), "pad and plot");
    plot = Add(g,
               new IVPlotControl(IRECT(190, 30, 390, 210),
                                 {{kColorRed, [](double x) { return std::sin(x * 2 * M_PI); }},
                                  {kColorBlue, [](double x) { return std::cos(x * 2 * M_PI); }}},
                                 64, "Plot", style),
               "pad and plot");
    group = Add(g, new IVGroupControl("Group", "pad and plot", 10.f, 20.f, 10.f, 10.f, style));
    swatch = Add(g, new IVColorSwatchControl(IRECT(420, 20, 620, 220), "Colours", nullptr, style));
  });
  Drag(pad->GetWidgetBounds().MW(), pad->GetWidgetBounds().MH(), 400, 0);
  EXPECT_EQ(pad->GetValue(0), 1.0);
  EXPECT_EQ(pad->GetValue(1), 1.0);
  Move(swatch->GetCellRect(6).MW(), swatch->GetCellRect(6).MH());
  const Image img = Shot("pad-plot-group-swatch");
  const IRECT h = pad->GetHandleBounds();
  EXPECT_NEAR(h.MW(), pad->GetWidgetBounds().R, 0.5);
  EXPECT_TRUE(Near(img, pad->GetWidgetBounds().R - 3, pad->GetWidgetBounds().T + 3, kFace));

  // Curves at their samples: sin at x = 0.25 tops the plot, cos at 0.5 bottoms it.
  int red = 0, blue = 0;
  for (int y = 30; y < 210; ++y)
  {
    red += Near(img, 190 + 200 * 0.25f, static_cast<float>(y), kColorRed, 60);
    blue += Near(img, 190 + 200 * 0.5f, static_cast<float>(y), kColorBlue, 60);
  }
  EXPECT_GT(red, 0);
  EXPECT_GT(blue, 0);

  // The group frames both controls with its margins.
  const IRECT gr = group->GetRECT();
  EXPECT_NEAR(gr.L, 10, 1e-3);
  EXPECT_NEAR(gr.T, 10, 1e-3);
  EXPECT_NEAR(gr.R, 400, 1e-3);
  EXPECT_NEAR(gr.B, 220, 1e-3);
  EXPECT_GT(Marked(img, IRECT(9, 215, 401, 221)), 300);

  // Cell 7 of the swatch shows the style's seventh colour (kExtra1).
  const IRECT c6 = swatch->GetCellRect(6);
  EXPECT_TRUE(Near(img, c6.MW(), c6.MH(), kFill));
}

// Three SVG images of one colour each, a knob with a pointer up and a track and a handle.
const char kRed[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="40"><rect width="40" height="40" fill="#ff0000"/></svg>)";
const char kGreen[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="40"><rect width="40" height="40" fill="#00ff00"/></svg>)";
const char kBlue[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="40"><rect width="40" height="40" fill="#0000ff"/></svg>)";
const char kPointer[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="40"><circle cx="20" cy="20" r="19" fill="#c8c8c8"/><rect x="18" y="1" width="4" height="19" fill="#000000"/></svg>)";
const char kTrack[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="10"><rect width="100" height="10" fill="#464646"/></svg>)";
const char kHandle[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="20"><rect width="10" height="20" fill="#ff7f00"/></svg>)";

TEST_F(ControlPixels, SVGControlsShowTheImageOfTheirValue)
{
  ISVGButtonControl* button = nullptr;
  ISVGKnobControl* knob = nullptr;
  ISVGSwitchControl* sw = nullptr;
  ISVGSliderControl* slider = nullptr;
  Open(480, 120, [&](IGfx& g) {
    const auto svg = [&g](const char* name, const char* text) {
      return g.LoadSVG(name, static_cast<const void*>(text), static_cast<int>(std::strlen(text)));
    };
    button = Add(g, new ISVGButtonControl(IRECT(10, 10, 90, 90), DefaultClickActionFunc, svg("green", kGreen),
                                          svg("red", kRed)));
    knob = Add(g, new ISVGKnobControl(IRECT(100, 10, 180, 90), svg("pointer", kPointer), kGain));
    knob->SetHideCursorOnDrag(false);
    sw = Add(g, new ISVGSwitchControl(IRECT(190, 10, 270, 90), {svg("red", kRed), svg("green", kGreen), svg("blue", kBlue)}));
    slider = Add(g, new ISVGSliderControl(IRECT(280, 30, 480, 70), svg("handle", kHandle), svg("track", kTrack), -1, kHorizontal));
    slider->SetValue(0.25);
  });
  const Image rest = Shot("svg-rest");
  EXPECT_TRUE(Near(rest, 50, 50, kColorGreen));
  EXPECT_TRUE(Near(rest, 230, 50, kColorRed));
  EXPECT_TRUE(Near(rest, 140, 22, kColorBlack, 40)); // pointer up at gain 0 dB
  // Handle 20 × 40 at a quarter of the track's remaining length.
  EXPECT_TRUE(Near(rest, 280 + 180 * 0.25f + 10, 50, kColorOrange));

  Click(230, 50);
  Drag(140, 50, 140, 10);
  Send(NSEventTypeLeftMouseDown, 50, 50);
  const Image pressed = Shot("svg-pressed");
  EXPECT_TRUE(Near(pressed, 50, 50, kColorRed));
  EXPECT_TRUE(Near(pressed, 230, 50, kColorGreen));
  EXPECT_FALSE(Near(pressed, 140, 22, kColorBlack, 40)); // the pointer turned away from the top
  Send(NSEventTypeLeftMouseUp, 50, 50);
  Advance(200);
  EXPECT_TRUE(Near(Shot("svg-released"), 50, 50, kColorGreen));
}

TEST_F(ControlPixels, BitmapControlsShowTheFrameOfTheirValue)
{
  IBKnobControl* knob = nullptr;
  IBSwitchControl* sw = nullptr;
  IBButtonControl* button = nullptr;
  IBSliderControl* slider = nullptr;
  IBKnobRotaterControl* rotater = nullptr;
  IBTextControl* text = nullptr;
  // A bitmap font of 96 cells 8 × 16, stacked: cell k holds a bar k % 15 + 1 rows high.
  Image font;
  font.w = 8;
  font.h = 16 * 96;
  font.px.assign(static_cast<size_t>(font.w) * font.h * 4, 0);
  for (int k = 0; k < 96; ++k)
    for (int y = 16 - (k % 15 + 1); y < 16; ++y)
      for (int x = 1; x < 7; ++x) font.px[(static_cast<size_t>(k * 16 + y) * font.w + x) * 4 + 3] = 255;
  const std::string fontPath = writePng("bitmap-font", font, "controls_gallery");
  Open(400, 120, [&](IGfx& g) {
    const IBitmap strip = g.LoadBitmap(Resource("Knob_small.png").c_str(), 51);
    knob = Add(g, new IBKnobControl(IRECT(10, 10, 60, 60), strip, kGain));
    knob->SetHideCursorOnDrag(false);
    sw = Add(g, new IBSwitchControl(80, 20, g.LoadBitmap(Resource("switch_toggle1.png").c_str(), 2), kOn));
    button = Add(g, new IBButtonControl(140, 20, g.LoadBitmap(Resource("buttonOS.png").c_str(), 2)));
    slider = Add(g, new IBSliderControl(180, 20, 120, g.LoadBitmap(Resource("button_next.png").c_str(), 2), IBitmap(),
                                        kSteps, kHorizontal, 1.0));
    slider->SetHideCursorOnDrag(false);
    rotater = Add(g, new IBKnobRotaterControl(IRECT(320, 20, 370, 70), g.LoadBitmap(Resource("VULabel.png").c_str(), 1)));
    rotater->SetValue(0.0);
    text = Add(g, new IBTextControl(IRECT(10, 80, 110, 110), g.LoadBitmap(fontPath.c_str(), 96), IText(), "AB", 8, 16,
                                    0, false, true));
  });
  ASSERT_TRUE(knob->GetBitmap().IsValid());
  const Image rest = Shot("bitmap-rest");
  EXPECT_GT(Marked(rest, knob->GetRECT()), 100);
  EXPECT_GT(Marked(rest, sw->GetRECT()), 50);
  // "AB" centred: two cells of 8 from x = 52, A's bar 4 rows high, B's 5, both 6 wide.
  EXPECT_EQ(Marked(rest, IRECT(52, 87, 60, 103)), 4 * 6);
  EXPECT_EQ(Marked(rest, IRECT(60, 87, 68, 103)), 5 * 6);

  Drag(35, 35, 35, -40);
  Click(sw->GetRECT().MW(), sw->GetRECT().MH());
  Drag(slider->GetRECT().L + 5, slider->GetRECT().MH(), slider->GetRECT().R + 50, slider->GetRECT().MH());
  Send(NSEventTypeLeftMouseDown, button->GetRECT().MW(), button->GetRECT().MH());
  rotater->SetValue(0.5);
  rotater->SetDirty(false);
  const Image moved = Shot("bitmap-moved");
  EXPECT_EQ(dlg.GetParam(kOn)->Value(), 1.0);
  EXPECT_EQ(dlg.GetParam(kSteps)->Value(), 10.0);
  EXPECT_GT(dlg.GetParam(kGain)->Value(), 0.0);
  for (const IControl* c : {static_cast<const IControl*>(knob), static_cast<const IControl*>(sw),
                            static_cast<const IControl*>(button), static_cast<const IControl*>(slider),
                            static_cast<const IControl*>(rotater)})
    EXPECT_GT(Changed(rest, moved, c->GetRECT()), 10) << c->GetRECT().L;
  Send(NSEventTypeLeftMouseUp, button->GetRECT().MW(), button->GetRECT().MH());
}

TEST_F(ControlPixels, PopupMenuFadesInHighlightsOpensASubMenuAndReports)
{
  auto* sub = new IPopupMenu("", 0, false, {"Sub A", "Sub B"}); // the item owns it
  IPopupMenu menu{"", 0, false, {"One", "Two"}};
  menu.CheckItem(1, true);
  menu.AddSeparator();
  menu.AddItem("Heading", IPopupMenu::kAppend, IPopupMenu::Item::kTitle);
  menu.AddItem("Disabled", IPopupMenu::kAppend, IPopupMenu::Item::kDisabled);
  menu.AddItem("More", sub);
  IPopupMenu* reported = nullptr;
  int reports = 0;
  menu.SetFunction([&](IPopupMenu* m) {
    reported = m;
    ++reports;
  });
  sub->SetFunction([&](IPopupMenu* m) {
    reported = m;
    ++reports;
  });
  Open(400, 300, [&](IGfx& g) {
    Add(g, new IVButtonControl(IRECT(10, 10, 110, 50), [&menu](IControl* c) {
      SplashClickActionFunc(c);
      c->GetUI()->CreatePopupMenu(*c, menu, c->GetRECT());
    }, "Menu", GalleryStyle()));
  });
  auto* popup = static_cast<IPopupMenuControl*>(gfx->GetPopupMenuControl());
  Click(60, 30);
  ASSERT_EQ(popup->GetPopupState(), kPopupExpanding);
  Advance(50);
  const Image fading = Shot("popup-fading");
  const IRECT cell0 = popup->GetPanel(0)->GetCell(0);
  const IRECT inner = popup->GetPanel(0)->mTargetRECT;
  // Half faded in: between the white panel and what lies under it.
  Advance(60);
  ASSERT_EQ(popup->GetPopupState(), kPopupShown);
  const Image shown = Shot("popup-shown");
  EXPECT_TRUE(Near(shown, inner.R - 3, inner.MH(), kColorWhite, 16));
  EXPECT_GT(Changed(fading, shown, inner), 0);

  Move(cell0.L + 3, cell0.MH());
  const Image hovered = Shot("popup-hover");
  EXPECT_TRUE(NearAround(hovered, cell0.L + 2, cell0.MH(), kColorBlue, 2, 40));

  const IRECT more = popup->GetPanel(0)->GetCell(5);
  Move(more.L + 3, more.MH());
  Advance(210);
  ASSERT_EQ(popup->NPanels(), 2);
  ASSERT_EQ(popup->GetPopupState(), kPopupShown);
  Shot("popup-submenu");
  const IRECT subB = popup->GetPanel(1)->GetCell(1);
  Move(subB.MW(), subB.MH());
  Click(subB.MW(), subB.MH());
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(reported, sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
  for (int i = 0; i < 3; ++i) Advance(101);
  EXPECT_EQ(popup->GetPopupState(), kPopupIdle);
  const Image closed = Shot("popup-closed");
  EXPECT_EQ(Marked(closed, IRECT(inner.L, 60, inner.R, inner.B)), 0);
}

} // namespace
} // namespace fx::gfx::test
