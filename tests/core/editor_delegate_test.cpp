#include "tests/core/fakes/TestPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace fx;
using namespace fx::test;

namespace {

IStateChunk EditorState(int32_t w, int32_t h, float s)
{
  IStateChunk c;
  c.Put(&w);
  c.Put(&h);
  c.Put(&s);
  return c;
}

} // namespace

TEST(EditorDelegate, OpenLaysOutThenSendsValuesAndCloseGuardsReentry)
{
  TestPlugin p;
  FakeControl* gain = nullptr;
  p.layoutFunc = [&](FakeGfx& g) { gain = g.Attach(new FakeControl({kGain})); };
  p.GetParam(kGain)->Set(6.0);

  void* view = p.OpenWindow(nullptr);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(p.layouts, 1);
  ASSERT_NE(gain, nullptr);
  // The layout ran before OnUIOpen, so the new control already got the value.
  ASSERT_EQ(gain->values.size(), 1u);
  EXPECT_DOUBLE_EQ(gain->GetValue(), p.GetParamNormalized(kGain));
  EXPECT_EQ(p.GetUI(), p.lastEditor);
  EXPECT_EQ(p.lastEditor->screenScale, 2.f);

  // CloseWindow re-entered from the product's close hook runs once.
  struct Reenter : TestPlugin
  {
    int closes = 0;
    void OnUIClose() override
    {
      ++closes;
      CloseWindow();
    }
  } r;
  r.OpenWindow(nullptr);
  ASSERT_EQ(FakeGfx::sAlive, 2);
  FakeGfx* editor = r.lastEditor;
  editor->Resize(640, 320, 1.5f, false);
  const int closesBefore = editor->closeCount;
  r.CloseWindow();
  EXPECT_EQ(r.closes, 1);
  EXPECT_EQ(closesBefore, 0);
  EXPECT_EQ(FakeGfx::sAlive, 1);
  EXPECT_EQ(r.GetGraphics(), nullptr);
  EXPECT_EQ(r.GetUI(), nullptr);
  EXPECT_TRUE(r.GetSizeSaved());
  r.CloseWindow();  // closing again: only the hook, no second save
  EXPECT_EQ(r.closes, 2);
  EXPECT_EQ(r.GetSavedWidth(), 640);

  // Reopening applies the saved size to the new editor (the first opening did not resize).
  EXPECT_TRUE(p.lastEditor->resizes.empty());
  r.OpenWindow(nullptr);
  ASSERT_EQ(r.lastEditor->resizes.size(), 1u);
  EXPECT_EQ(r.lastEditor->resizes[0].width, 640);
  EXPECT_EQ(r.lastEditor->resizes[0].height, 320);
  EXPECT_EQ(r.lastEditor->resizes[0].scale, 1.5f);
  EXPECT_TRUE(r.lastEditor->resizes[0].platform);

  // Opening over an open editor closes the old one first.
  r.OpenWindow(nullptr);
  EXPECT_EQ(r.graphicsMade, 3);
  EXPECT_EQ(FakeGfx::sAlive, 2);
}

TEST(EditorDelegate, NoFactoryGivesNoEditorAndReadyFlagGatesGetUI)
{
  TestPlugin p;
  p.SetMakeGraphicsFunc(nullptr);
  EXPECT_EQ(p.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(p.CreateGraphics(), nullptr);

  TestPlugin q;
  q.SetMakeGraphicsFunc([&q]() -> gfx::IGfxLink* {
    auto* g = new FakeGfx(q, 400, 300, 1.f);
    g->drawContextReady = false;
    return g;
  });
  ASSERT_NE(q.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(q.GetUI(), nullptr);
  EXPECT_NE(q.GetGraphics(), nullptr);
  gfx::IKeyPress key("a", 65);
  EXPECT_FALSE(q.OnKeyDown(key));  // not ready: keys go back to the host
  q.CloseWindow();
}

TEST(EditorDelegate, RoutesValuesToLinkedSlotsOnly)
{
  TestPlugin p;
  FakeControl *multi = nullptr, *other = nullptr, *midi = nullptr;
  p.layoutFunc = [&](FakeGfx& g) {
    multi = g.Attach(new FakeControl({kMode, kSteps, kMode}));
    other = g.Attach(new FakeControl({kGain}));
    midi = g.Attach(new FakeControl({-1}, true), 7);
  };
  p.OpenWindow(nullptr);
  for (FakeControl* c : {multi, other, midi}) c->values.clear();
  p.log.clear();

  // A host value (own range) reaches every slot linked to the parameter, normalised.
  p.SendParameterValueFromDelegate(kSteps, 3.6, false);
  ASSERT_EQ(multi->values.size(), 1u);
  EXPECT_EQ(multi->values[0].first, 1);
  EXPECT_DOUBLE_EQ(multi->values[0].second, 0.4);  // stepped: 3.6 -> 4 of 0..10
  EXPECT_TRUE(other->values.empty());
  EXPECT_EQ(p.log, std::vector<std::string>{"ui 3 4"});

  p.SendParameterValueFromDelegate(kMode, 1.0, false);
  ASSERT_EQ(multi->values.size(), 3u);
  EXPECT_EQ(multi->values[1].first, 0);
  EXPECT_EQ(multi->values[2].first, 2);
  EXPECT_DOUBLE_EQ(multi->GetValue(2), 0.5);

  // Normalised input is clamped; unknown indices are ignored.
  p.SendParameterValueFromDelegate(kGain, 7.0, true);
  EXPECT_DOUBLE_EQ(other->GetValue(), 1.0);
  p.SendParameterValueFromDelegate(99, 0.5, true);
  p.SendParameterValueFromDelegate(-1, 0.5, true);

  // Values that are not numbers never reach a control as such.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  p.GetParam(kGain)->Set(0.0);
  p.SendParameterValueFromDelegate(kGain, nan, true);
  EXPECT_DOUBLE_EQ(other->GetValue(), p.GetParamNormalized(kGain));
  p.SendParameterValueFromDelegate(kSteps, nan, false);  // own range: the default, 5 of 0..10
  EXPECT_DOUBLE_EQ(multi->GetValue(1), 0.5);
  p.SendControlValueFromDelegate(7, 0.75);
  p.SendControlValueFromDelegate(7, nan);
  EXPECT_DOUBLE_EQ(midi->GetValue(), 0.75);
  for (FakeControl* c : {multi, other, midi})
    for (const auto& v : c->values) EXPECT_FALSE(std::isnan(v.second));

  // MIDI goes only to controls that want it, then to the UI hook.
  p.log.clear();
  p.SendMidiMsgFromDelegate(IMidiMsg(0, 0x90, 60, 100));
  EXPECT_EQ(midi->midi.size(), 1u);
  EXPECT_TRUE(multi->midi.empty());
  EXPECT_EQ(p.log, std::vector<std::string>{"midi 144"});

  // Control values and messages by tag; unknown tags are ignored, never thrown.
  p.SendControlValueFromDelegate(7, 0.25);
  EXPECT_DOUBLE_EQ(midi->GetValue(), 0.25);
  p.SendControlMsgFromDelegate(7, 42, 3, "abc");
  ASSERT_EQ(midi->msgs.size(), 1u);
  EXPECT_EQ(midi->msgs[0], std::make_pair(42, 3));
  EXPECT_NO_THROW(p.SendControlValueFromDelegate(1234, 0.5));
  EXPECT_NO_THROW(p.SendControlMsgFromDelegate(-5, 1));

  // Keys go to the editor at the pointer position.
  p.lastEditor->mouseX = 12.f;
  p.lastEditor->mouseY = 34.f;
  EXPECT_TRUE(p.OnKeyDown(gfx::IKeyPress("q", 81)));
  p.lastEditor->keyResult = false;
  EXPECT_FALSE(p.OnKeyUp(gfx::IKeyPress("q", 81)));
  ASSERT_EQ(p.lastEditor->keys.size(), 2u);
  EXPECT_EQ(p.lastEditor->keys[0].x, 12.f);
  EXPECT_EQ(p.lastEditor->keys[0].y, 34.f);
  EXPECT_TRUE(p.lastEditor->keys[0].down);
  EXPECT_FALSE(p.lastEditor->keys[1].down);

  p.SetScreenScale(3.f);
  EXPECT_EQ(p.lastEditor->screenScale, 3.f);
  p.CloseWindow();
  // Without an editor nothing is routed, but the UI hook still hears of it.
  p.log.clear();
  p.SendParameterValueFromDelegate(kMode, 2.0, false);
  EXPECT_EQ(p.log, std::vector<std::string>{"ui 1 4"});
  EXPECT_NO_THROW(p.SendControlValueFromDelegate(7, 0.5));
  EXPECT_FALSE(p.OnKeyDown(gfx::IKeyPress("q", 81)));
}

TEST(EditorDelegate, EditorStateRoundTripsAndGuardsShortOrZeroRecords)
{
  TestPlugin p;
  p.OpenWindow(nullptr);
  p.lastEditor->Resize(640, 270, 1.5f, false);
  // Shown smaller on a small screen, the editor keeps the chosen scale with the state.
  p.lastEditor->shownScale = 1.28f;
  IStateChunk c;
  ASSERT_TRUE(p.SerializeEditorState(c));
  EXPECT_TRUE(c.IsEqual(EditorState(640, 270, 1.5f)));

  // Open editor: a full record resizes it, a record with a zero field changes nothing.
  p.lastEditor->resizes.clear();
  EXPECT_EQ(p.UnserializeEditorState(EditorState(800, 300, 2.f), 0), 12);
  ASSERT_EQ(p.lastEditor->resizes.size(), 1u);
  EXPECT_TRUE(p.lastEditor->resizes[0].platform);
  EXPECT_EQ(p.UnserializeEditorState(EditorState(0, 270, 1.5f), 0), 12);
  EXPECT_EQ(p.lastEditor->resizes.size(), 1u);
  p.lastEditor->shownScale = 1.28f;
  p.CloseWindow();
  EXPECT_EQ(p.GetSavedWidth(), 800);
  EXPECT_EQ(p.GetSavedScale(), 2.f);

  // Closed: a full record becomes the size for the next opening...
  IStateChunk prefixed;
  const int32_t pad = 99;
  prefixed.Put(&pad);
  IStateChunk rec = EditorState(700, 280, 1.25f);
  prefixed.PutChunk(&rec);
  EXPECT_EQ(p.UnserializeEditorState(prefixed, 4), 16);
  EXPECT_EQ(p.GetSavedWidth(), 700);
  EXPECT_EQ(p.GetSavedHeight(), 280);
  EXPECT_EQ(p.GetSavedScale(), 1.25f);
  IStateChunk closed;
  p.SerializeEditorState(closed);
  EXPECT_TRUE(closed.IsEqual(rec));

  // ...but a short one (8 bytes) or one with a zero field does not replace it.
  IStateChunk shortRec = EditorState(640, 270, 1.5f);
  shortRec.Resize(8);
  EXPECT_EQ(p.UnserializeEditorState(shortRec, 0), -1);
  EXPECT_EQ(p.UnserializeEditorState(EditorState(640, 0, 1.5f), 0), 12);
  EXPECT_EQ(p.UnserializeEditorState(EditorState(640, 270, 1.5f), 8), -1);
  EXPECT_EQ(p.UnserializeEditorState(EditorState(-640, 270, 1.5f), 0), 12);
  EXPECT_EQ(p.UnserializeEditorState(EditorState(640, 270, std::nanf("")), 0), 12);
  EXPECT_EQ(p.GetSavedWidth(), 700);
  EXPECT_EQ(p.GetSavedScale(), 1.25f);
}

TEST(EditorDelegate, RootDefaultsServeAPlugInWithoutEditor)
{
  struct Root : IEditorDelegate
  {
    Root() : IEditorDelegate(2) {}
    void BeginInformHostOfParamChangeFromUI(int) override {}
    void EndInformHostOfParamChangeFromUI(int) override {}
    void OnUIOpen() override { log.push_back("open"); }
    void OnUIClose() override { log.push_back("close"); }
    void OnParamChangeUI(int idx, EParamSource src) override
    {
      log.push_back("ui " + std::to_string(idx) + " " + std::to_string(src));
    }
    std::vector<std::string> log;
  } r;
  r.GetParam(1)->InitInt("n", 0, 0, 10);
  EXPECT_EQ(r.OpenWindow(nullptr), nullptr);
  r.CloseWindow();
  r.SendParameterValueFromUI(1, 0.44);
  EXPECT_EQ(r.GetParam(1)->Value(), 4.0);
  r.SendParameterValueFromUI(5, 0.5);  // out of range: ignored
  r.SendParameterValueFromDelegate(0, 0.1, true);
  EXPECT_EQ(r.log, (std::vector<std::string>{"open", "close", "ui 1 3", "ui 0 4"}));
  EXPECT_FALSE(r.EditorResizeFromUI(10, 10, true));
  IStateChunk c;
  EXPECT_TRUE(r.SerializeEditorState(c));
  EXPECT_EQ(c.Size(), 0);
  EXPECT_EQ(r.UnserializeEditorState(c, 5), 5);
  EXPECT_EQ(r.GetParam(-1), nullptr);
  EXPECT_EQ(r.GetParam(2), nullptr);
}
