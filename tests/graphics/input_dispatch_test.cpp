// Input dispatch: hit testing and capture, gestures sent to the host, context menus, the
// corner resizer's drag, keys, wheel, drops, touch cancellation and focus loss.

#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fx::gfx::test {
namespace {

// A corner resizer: its press starts the editor's resize gesture.
struct Resizer : TestControl
{
  using TestControl::TestControl;
  void OnMouseDown(float, float, const IMouseMod&) override { GetUI()->StartResizeGesture(); }
};

TEST(InputDispatch, PressCapturesUntilReleaseEvenOutside)
{
  EditorFixture f;
  auto* knob = new TestControl(IRECT(0, 0, 100, 100), kGain);
  f.gfx->AttachControl(knob);
  f.Down(50, 50);
  EXPECT_EQ(f.dlg.log, (std::vector<std::string>{"begin 0", "mousedown"}));
  float x = 0, y = 0;
  f.gfx->GetLastMouseDownPoint(x, y);
  EXPECT_EQ(x, 50);
  EXPECT_EQ(y, 50);

  f.Drag(500, 500, 10, -3); // far outside the control and the editor
  f.Drag(500, 500, 0, 0);   // no movement: not delivered
  f.Up(500, 500);
  EXPECT_EQ(knob->events, (std::vector<std::string>{"init", "resize", "rescale", "attached", "down", "drag 10,-3", "up"}));
  EXPECT_EQ(f.dlg.log, (std::vector<std::string>{"begin 0", "mousedown", "mouseup", "end 0"}));
  EXPECT_FALSE(f.gfx->ControlIsCaptured());
}

TEST(InputDispatch, PositionsThatAreNotNumbersNeverReachAControl)
{
  EditorFixture f;
  f.gfx->EnableMouseOver(true);
  auto* c = new TestControl(IRECT(0, 0, 100, 100), kGain);
  f.gfx->AttachControl(c);
  const float nan = std::nanf("");
  f.Down(10, 20);
  f.gfx->OnMouseDrag({f.Point(nan, 5, false, 0, 1, 1)});
  f.gfx->OnMouseDblClick(nan, nan, IMouseMod());
  f.gfx->OnMouseWheel(nan, 5, IMouseMod(), 1.f);
  f.gfx->OnMouseOver(nan, 5, IMouseMod());
  f.Up(nan, nan); // still ends the capture and the gesture
  EXPECT_FALSE(f.gfx->ControlIsCaptured());
  EXPECT_EQ(f.dlg.Gestures(), (std::vector<std::string>{"begin 0", "end 0"}));
  EXPECT_EQ(c->events.back(), "up");
  EXPECT_EQ(c->Count("dbl") + c->Count("over"), 0);
  f.Down(nan, 10);
  EXPECT_EQ(c->Count("down"), 1);
}

TEST(InputDispatch, LaterControlWinsAndHiddenDisabledIgnoredAreSkipped)
{
  EditorFixture f;
  auto* under = new TestControl(IRECT(0, 0, 100, 100));
  auto* over = new TestControl(IRECT(50, 50, 150, 150));
  f.gfx->AttachControl(under);
  f.gfx->AttachControl(over);
  EXPECT_EQ(f.gfx->GetMouseControl(75, 75, false), over);
  over->Hide(true);
  EXPECT_EQ(f.gfx->GetMouseControl(75, 75, false), under);
  over->Hide(false);
  over->SetIgnoreMouse(true);
  EXPECT_EQ(f.gfx->GetMouseControl(75, 75, false), under);
  over->SetIgnoreMouse(false);
  over->SetDisabled(true);
  EXPECT_EQ(f.gfx->GetMouseControl(75, 75, false), under);
  over->SetMEWhenGrayed(true);
  EXPECT_EQ(f.gfx->GetMouseControl(75, 75, false), over);
  EXPECT_EQ(f.gfx->GetMouseControl(std::nanf(""), 75, false), nullptr);
}

TEST(InputDispatch, ExpandedPopupAndEditingTextFieldWinEveryHitTest)
{
  struct Popup : IPopupMenuControlBase
  {
    void CreatePopupMenu(IPopupMenu&, const IRECT&) override { mState = kExpanded; }
    void Draw(IGfx&) override {}
    void Hide(bool hide) override
    {
      if (hide) mState = kCollapsed;
      IControl::Hide(hide);
    }
  };
  struct Entry : ITextEntryControlBase
  {
    void CreateTextEntry(int, const IText&, const IRECT&, int, const char*) override { mEditing = true; }
    void Draw(IGfx&) override {}
    void Hide(bool hide) override
    {
      if (hide) mEditing = false;
      IControl::Hide(hide);
    }
  };
  IControlMakers saved = GetControlMakers();
  GetControlMakers().popupMenu = [](const IText&, const IRECT&) { return new Popup; };
  GetControlMakers().textEntry = [] { return new Entry; };

  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 100, 100), kMode);
  f.gfx->AttachControl(c);
  f.gfx->AttachPopupMenuControl();
  f.gfx->AttachTextEntryControl();
  EXPECT_EQ(f.gfx->GetMouseControl(10, 10, false), c);

  IPopupMenu menu("", 0, false, {"x", "y"});
  f.gfx->CreatePopupMenu(*c, menu, c->GetRECT());
  EXPECT_EQ(f.gfx->Count("CreatePlatformPopupMenu"), 0); // the in-editor menu shows it
  EXPECT_EQ(f.gfx->GetMouseControl(900, 200, false), f.gfx->GetPopupMenuControl());
  f.gfx->OnFocusLost();
  EXPECT_FALSE(f.gfx->GetPopupMenuControl()->GetExpanded());

  f.gfx->CreateTextEntryForControl(*c, IText(), c->GetRECT(), "1");
  EXPECT_EQ(f.gfx->GetMouseControl(900, 200, false), f.gfx->GetTextEntryControl());
  // Only the field receives drags while an entry is in progress.
  f.gfx->OnMouseDown({f.Point(900, 200)});
  f.Drag(905, 200, 5, 0);
  EXPECT_EQ(c->Count("drag 5,0"), 0);
  f.gfx->OnFocusLost();
  EXPECT_FALSE(f.gfx->GetTextEntryControl()->GetEditing());

  GetControlMakers() = saved;
}

TEST(InputDispatch, PlatformTextFieldTakesTheDrags)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 100, 100), kGain);
  f.gfx->AttachControl(c);
  f.Down(10, 10);
  f.gfx->CreateTextEntryForControl(*c, IText(), c->GetRECT(), "1");
  f.Drag(12, 10, 2, 0);
  EXPECT_EQ(c->Count("drag 2,0"), 0);
}

TEST(InputDispatch, RightClickOpensTheContextMenuWithoutGestures)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 100, 100), kGain);
  f.gfx->AttachControl(c);

  // No entries: nothing at all happens.
  f.Down(10, 10, true);
  EXPECT_TRUE(f.dlg.log.empty());
  EXPECT_EQ(c->Count("down"), 0);
  EXPECT_EQ(f.gfx->Count("CreatePlatformPopupMenu"), 0);
  EXPECT_FALSE(f.gfx->ControlIsCaptured());

  c->contextItems = {"Reset", "Learn"};
  f.gfx->menuChoice = 1;
  f.Down(10, 10, true);
  const Call* menu = f.gfx->Find("CreatePlatformPopupMenu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->a, (std::vector<double>{10, 10, 10, 10, 2}));
  EXPECT_EQ(c->events.back(), "context 1");
  EXPECT_TRUE(f.dlg.log.empty()); // neither begin nor end

  // A control that keeps its right clicks gets them as presses.
  c->SetNoRightClickMenu(true);
  f.Down(10, 10, true);
  EXPECT_EQ(c->Count("down"), 1);
  EXPECT_EQ(f.dlg.log, (std::vector<std::string>{"begin 0", "mousedown"}));
}

TEST(InputDispatch, ScaleDragOfTheCornerResizer)
{
  EditorFixture f;
  auto* resizer = new Resizer(IRECT(980, 250, 1000, 270));
  f.gfx->AttachCornerResizer(resizer, kResizerScale);
  f.Down(990, 260);
  EXPECT_TRUE(f.gfx->GetResizingInProcess());
  f.Drag(1485, 390, 495, 130);
  EXPECT_FLOAT_EQ(f.gfx->GetDrawScale(), 1.5f);
  f.Drag(2970 / 1.5f, 780 / 1.5f, 10, 10);
  EXPECT_FLOAT_EQ(f.gfx->GetDrawScale(), 2.f); // held at the maximum
  resizer->events.clear();
  f.Up(900, 200);
  EXPECT_FALSE(f.gfx->GetResizingInProcess());
  EXPECT_EQ(resizer->Count("rescale"), 1);

  // On a screen with room for less, a drag past its edge chooses the scale the editor is shown at.
  f.gfx->screenRoomW = 1280.f, f.gfx->screenRoomH = 800.f;
  f.Down(990, 260);
  f.Drag(990, 260, 10, 10);
  EXPECT_LE(static_cast<int>(1000 * f.gfx->GetDrawScale()), 1280);
  EXPECT_GT(f.gfx->GetDrawScale(), 1.27f);
  EXPECT_EQ(f.gfx->GetChosenScale(), f.gfx->GetDrawScale());
  f.Up(990, 260);
}

TEST(InputDispatch, AResizeHoversWhatNowLiesUnderTheRestingPointer)
{
  EditorFixture f;
  f.gfx->EnableMouseOver(true);
  f.gfx->AttachControl(new TestControl(IRECT(0, 0, 1000, 270)));
  auto* a = new TestControl(IRECT(0, 0, 100, 100));
  auto* b = new TestControl(IRECT(100, 0, 200, 100));
  f.gfx->AttachControl(a);
  f.gfx->AttachControl(b);
  // The pointer rests 150 points right of the view's left edge: over b at scale 1...
  f.gfx->mouseX = 150.f, f.gfx->mouseY = 50.f;
  f.gfx->OnMouseOver(150, 50, IMouseMod());
  EXPECT_EQ(f.gfx->GetMouseOver(), b);
  // ...over a at scale 2, with nothing moved.
  f.gfx->mouseX = 75.f, f.gfx->mouseY = 25.f;
  f.gfx->Resize(1000, 270, 2.f, true);
  EXPECT_EQ(f.gfx->GetMouseOver(), a);
  EXPECT_EQ(f.gfx->GetMouseOverIdx(), 1);
  EXPECT_EQ(b->events.back(), "out");
  EXPECT_EQ(a->events.back(), "over");
  // A pointer that has left the view hovers nothing.
  f.gfx->OnMouseOut();
  f.gfx->mouseX = 150.f, f.gfx->mouseY = 50.f;
  f.gfx->Resize(1000, 270, 1.f, true);
  EXPECT_EQ(f.gfx->GetMouseOver(), nullptr);
  EXPECT_EQ(b->Count("over"), 1);
}

TEST(InputDispatch, SizeDragFollowsThePointer)
{
  EditorFixture f;
  f.gfx->AttachCornerResizer(new Resizer(IRECT(980, 250, 1000, 270)), kResizerSize, true);
  f.Down(990, 260);
  f.Drag(1200.7f, 300.2f, 210, 40);
  EXPECT_EQ(f.gfx->Width(), 1200);
  EXPECT_EQ(f.gfx->Height(), 300);
  EXPECT_EQ(f.dlg.layouts, 1); // layout on resize
}

TEST(InputDispatch, MultiTouchRefusesASecondTouchOnAHeldControl)
{
  EditorFixture f;
  f.gfx->EnableMultiTouch(true);
  auto* c = new TestControl(IRECT(0, 0, 100, 100));
  f.gfx->AttachControl(c);
  f.gfx->OnMouseDown({f.Point(10, 10, false, 1)});
  f.gfx->OnMouseDown({f.Point(20, 20, false, 2)});
  EXPECT_EQ(c->Count("down"), 1);
  c->SetWantsMultiTouch(true);
  f.gfx->OnMouseDown({f.Point(20, 20, false, 2)});
  EXPECT_EQ(c->Count("down"), 2);
  EXPECT_EQ(f.gfx->GetTouchesForControl(c), (std::vector<uint64_t>{1, 2}));
}

TEST(InputDispatch, TouchCancelAndFocusLossEndTheGesture)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 100, 100), kGain);
  f.gfx->AttachControl(c);
  f.gfx->OnMouseDown({f.Point(10, 10, false, 3)});
  f.gfx->OnTouchCancelled({f.Point(10, 10, false, 3)});
  EXPECT_EQ(c->Count("cancel"), 1);
  EXPECT_EQ(f.dlg.Gestures(), (std::vector<std::string>{"begin 0", "end 0"}));
  f.gfx->OnTouchCancelled({f.Point(10, 10, false, 3)}); // not captured any more: ignored
  EXPECT_EQ(c->Count("cancel"), 1);

  f.dlg.log.clear();
  f.Down(10, 10);
  f.gfx->OnFocusLost();
  EXPECT_EQ(f.dlg.Gestures(), (std::vector<std::string>{"begin 0", "end 0"}));
  f.Up(10, 10); // the release after focus loss ends nothing twice
  EXPECT_EQ(f.dlg.Gestures().size(), 2u);
}

TEST(InputDispatch, DoubleClickWheelDropAndMouseOver)
{
  EditorFixture f;
  f.gfx->EnableMouseOver(true);
  auto* background = new TestControl(IRECT(0, 0, 1000, 270));
  auto* c = new TestControl(IRECT(0, 0, 100, 100), kGain);
  f.gfx->AttachControl(background);
  f.gfx->AttachControl(c);
  EXPECT_TRUE(f.gfx->OnMouseDblClick(10, 10, IMouseMod()));
  EXPECT_EQ(c->events.back(), "dbl");
  EXPECT_FALSE(f.gfx->ControlIsCaptured());
  EXPECT_FALSE(f.gfx->OnMouseDblClick(-5, 10, IMouseMod()));

  c->SetDblAsSingleClick(true);
  f.gfx->OnMouseDblClick(10, 10, IMouseMod(true));
  EXPECT_EQ(c->events.back(), "down");
  f.Up(10, 10);

  f.gfx->OnMouseWheel(10, 10, IMouseMod(), 2.f);
  EXPECT_EQ(c->events.back(), "wheel 2.000000");
  f.gfx->OnMouseWheel(10, 10, IMouseMod(), std::nanf(""));
  EXPECT_EQ(c->events.back(), "wheel 2.000000");
  f.gfx->OnDrop("/tmp/a.wav", 10, 10);
  EXPECT_EQ(c->events.back(), "drop /tmp/a.wav");

  EXPECT_TRUE(f.gfx->OnMouseOver(10, 10, IMouseMod()));
  EXPECT_EQ(f.gfx->GetMouseOver(), c);
  EXPECT_EQ(f.gfx->GetMouseOverIdx(), 1);
  EXPECT_FALSE(f.gfx->OnMouseOver(500, 200, IMouseMod())); // the background is never moused over
  EXPECT_EQ(c->events.back(), "out");
  f.gfx->OnMouseOver(10, 10, IMouseMod());
  f.gfx->SetMouseCursor(kHandCursor);
  f.gfx->OnMouseOut();
  EXPECT_EQ(f.gfx->GetMouseOverIdx(), -1);
  EXPECT_EQ(f.gfx->GetCursorType(), kHandCursor); // kept to show again
}

TEST(InputDispatch, KeysGoToTheControlThenTheHandler)
{
  EditorFixture f;
  auto* background = new TestControl(IRECT(0, 0, 1000, 270));
  auto* c = new TestControl(IRECT(0, 0, 100, 100));
  f.gfx->AttachControl(background);
  f.gfx->AttachControl(c);
  const IKeyPress key("q", 'Q');
  EXPECT_FALSE(f.gfx->OnKeyDown(500, 200, key));
  EXPECT_EQ(background->Count("key"), 0); // the background gets no keys

  std::vector<bool> handled;
  f.gfx->SetKeyHandlerFunc([&](const IKeyPress&, bool isUp) {
    handled.push_back(isUp);
    return true;
  });
  EXPECT_TRUE(f.gfx->OnKeyDown(500, 200, key));
  EXPECT_TRUE(f.gfx->OnKeyDown(10, 10, key)); // the control declines, the handler takes it
  EXPECT_EQ(c->Count("key"), 1);
  c->takesKeys = true;
  EXPECT_TRUE(f.gfx->OnKeyDown(10, 10, key));
  EXPECT_TRUE(f.gfx->OnKeyUp(500, 200, key));
  EXPECT_EQ(handled, (std::vector<bool>{false, false, true}));
}

} // namespace
} // namespace fx::gfx::test
