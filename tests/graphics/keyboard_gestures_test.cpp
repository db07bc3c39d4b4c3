// The computer keyboard as MIDI note keyboard, gesture regions, restyling and the colour set.

#include "graphics/IVectorBase.h"
#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

struct QwertyFixture : EditorFixture
{
  QwertyFixture()
  {
    gfx->SetQwertyMidiKeyHandlerFunc([this](const IMidiMsg& m) { forwarded.push_back(m); });
  }
  ~QwertyFixture()
  {
    // The octave and held notes are process-wide: leave them as a new process has them.
    for (int i = 0; i < 8; ++i) Press('Z');
    for (int i = 0; i < 2; ++i) Press('X');
  }
  bool Key(int vk, bool up) { return up ? gfx->OnKeyUp(-1, -1, IKeyPress("", vk)) : gfx->OnKeyDown(-1, -1, IKeyPress("", vk)); }
  void Press(int vk)
  {
    Key(vk, false);
    Key(vk, true);
  }
  std::vector<std::string> Notes()
  {
    std::vector<std::string> out;
    for (const IMidiMsg& m : dlg.midi)
      out.push_back((m.mStatus == 0x90 ? "on " : "off ") + std::to_string(m.mData1) + " " + std::to_string(m.mData2));
    dlg.midi.clear();
    return out;
  }
  std::vector<IMidiMsg> forwarded;
};

TEST(QwertyMidi, NoteKeysAndOctaves)
{
  QwertyFixture f;
  f.Press('A');
  f.Press('L');
  EXPECT_EQ(f.Notes(), (std::vector<std::string>{"on 48 127", "off 48 0", "on 62 127", "off 62 0"}));
  EXPECT_EQ(f.forwarded.size(), 4u);
  f.Press('X');
  f.Press('A');
  EXPECT_EQ(f.Notes(), (std::vector<std::string>{"on 60 127", "off 60 0"}));
  for (int i = 0; i < 7; ++i) f.Press('X');
  f.Press('L');
  EXPECT_EQ(f.Notes(), (std::vector<std::string>{"on 110 127", "off 110 0"})); // base held at 96
  for (int i = 0; i < 7; ++i) f.Press('Z');
  f.Press('A');
  EXPECT_EQ(f.Notes(), (std::vector<std::string>{"on 24 127", "off 24 0"})); // base held at 24
  for (int i = 0; i < 2; ++i) f.Press('X');
}

TEST(QwertyMidi, OctaveChangeReleasesHeldNotes)
{
  QwertyFixture f;
  EXPECT_TRUE(f.Key('A', false));
  EXPECT_TRUE(f.Key('A', false)); // key repeat: nothing
  f.Key('X', false);
  f.Key('X', true);
  f.Key('A', true); // note 60 is not held: nothing
  EXPECT_EQ(f.Notes(), (std::vector<std::string>{"on 48 127", "off 48 0"}));
  f.Press('Z');
  f.Key('A', false);
  EXPECT_EQ(f.Notes(), (std::vector<std::string>{"on 48 127"}));
  f.Key('A', true);
  f.Notes();

  // Every other key is taken too, and sends nothing.
  EXPECT_TRUE(f.Key('Q', false));
  EXPECT_TRUE(f.Key('1', false));
  EXPECT_TRUE(f.Notes().empty());
}

TEST(Gestures, ControlsBeforeRegionsAndRegionEdgesOutside)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 100, 100));
  f.gfx->AttachControl(c);
  std::vector<std::string> log;
  f.gfx->AttachGestureToRegion(IRECT(0, 0, 200, 200), kGestureDoubleTap,
                               [&](IControl* ctrl, const IGestureInfo&) { log.push_back(ctrl ? "ctrl" : "region"); });
  EXPECT_FALSE(f.gfx->GestureRegionHit(200, 50)); // right edge is outside
  EXPECT_TRUE(f.gfx->GestureRegionHit(50, 50));

  c->AttachGestureRecognizer(kGestureSwipeLeft, [&](IControl*, const IGestureInfo&) { log.push_back("control"); });
  c->AttachGestureRecognizer(kGestureSwipeLeft, [&](IControl*, const IGestureInfo&) { log.push_back("second"); });
  EXPECT_EQ(f.gfx->GetRegisteredGestures(), (std::vector<EGestureType>{kGestureDoubleTap, kGestureSwipeLeft}));
  IGestureInfo info;
  info.x = 50;
  info.y = 50;
  info.type = kGestureSwipeLeft;
  f.gfx->OnGestureRecognized(info);
  EXPECT_EQ(c->GetLastGesture(), kGestureSwipeLeft);

  // An animating control takes no gestures: the region under it does.
  c->SetAnimation(DefaultAnimationFunc, 1000);
  f.gfx->OnGestureRecognized(info);
  EXPECT_EQ(log, (std::vector<std::string>{"control", "region"}));

  f.gfx->ClearGestureRegions();
  c->SetAnimation(nullptr);
  EXPECT_FALSE(f.gfx->GestureRegionHit(150, 150));
  EXPECT_EQ(f.gfx->GetRegisteredGestures().size(), 2u);
}

struct VectorControl : TestControl, IVectorBase
{
  VectorControl(const IRECT& r) : TestControl(r), IVectorBase(IVStyleDefault) { AttachIControl(this); }
};

TEST(EditorDefaults, StyleAllVectorControlsAndColourSets)
{
  EditorFixture f;
  auto* vector = new VectorControl(IRECT(0, 0, 10, 10));
  auto* plain = new TestControl(IRECT(0, 0, 10, 10));
  f.gfx->AttachControl(vector);
  f.gfx->AttachControl(plain);
  IVStyle style;
  style.roundness = 0.5f;
  f.gfx->StyleAllVectorControls(style);
  EXPECT_FLOAT_EQ(vector->GetStyle().roundness, 0.5f);

  const IVColorSpec two{kColorRed, kColorBlue};
  EXPECT_EQ(two[kBackground], kColorRed);
  EXPECT_EQ(two[kForeground], kColorBlue);
  EXPECT_EQ(two[kPressed], IColor(255, 240, 240, 240));
  EXPECT_EQ(two[kExtra3], IColor(255, 0, 0, 255));
  const IVColorSpec none{};
  EXPECT_EQ(none[kBackground], IColor(0, 0, 0, 0));
  EXPECT_EQ(none[kShadow], IColor(60, 0, 0, 0));

  EXPECT_TRUE(IVStyleDefault.hideCursor && IVStyleDefault.showLabel && IVStyleDefault.drawFrame);
  EXPECT_FALSE(IVStyleDefault.emboss);
  EXPECT_FLOAT_EQ(IVStyleDefault.shadowOffset, 3.f);
  EXPECT_FLOAT_EQ(IVStyleDefault.labelText.mSize, 19.f);
  EXPECT_EQ(IVStyleDefault.labelText.mVAlign, kVAlignTop);
  EXPECT_EQ(IVStyleDefault.valueText.mVAlign, kVAlignBottom);
}

TEST(EditorDefaults, SplashClickStartsFromTheLastPress)
{
  EditorFixture f;
  auto* v = new VectorControl(IRECT(0, 0, 100, 100));
  v->SetActionFunction(SplashClickActionFunc);
  f.gfx->AttachControl(v);
  f.Down(30, 40);
  v->SetDirty(true);
  EXPECT_EQ(v->GetSplashX(), 30);
  EXPECT_EQ(v->GetSplashY(), 40);
  f.clock.now += 50;
  v->Animate();
  EXPECT_FLOAT_EQ(v->GetSplashRadius(), 25.f);
  f.clock.now += 51;
  v->Animate();
  EXPECT_FALSE(v->GetAnimating());
}

} // namespace
} // namespace fx::gfx::test
