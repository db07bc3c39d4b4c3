// The Cocoa view as a person uses it: events sent through its window reach the graphics core's
// controls in editor units with the right buttons, click kinds and key codes; the frame timer
// draws only dirty frames; native menus, the text field, the colour panel, tooltips and dropped
// files; the view's life in the host's window.
#include "tests/graphics/mac/MacEditorFixture.h"

#include <CoreGraphics/CGCursorRecord.h>

#include "graphics/EVirtualKeyCode.h"
#include "graphics/mac/IGfxTextField.h"
#include "graphics/mac/MacKeyCodes.h"

namespace fx::gfx::test {
namespace {

/** A control that keeps the positions and buttons it was pressed with. */
class ModControl : public TestControl
{
public:
  using TestControl::TestControl;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override
  {
    TestControl::OnMouseDown(x, y, mod);
    presses.push_back({x, y, 0, 0, mod});
  }
  std::vector<IMouseInfo> presses;
};

class MacViewTest : public MacEditorTest
{
protected:
  /** An editor whose one control covers it (linked to the gain parameter). */
  ModControl* OpenWithControl(int w = 300, int h = 200, float scale = 1.f, int paramIdx = kGain)
  {
    layout = [this, paramIdx](IGfx& g) {
      control = static_cast<ModControl*>(g.AttachControl(new ModControl(g.GetBounds(), paramIdx)));
    };
    OpenInWindow(w, h, scale);
    return control;
  }
  ModControl* control = nullptr;
};

TEST_F(MacViewTest, ClickCountsGiveDownDoubleClickDown)
{
  OpenWithControl();
  for (int clicks = 1; clicks <= 3; ++clicks)
  {
    Send(NSEventTypeLeftMouseDown, 50, 50, 0, clicks);
    Send(NSEventTypeLeftMouseUp, 50, 50, 0, clicks);
  }
  std::vector<std::string> presses;
  for (const std::string& e : control->events)
    if (e == "down" || e == "dbl") presses.push_back(e);
  EXPECT_EQ(presses, (std::vector<std::string>{"down", "dbl", "down"}));
}

TEST_F(MacViewTest, ACommandClickHoldsBothButtonsAndRightClicksOnlyTheRight)
{
  OpenWithControl(300, 200, 1.f, -1); // no parameter: a right press is no context menu
  Send(NSEventTypeLeftMouseDown, 10, 20, NSEventModifierFlagCommand | NSEventModifierFlagShift);
  Send(NSEventTypeLeftMouseUp, 10, 20);
  Send(NSEventTypeRightMouseDown, 10, 20, NSEventModifierFlagOption);
  Send(NSEventTypeRightMouseUp, 10, 20);
  ASSERT_EQ(control->presses.size(), 2u);
  const IMouseMod& command = control->presses[0].ms;
  EXPECT_TRUE(command.L && command.R && command.S);
  EXPECT_FALSE(command.C || command.A);
  const IMouseMod& right = control->presses[1].ms;
  EXPECT_TRUE(!right.L && right.R && right.A);
}

TEST_F(MacViewTest, PositionsArriveInEditorUnitsAtDrawScaleTwo)
{
  OpenWithControl(1000, 270, 2.f);
  EXPECT_EQ(gfx->GetView()->frame().size.width, 2000);
  EXPECT_EQ(gfx->GetView()->frame().size.height, 540);
  Send(NSEventTypeLeftMouseDown, 100, 50);
  Send(NSEventTypeLeftMouseDragged, 120, 70);
  Send(NSEventTypeLeftMouseUp, 120, 70);
  ASSERT_EQ(control->presses.size(), 1u);
  EXPECT_FLOAT_EQ(control->presses[0].x, 50.f);
  EXPECT_FLOAT_EQ(control->presses[0].y, 25.f);
  EXPECT_EQ(control->Count("drag 10,10"), 1); // the movement since the last event
}

TEST_F(MacViewTest, ReleasingOutsideTheViewDeliversTheMouseUpBeforeTheMouseOut)
{
  OpenWithControl();
  Send(NSEventTypeLeftMouseDown, 50, 50);
  Send(NSEventTypeLeftMouseDragged, 150, 150);
  Send(NSEventTypeLeftMouseDragged, 500, 400); // outside the view and the window
  EXPECT_EQ(control->Count("out"), 0);
  Send(NSEventTypeLeftMouseUp, 500, 400);
  const auto up = std::find(control->events.begin(), control->events.end(), "up");
  const auto out = std::find(control->events.begin(), control->events.end(), "out");
  ASSERT_NE(up, control->events.end());
  ASSERT_NE(out, control->events.end());
  EXPECT_LT(up, out);
}

TEST_F(MacViewTest, AHiddenLockedCursorStaysWhereItWasHidden)
{
  OpenWithControl();
  Send(NSEventTypeMouseMoved, 40, 40);
  const NSPoint hiddenAt = NSEvent::mouseLocation();
  gfx->HideMouseCursor(true, true);
  EXPECT_GT(cgx::Cursor().hideCount, 0);
  Send(NSEventTypeLeftMouseDown, 40, 40);
  Send(NSEventTypeLeftMouseDragged, 90, 120);
  // The pointer went back; the drag reports the stored position.
  EXPECT_EQ(NSEvent::mouseLocation().x, hiddenAt.x);
  EXPECT_EQ(NSEvent::mouseLocation().y, hiddenAt.y);
  EXPECT_FLOAT_EQ(gfx->GetView()->prevX(), 40.f);
  EXPECT_FLOAT_EQ(gfx->GetView()->prevY(), 40.f);
  // The drag still carries the hand's movement, from the event itself.
  EXPECT_EQ(control->Count("drag 50,80"), 1);
  Send(NSEventTypeLeftMouseUp, 90, 120);
  gfx->HideMouseCursor(false, false);
  EXPECT_EQ(cgx::Cursor().hideCount, 0);
  EXPECT_EQ(NSEvent::mouseLocation().x, hiddenAt.x);
  EXPECT_EQ(NSEvent::mouseLocation().y, hiddenAt.y);
}

TEST_F(MacViewTest, TheViewFollowsTheScreenScaleAndTheEditorSize)
{
  OpenWithControl(600, 200, 1.f);
  IGfxView_vORBEX9_au* view = gfx->GetView();
  EXPECT_EQ(view->metalLayer()->drawableSize().width, 600);
  nsx::SetMainScreen(NSMakeSize(1920, 1080), 2.0); // the window moves to a denser screen
  EXPECT_EQ(gfx->GetScreenScale(), 2.f);
  EXPECT_EQ(MainPixels().w, 1200);
  EXPECT_EQ(view->metalLayer()->drawableSize().width, 1200);
  gfx->Resize(700, 300, 1.5f, true);
  EXPECT_EQ(view->frame().size.width, 1050);
  EXPECT_EQ(view->frame().size.height, 450);
  EXPECT_EQ(view->metalLayer()->drawableSize().height, 900);
  EXPECT_EQ(MainPixels().h, 900);
}

TEST_F(MacViewTest, TheWindowLosingFocusEndsTheDrag)
{
  OpenWithControl();
  Send(NSEventTypeLeftMouseDown, 50, 50);
  EXPECT_TRUE(gfx->ControlIsCaptured());
  window->resignKeyWindow();
  EXPECT_FALSE(gfx->ControlIsCaptured());
  EXPECT_NE(std::find(dlg.log.begin(), dlg.log.end(), "end 0"), dlg.log.end()); // the host gesture ended
}

TEST_F(MacViewTest, TheCursorMovesInEditorUnits)
{
  OpenWithControl(300, 200, 2.f);
  gfx->MoveMouseCursor(25, 40);
  float x = 0, y = 0;
  gfx->GetMouseLocation(x, y);
  EXPECT_FLOAT_EQ(x, 25.f);
  EXPECT_FLOAT_EQ(y, 40.f);
  // The window's content starts at (100, 100) on the screen, bottom-left origin.
  EXPECT_EQ(NSEvent::mouseLocation().x, 150);
  EXPECT_EQ(NSEvent::mouseLocation().y, 100 + 400 - 80);
}

TEST_F(MacViewTest, KeysAreMappedAndGoToTheEditorAtThePointer)
{
  OpenWithControl();
  std::vector<IKeyPress> keys;
  gfx->SetKeyHandlerFunc([&](const IKeyPress& k, bool) {
    keys.push_back(k);
    return true;
  });
  Send(NSEventTypeMouseMoved, 30, 30);
  Key(kVK_F13);
  Key(kVK_ANSI_A);
  Key(kVK_ANSI_1, NSEventModifierFlagShift); // "!"
  Key(kVK_Tab, NSEventModifierFlagShift);    // back-tab
  Key(kVK_Tab, NSEventModifierFlagShift | NSEventModifierFlagCommand);
  window->sendEvent(NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, 0, 0, window->windowNumber(), nullptr,
                                              NSString::string(), NSString::string(), NO, 10));
  ASSERT_EQ(keys.size(), 6u);
  EXPECT_EQ(keys[0].VK, kVKF1 + 12);
  EXPECT_EQ(keys[1].VK, kVKA);
  EXPECT_STREQ(keys[1].utf8, "a");
  EXPECT_EQ(keys[2].VK, 0);
  EXPECT_FALSE(keys[2].S);
  EXPECT_STREQ(keys[2].utf8, "!");
  EXPECT_EQ(keys[3].VK, 0); // back-tab is no virtual key without command
  EXPECT_EQ(keys[4].VK, kVKTab);
  EXPECT_TRUE(keys[4].C);
  EXPECT_EQ(keys[5].VK, 1034); // no characters: the key code past 1024
}

TEST_F(MacViewTest, TheKeyMapNumbersKeysByCodeThenByCharacter)
{
  const auto map = [](unsigned short keyCode, const char16_t* chars, NSEventModifierFlags flags, int& valid) {
    NSString* s = NSString::stringWithCharacters(reinterpret_cast<const unichar*>(chars),
                                                 std::char_traits<char16_t>::length(chars));
    int bits = 0;
    const int vk = MacKeyCodeToVirtualKey(
      NSEvent::keyEventWithType(NSEventTypeKeyDown, NSZeroPoint, flags, 0, 0, nullptr, s, s, NO, keyCode), bits);
    valid = bits & kMacKeyValid;
    return vk;
  };
  int valid = 0;
  EXPECT_EQ(map(kVK_F13, u"\uF710", 0, valid), 124);
  EXPECT_TRUE(valid);
  EXPECT_EQ(map(kVK_ANSI_KeypadEnter, u"\x03", 0, valid), 0x800D);
  EXPECT_EQ(map(kVK_Tab, u"\x19", NSEventModifierFlagShift, valid), 25);
  EXPECT_FALSE(valid);
  EXPECT_EQ(map(kVK_Tab, u"\x19", NSEventModifierFlagShift | NSEventModifierFlagCommand, valid), 9);
  EXPECT_TRUE(valid);
  EXPECT_EQ(map(kVK_ANSI_Q, u"\u00e9", 0, valid), 0xE9); // a letter above 127
  EXPECT_TRUE(valid);
  EXPECT_EQ(map(0x40, u"\uF713", 0, valid), kVKF1 + 15); // F16 by its character
  EXPECT_EQ(map(10, u"", 0, valid), 1034);
  EXPECT_TRUE(valid);
}

TEST_F(MacViewTest, TheTimerDrawsOnlyDirtyFrames)
{
  OpenWithControl();
  Frame();
  WaitForGPU();
  CAMetalLayer* layer = gfx->GetView()->metalLayer();
  const unsigned long presented = layer->presentCount();
  const int draws = control->draws;
  EXPECT_GT(presented, 0u);
  Frame();
  Frame();
  WaitForGPU();
  EXPECT_EQ(layer->presentCount(), presented);
  EXPECT_EQ(control->draws, draws);
  control->SetDirty(false);
  Frame();
  WaitForGPU();
  EXPECT_EQ(layer->presentCount(), presented + 1);
  EXPECT_EQ(control->draws, draws + 1);
}

TEST_F(MacViewTest, MenusAreNumberedAndAnswerTheChosenMenu)
{
  OpenWithControl();
  IPopupMenu menu("", 2);
  for (int i = 0; i < 12; ++i) menu.AddItem(("Item " + std::to_string(i)).c_str());
  IPopupMenu* sub = new IPopupMenu();
  sub->AddItem("Deep");
  sub->AddItem("Deeper");
  menu.AddItem("More", sub);
  int completions = 0;
  sub->SetFunction([&](IPopupMenu*) { ++completions; });
  responder.chooseMenuPath({12, 1});
  bool async = false;
  IPopupMenu* chosen = gfx->CreatePlatformPopupMenu(menu, IRECT(10, 10, 60, 30), async);
  EXPECT_FALSE(async);
  ASSERT_EQ(chosen, sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
  EXPECT_EQ(completions, 1);
  ASSERT_EQ(responder.log().size(), 1u);
  EXPECT_EQ(responder.log()[0].rfind("menu 01: Item 0|02: Item 1", 0), 0u) << responder.log()[0];
  EXPECT_NE(responder.log()[0].find("12: Item 11"), std::string::npos);
  // Dismissed: nothing chosen.
  responder.dismissMenu();
  EXPECT_EQ(gfx->CreatePlatformPopupMenu(menu, IRECT(10, 10, 60, 30), async), nullptr);
}

TEST_F(MacViewTest, TheTextFieldCommitsOnReturnAndTheWheelDiscardsIt)
{
  OpenWithControl();
  IGfxView_vORBEX9_au* view = gfx->GetView();
  gfx->CreateTextEntryForControl(*control, IText(), IRECT(10, 10, 110, 30), "1.0");
  ASSERT_TRUE(view->textFieldOpen());
  EXPECT_EQ(view->textField()->frame().size.width, 100);
  Key(kVK_ANSI_2);
  Key(kVK_ANSI_X); // refused: not a digit of a number
  Key(kVK_ANSI_Period);
  Key(kVK_ANSI_5);
  Key(kVK_Return);
  EXPECT_FALSE(view->textFieldOpen());
  ASSERT_FALSE(dlg.values.empty());
  EXPECT_NEAR(dlg.GetParam(kGain)->Value(), 2.5, 1e-9);

  gfx->CreateTextEntryForControl(*control, IText(), IRECT(10, 10, 110, 30), "1.0");
  ASSERT_TRUE(view->textFieldOpen());
  Key(kVK_ANSI_7);
  window->sendEvent(nsx::ScrollWheelEvent(Base(50, 50), 0, window->windowNumber(), 0, 1, NO));
  EXPECT_FALSE(view->textFieldOpen());
  EXPECT_NEAR(dlg.GetParam(kGain)->Value(), 2.5, 1e-9);
  EXPECT_EQ(control->Count("wheel 1.000000"), 1);
}

TEST_F(MacViewTest, FormattersLetThroughWhatTheParameterTakes)
{
  auto* doubles = IGfxFormatter_vORBEX9_au::alloc();
  doubles->init();
  doubles->setAcceptableCharacterSet(NSCharacterSet::characterSetWithCharactersInString(NSSTR("0123456789.-+kK")));
  EXPECT_TRUE(doubles->isPartialStringValid(NSSTR("1.5k"), nullptr, nullptr));
  EXPECT_FALSE(doubles->isPartialStringValid(NSSTR("1x"), nullptr, nullptr));
  auto* ints = IGfxFormatter_vORBEX9_au::alloc();
  ints->init();
  ints->setAcceptableCharacterSet(NSCharacterSet::characterSetWithCharactersInString(NSSTR("0123456789-+")));
  ints->setMaximumLength(3);
  ints->setMaximumValue(100);
  EXPECT_FALSE(ints->isPartialStringValid(NSSTR("."), nullptr, nullptr));
  EXPECT_FALSE(ints->isPartialStringValid(NSSTR("1000"), nullptr, nullptr)); // too long
  EXPECT_FALSE(ints->isPartialStringValid(NSSTR("101"), nullptr, nullptr));  // above the maximum
  EXPECT_TRUE(ints->isPartialStringValid(NSSTR("-99"), nullptr, nullptr));
  auto* none = IGfxFormatter_vORBEX9_au::alloc();
  none->init();
  none->setAcceptableCharacterSet(NSCharacterSet::characterSetWithCharactersInString(NSSTR("")));
  EXPECT_FALSE(none->isPartialStringValid(NSSTR("1"), nullptr, nullptr));
  doubles->release();
  ints->release();
  none->release();
}

TEST_F(MacViewTest, TheColourPanelAnswersThroughTheCallback)
{
  OpenWithControl();
  responder.pickColor({1.0, 0.5, 0.0, 1.0});
  IColor picked;
  IColor start(255, 10, 20, 30);
  EXPECT_TRUE(gfx->PromptForColor(start, "", [&](const IColor& c) { picked = c; }));
  EXPECT_EQ(picked, IColor(255, 255, 127, 0));
  // An empty callback: picks are ignored.
  responder.pickColor({0.0, 0.0, 1.0, 1.0});
  EXPECT_TRUE(gfx->PromptForColor(start, "", nullptr));
  NSColorPanel::sharedColorPanel()->pick({0.0, 1.0, 0.0, 1.0});
  CloseEditor();
  EXPECT_EQ(NSColorPanel::sharedColorPanel()->target(), nullptr);
  NSColorPanel::sharedColorPanel()->pick({0.0, 1.0, 0.0, 1.0}); // no view to call
}

TEST_F(MacViewTest, TooltipsFollowTheSwitchAndVisibleControls)
{
  layout = [](IGfx& g) {
    g.AttachControl(new TestControl(g.GetBounds())); // the background
    g.AttachControl(new TestControl(IRECT(0, 0, 100, 100)))->SetTooltip("First");
    g.AttachControl(new TestControl(IRECT(100, 0, 200, 100)));
    IControl* hidden = g.AttachControl(new TestControl(IRECT(200, 0, 300, 100)));
    hidden->SetTooltip("Hidden");
    hidden->Hide(true);
  };
  OpenInWindow();
  EXPECT_TRUE(gfx->GetView()->toolTipAreas().empty());
  gfx->EnableTooltips(true);
  ASSERT_EQ(gfx->GetView()->toolTipAreas().size(), 1u);
  EXPECT_EQ(gfx->GetView()->toolTipAreas()[0].rect.size.width, 100);
  gfx->EnableMouseOver(true);
  Send(NSEventTypeMouseMoved, 50, 50);
  EXPECT_EQ(gfx->GetView()->toolTipAtPoint(NSMakePoint(50, 50))->utf8(), "First");
  gfx->EnableTooltips(false);
  EXPECT_TRUE(gfx->GetView()->toolTipAreas().empty());
}

TEST_F(MacViewTest, DroppedFilesReachTheControlUnderThePointer)
{
  OpenWithControl();
  EXPECT_TRUE(window->dropFiles(NSArray::arrayWithObject(NSSTR("/tmp/song.wav")), Base(20, 20)));
  EXPECT_EQ(control->Count("drop /tmp/song.wav"), 1);
}

TEST_F(MacViewTest, ASecondOpeningClosesTheFirstView)
{
  OpenWithControl();
  IGfxView_vORBEX9_au* first = gfx->GetView();
  first->retain();
  EXPECT_EQ(first->superview(), window->contentView());
  gfx->OpenWindow(window->contentView());
  EXPECT_NE(gfx->GetView(), first);
  EXPECT_EQ(first->superview(), nullptr);
  EXPECT_FALSE(first->timerRunning());
  EXPECT_EQ(first->graphics(), nullptr);
  EXPECT_EQ(window->contentView()->subviewList().size(), 1u);
  first->release();
}

TEST_F(MacViewTest, TheHostRemovingTheViewClosesTheEditor)
{
  MakeWindow();
  const long before = nsx::LiveObjectCount();
  {
    nsx::AutoreleasePool inner;
    OpenWithControl();
    Frame();
    gfx->GetView()->removeFromSuperview();
  }
  EXPECT_EQ(dlg.GetGraphics(), nullptr);
  EXPECT_TRUE(dlg.GetSizeSaved());
  gfx = nullptr;
  EXPECT_EQ(nsx::LiveObjectCount(), before);
}

TEST_F(MacViewTest, CursorKindsShowTheirSystemCursors)
{
  OpenWithControl();
  const auto shown = [&](ECursor kind) {
    gfx->SetMouseCursor(kind);
    return NSCursor::currentCursor()->kind();
  };
  EXPECT_EQ(shown(kIBeamCursor), "ibeam");
  EXPECT_EQ(shown(kHandCursor), "pointing-hand");
  EXPECT_EQ(shown(kSizeNWSECursor), "resize-nwse");
  EXPECT_EQ(shown(kSizeNSCursor), "resize-ns");
  EXPECT_EQ(shown(static_cast<ECursor>(42)), "arrow");
  EXPECT_EQ(shown(kSizeAllCursor), "arrow"); // the system's move-cursor files are not here
  EXPECT_EQ(gfx->SetMouseCursor(kArrowCursor), kSizeAllCursor);
}

} // namespace
} // namespace fx::gfx::test
