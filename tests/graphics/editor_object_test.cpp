// The editor object: construction, scale and size, attaching, tags, removal, peers.

#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace fx::gfx::test {
namespace {

TEST(EditorObject, ConstructionClampsFrameRateAndScaleLimits)
{
  TestDelegate dlg;
  RecordingGfx zero(dlg, 1000, 270, 0, 1.f);
  EXPECT_EQ(zero.FPS(), 60);
  RecordingGfx negative(dlg, 1000, 270, -5, 1.f);
  EXPECT_EQ(negative.FPS(), 60);
  EXPECT_EQ(dlg.GetEditorWidth(), 1000);
  EXPECT_EQ(dlg.GetEditorHeight(), 270);
  EXPECT_FLOAT_EQ(zero.GetMinScale(), 0.5f);
  EXPECT_FLOAT_EQ(zero.GetMaxScale(), 2.f);
  // A draw scale that is no positive number is taken as 1.
  RecordingGfx nan(dlg, 1000, 270, 60, std::numeric_limits<float>::quiet_NaN());
  EXPECT_FLOAT_EQ(nan.GetDrawScale(), 1.f);
}

TEST(EditorObject, ResizeClampsAndDoesNothingWhenUnchanged)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 10, 10));
  f.gfx->AttachControl(c);
  c->events.clear();
  f.gfx->Clear();

  f.gfx->Resize(1000, 270, 3.f, true);
  EXPECT_FLOAT_EQ(f.gfx->GetDrawScale(), 2.f); // held at the maximum
  EXPECT_EQ(c->Count("resize"), 1);
  EXPECT_EQ(f.gfx->Count("PlatformResize"), 1);
  EXPECT_EQ(f.gfx->Count("DrawResize"), 1);
  EXPECT_EQ(f.dlg.log.back(), "resize 2000x540 p");

  // The same size and scale again: nothing at all.
  c->events.clear();
  f.gfx->Clear();
  f.gfx->Resize(1000, 270, 2.f, true);
  EXPECT_TRUE(c->events.empty());
  EXPECT_TRUE(f.gfx->calls.empty());

  // Size limits of the delegate (500..2000 x 135..540).
  f.gfx->Resize(5000, 10, 1.f, false);
  EXPECT_EQ(f.gfx->Width(), 2000);
  EXPECT_EQ(f.gfx->Height(), 135);
  // Limits in window pixels: 1500 x 400 at scale 2 is 3000 x 800, held at 2000 x 540.
  f.gfx->Resize(1500, 400, 2.f, false, false);
  EXPECT_EQ(f.gfx->Width(), 1000);
  EXPECT_EQ(f.gfx->Height(), 270);
}

TEST(EditorObject, TheScaleIsHeldToWhatTheScreenHasRoomFor)
{
  EditorFixture f;
  f.gfx->SetScaleConstraints(0.5f, 3.f);
  f.gfx->Resize(1000, 270, 2.f, true);
  // The view comes onto a laptop's screen: the editor takes the largest scale whose window fits.
  f.gfx->screenRoomW = 1280.f, f.gfx->screenRoomH = 800.f;
  f.gfx->HoldScaleToScreen();
  EXPECT_EQ(f.dlg.log.back(), "resize 1280x345 p");
  // Only the scale it is shown at: the chosen scale stays until another is asked for.
  EXPECT_FLOAT_EQ(f.gfx->GetChosenScale(), 2.f);
  f.gfx->Resize(1000, 270, 3.f, true);
  EXPECT_LE(static_cast<int>(1000 * f.gfx->GetDrawScale()), 1280);
  EXPECT_FLOAT_EQ(f.gfx->GetChosenScale(), 3.f);
  // Two backing pixels a point: half the scale fits.
  f.gfx->windowScale = 2.f;
  f.gfx->Resize(1000, 270, 3.f, true);
  EXPECT_LE(2 * static_cast<int>(1000 * f.gfx->GetDrawScale()), 1280);
  EXPECT_GE(2 * static_cast<int>(1000 * f.gfx->GetDrawScale()), 1278);
  // Smaller scales are untouched; a screen smaller than the smallest scale gets the smallest.
  f.gfx->windowScale = 1.f;
  f.gfx->Resize(1000, 270, 1.f, true);
  f.gfx->Clear();
  f.gfx->HoldScaleToScreen();
  EXPECT_TRUE(f.gfx->calls.empty());
  f.gfx->screenRoomW = 320.f, f.gfx->screenRoomH = 200.f;
  f.gfx->Resize(1000, 270, 3.f, true);
  EXPECT_FLOAT_EQ(f.gfx->GetDrawScale(), 0.5f);
}

TEST(EditorObject, ScreenScaleRescalesEveryControl)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 10, 10));
  f.gfx->AttachControl(c);
  c->events.clear();
  f.gfx->SetScreenScale(2.f);
  EXPECT_FLOAT_EQ(f.gfx->GetTotalScale(), 2.f);
  EXPECT_EQ(c->Count("rescale"), 1);
  EXPECT_EQ(f.gfx->Count("DrawResize"), 1);
  EXPECT_EQ(f.dlg.log.back(), "resize 1000x270 p");
  // A screen scale that is no positive number is ignored.
  f.gfx->SetScreenScale(0.f);
  EXPECT_FLOAT_EQ(f.gfx->GetScreenScale(), 2.f);
}

TEST(EditorObject, AttachRunsHooksInOrderAndTagsAreUnique)
{
  EditorFixture f;
  auto* a = new TestControl(IRECT(0, 0, 10, 10));
  EXPECT_EQ(f.gfx->AttachControl(a, 5, "knobs"), a);
  EXPECT_EQ(a->events, (std::vector<std::string>{"init", "resize", "rescale", "attached"}));
  EXPECT_EQ(a->GetUI(), f.gfx.get());
  EXPECT_EQ(a->GetDelegate(), &f.dlg);
  EXPECT_STREQ(a->GetGroup(), "knobs");

  TestControl b(IRECT(0, 0, 10, 10));
  EXPECT_EQ(f.gfx->AttachControl(&b, 5), nullptr); // the caller keeps it
  EXPECT_TRUE(b.events.empty());
  EXPECT_EQ(f.gfx->GetControlWithTag(5), a);
  EXPECT_EQ(f.gfx->NControls(), 1);

  EXPECT_THROW(f.gfx->GetControlWithTag(6), std::out_of_range);
  EXPECT_EQ(f.gfx->FindControlWithTag(6), nullptr);
  EXPECT_EQ(f.gfx->FindControlIndex(a), 0);
  EXPECT_EQ(f.gfx->FindControlIndex(&b), -1);
}

TEST(EditorObject, RemovalClearsEveryReference)
{
  EditorFixture f;
  f.gfx->EnableMouseOver(true);
  bool deleted = false;
  auto* a = new TestControl(IRECT(0, 0, 100, 100), kGain);
  a->deleted = &deleted;
  auto* b = new TestControl(IRECT(200, 0, 300, 100), kMode);
  f.gfx->AttachControl(a, 1);
  f.gfx->AttachControl(b, 2);

  // Two touches hold both controls; removing one clears every capture and ends both gestures.
  f.gfx->EnableMultiTouch(true);
  f.gfx->OnMouseDown({f.Point(50, 50, false, 1)});
  f.gfx->OnMouseDown({f.Point(250, 50, false, 2)});
  f.gfx->OnMouseOver(50, 50, IMouseMod());
  ASSERT_TRUE(f.gfx->ControlIsCaptured(a));
  f.dlg.log.clear();
  f.gfx->RemoveControlWithTag(1);
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(f.gfx->ControlIsCaptured());
  EXPECT_EQ(f.gfx->GetMouseOver(), nullptr);
  EXPECT_EQ(f.gfx->FindControlWithTag(1), nullptr);
  EXPECT_EQ(f.gfx->NControls(), 1);
  std::vector<std::string> ends = f.dlg.Gestures();
  std::sort(ends.begin(), ends.end());
  EXPECT_EQ(ends, (std::vector<std::string>{"end 0", "end 1"}));
  EXPECT_THROW(f.gfx->RemoveControlWithTag(1), std::out_of_range);

  // A control removed while a menu or text entry is pending is no longer their owner.
  b->DisablePrompt(false);
  f.gfx->menuAsync = true;
  f.gfx->PromptUserInput(*b, b->GetRECT(), 0);
  f.gfx->RemoveControl(b);
  f.gfx->SetControlValueAfterPopupMenu(f.gfx->lastMenu); // must not reach the deleted control
  EXPECT_EQ(f.gfx->NControls(), 0);
}

TEST(EditorObject, RemoveAllControlsEndsGesturesAndShowsTheCursor)
{
  EditorFixture f;
  auto* a = new TestControl(IRECT(0, 0, 100, 100), kGain);
  f.gfx->AttachControl(a);
  f.Down(10, 10);
  f.gfx->HideMouseCursor(true, true);
  f.dlg.log.clear();
  f.gfx->Clear();
  f.gfx->RemoveAllControls();
  EXPECT_EQ(f.dlg.Gestures(), (std::vector<std::string>{"end 0"}));
  EXPECT_FALSE(f.gfx->CursorIsHidden());
  EXPECT_EQ(f.gfx->NControls(), 0);
}

TEST(EditorObject, SecondCornerResizerIsDeleted)
{
  EditorFixture f;
  auto* first = new TestControl(IRECT(980, 250, 1000, 270));
  bool secondDeleted = false;
  auto* second = new TestControl(IRECT(0, 0, 1, 1));
  second->deleted = &secondDeleted;
  f.gfx->AttachCornerResizer(first, kResizerSize, true);
  f.gfx->AttachCornerResizer(second, kResizerScale, false);
  EXPECT_TRUE(secondDeleted);
  EXPECT_EQ(f.gfx->GetCornerResizer(), first);
  EXPECT_EQ(f.gfx->GetResizerMode(), kResizerSize);
  EXPECT_TRUE(f.gfx->GetLayoutOnResize());
}

TEST(EditorObject, UserChangeUpdatesPeersWithoutTheirActions)
{
  EditorFixture f;
  int actionsA = 0, actionsB = 0;
  auto* a = new TestControl(IRECT(0, 0, 10, 10), kGain, [&](IControl*) { ++actionsA; });
  auto* b = new TestControl(IRECT(20, 0, 30, 10), kGain, [&](IControl*) { ++actionsB; });
  auto* other = new TestControl(IRECT(40, 0, 50, 10), kMode);
  f.gfx->AttachControl(a);
  f.gfx->AttachControl(b);
  f.gfx->AttachControl(other);
  a->SetValueFromUserInput(0.75);
  EXPECT_EQ(actionsA, 1);
  EXPECT_EQ(actionsB, 0);
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.75);
  EXPECT_DOUBLE_EQ(other->GetValue(), 0.0);
  ASSERT_EQ(f.dlg.values.size(), 1u);
  EXPECT_EQ(f.dlg.values[0].first, kGain);
  EXPECT_DOUBLE_EQ(f.dlg.values[0].second, 0.75);
}

TEST(EditorObject, IterationVisitsSpecialControlsAfterTheList)
{
  EditorFixture f;
  std::vector<IControl*> seen;
  auto* a = new TestControl(IRECT(0, 0, 10, 10), kGain);
  auto* resizer = new TestControl(IRECT(980, 250, 1000, 270));
  f.gfx->AttachControl(a, -1, "g1");
  f.gfx->AttachCornerResizer(resizer);
  f.gfx->ForAllControlsFunc([&](IControl* c) { seen.push_back(c); });
  EXPECT_EQ(seen, (std::vector<IControl*>{a, resizer}));
  seen.clear();
  f.gfx->ForControlInGroup("g1", [&](IControl* c) { seen.push_back(c); });
  EXPECT_EQ(seen, (std::vector<IControl*>{a}));

  f.gfx->AssignParamNameToolTips();
  EXPECT_STREQ(a->GetTooltip(), "Gain");
  a->SetTooltip("mine");
  f.gfx->AssignParamNameToolTipsAuto();
  EXPECT_STREQ(a->GetTooltip(), "mine");
  EXPECT_STREQ(resizer->GetTooltip(), "");
}

} // namespace
} // namespace fx::gfx::test
