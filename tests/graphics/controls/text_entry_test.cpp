// The in-editor text field through the editor: opening, keys and their filters by parameter
// kind, the command shortcuts and clipboard, pointer and edit menu, committing and dismissing,
// the caret's blink, and characters beyond 16 bits.

#include "graphics/EVirtualKeyCode.h"
#include "graphics/controls/IControlLibrary.h"
#include "graphics/controls/ITextEntryControl.h"
#include "tests/graphics/controls/ControlTestSupport.h"

namespace fx::gfx::test {
namespace {

struct TextEntry : ControlFixture
{
  TextEntry()
  {
    RegisterControlLibrary();
    gfx->AttachTextEntryControl();
    entry = static_cast<ITextEntryControl*>(gfx->GetTextEntryControl());
  }
  /** Opens the field for a control of that parameter (-1: none) over (100, 100, 200, 120). */
  TestControl* Open(int paramIdx, const char* str, int align = kAlignNear)
  {
    auto* owner = Attach(new TestControl(IRECT(0, 0, 50, 50), paramIdx));
    IText text(14.f, kColorBlack, nullptr, align, kVAlignMiddle);
    gfx->CreateTextEntryForControl(*owner, text, IRECT(100, 100, 200, 120), str, 0);
    return owner;
  }
  bool Key(int vk, const char* utf8 = "", bool shift = false, bool cmd = false, bool alt = false)
  {
    return gfx->OnKeyDown(150, 110, IKeyPress(utf8, vk, shift, cmd, alt));
  }
  bool Type(char c)
  {
    const char s[2] = {c, 0};
    int vk = kVKNone;
    if (c >= '0' && c <= '9') vk = kVK0 + (c - '0');
    else if (c >= 'a' && c <= 'z') vk = kVKA + (c - 'a');
    return Key(vk, s);
  }
  std::string Text() const { return entry->GetText(); }

  ITextEntryControl* entry = nullptr;
};

TEST_F(TextEntry, OpensWithEverythingSelectedAndNoCaret)
{
  Open(kGain, "12.5");
  EXPECT_TRUE(entry->GetEditing());
  EXPECT_EQ(entry->GetSelectStart(), 0);
  EXPECT_EQ(entry->GetSelectEnd(), 4);
  EXPECT_EQ(entry->GetCursor(), 0);
  const std::vector<Call> fills = CallsOf(DrawAllCalls(), "PathFill");
  int faint = 0, solid = 0;
  for (const Call& c : fills)
  {
    faint += c.a.back() == static_cast<double>(0.2f);
    solid += c.a[3] == 255 && c.a[4] == 0 && c.a.back() == 1.0; // black at full strength: a caret
  }
  EXPECT_EQ(faint, 1);
  EXPECT_EQ(solid, 0);
}

TEST_F(TextEntry, DoubleParameterTakesDigitsSignsPointAndSpace)
{
  Open(kGain, "0");
  EXPECT_TRUE(Type('1'));
  EXPECT_TRUE(Type('.'));
  EXPECT_TRUE(Key(kVKNumpad0 + 5, "5"));
  EXPECT_TRUE(Type('-'));
  EXPECT_FALSE(Type('a'));
  EXPECT_TRUE(Key(kVKSpace, " "));
  EXPECT_EQ(Text(), "1.5- ");
}

TEST_F(TextEntry, IntParameterRefusesThePointAndShiftedDigits)
{
  Open(kSteps, "");
  EXPECT_FALSE(Type('.'));
  EXPECT_TRUE(Key(kVKNumpad0 + 3, "3"));
  EXPECT_FALSE(Key(kVK0 + 1, "!", true));
  EXPECT_TRUE(Key(kVK0 + 6, "-", true)); // a layout whose shifted digit is a sign
  EXPECT_TRUE(Key(kVKNone, "+", true));
  EXPECT_EQ(Text(), "3-+");
}

TEST_F(TextEntry, WithoutParameterEveryCharacterGoesIn)
{
  Open(-1, "");
  EXPECT_TRUE(Type('a'));
  EXPECT_TRUE(Key(kVKNone, "\xC3\xA9")); // é
  EXPECT_EQ(Text(), "a\xC3\xA9");
}

TEST_F(TextEntry, CommandShortcutsAreAlwaysHandled)
{
  Open(-1, "");
  for (int letter : {'A', 'C', 'V', 'X', 'Z'}) EXPECT_TRUE(Key(kVKA + (letter - 'A'), "", false, true)) << letter;
  EXPECT_EQ(Text(), "");
  EXPECT_FALSE(Key(kVKA + ('B' - 'A'), "b", false, true)); // inserts nothing
}

TEST_F(TextEntry, ClipboardCutCopyPasteAndUndo)
{
  Open(-1, "hello");
  EXPECT_TRUE(Key(kVKA + ('C' - 'A'), "", false, true));
  EXPECT_EQ(gfx->clipboard, "hello");
  Key(kVKEnd);
  gfx->clipboard = "!!";
  Key(kVKA + ('V' - 'A'), "", false, true);
  EXPECT_EQ(Text(), "hello!!");
  Key(kVKLeft, "", true);
  Key(kVKLeft, "", true);
  Key(kVKA + ('X' - 'A'), "", false, true);
  EXPECT_EQ(gfx->clipboard, "!!");
  EXPECT_EQ(Text(), "hello");
  Key(kVKA + ('Z' - 'A'), "", false, true);
  EXPECT_EQ(Text(), "hello!!");
  Key(kVKA + ('Z' - 'A'), "", true, true);
  EXPECT_EQ(Text(), "hello");
  // A failing clipboard read leaves the text as it is.
  gfx->clipboard.clear();
  Key(kVKA + ('V' - 'A'), "", false, true);
  EXPECT_EQ(Text(), "hello");
}

TEST_F(TextEntry, TakesNoMoreThanItsControlsLength)
{
  // The test controls ask for 7 characters, as the editor's controls do by default.
  Open(-1, "");
  for (char c : std::string("abcdefg")) EXPECT_TRUE(Type(c)) << c;
  EXPECT_FALSE(Type('h'));
  EXPECT_EQ(Text(), "abcdefg");
  // At the limit a selection is still replaced; a character without room changes nothing,
  // not even the selection it would have replaced.
  Key(kVKLeft, "", true);
  EXPECT_TRUE(Type('x'));
  EXPECT_EQ(Text(), "abcdefx");
  Key(kVKLeft, "", true);
  EXPECT_FALSE(Key(kVKNone, "\xF0\x9F\x8E\xB5")); // two units for one
  EXPECT_EQ(Text(), "abcdefx");
  EXPECT_EQ(entry->GetSelectStart(), 7);
  EXPECT_EQ(entry->GetSelectEnd(), 6);
  // A paste takes what fits once the selection has gone, and splits no pair.
  Key(kVKA + ('A' - 'A'), "", false, true);
  gfx->clipboard = "123456\xF0\x9F\x8E\xB5!";
  Key(kVKA + ('V' - 'A'), "", false, true);
  EXPECT_EQ(Text(), "123456");
  gfx->clipboard = "\xF0\x9F\x8E\xB5";
  Key(kVKA + ('V' - 'A'), "", false, true);
  EXPECT_EQ(Text(), "123456");
  Key(kVKBack);
  Key(kVKA + ('V' - 'A'), "", false, true);
  EXPECT_EQ(Text(), "12345\xF0\x9F\x8E\xB5");
  // A text opened longer than the limit is shown whole and may only shrink.
  Open(-1, "123456789");
  Key(kVKEnd);
  EXPECT_FALSE(Type('0'));
  Key(kVKBack);
  EXPECT_EQ(Text(), "12345678");
  Key(kVKA + ('A' - 'A'), "", false, true);
  EXPECT_TRUE(Type('0'));
  EXPECT_EQ(Text(), "0");
}

TEST_F(TextEntry, AKeyMeasuresOnlyTheCharactersAroundIt)
{
  auto* owner = Attach(new TestControl(IRECT(0, 0, 50, 50), -1));
  owner->SetTextEntryLength(2000);
  gfx->CreateTextEntryForControl(*owner, IText(14.f), IRECT(100, 100, 200, 120), "", 0);
  const auto measuresOfOneKey = [&](char c) {
    gfx->Clear();
    EXPECT_TRUE(Type(c));
    return CallsOf(gfx->calls, "DoMeasureText").size();
  };
  for (int i = 0; i < 10; ++i) Type('a');
  const size_t shortText = measuresOfOneKey('b');
  EXPECT_GT(shortText, 0u);
  for (int i = 0; i < 1500; ++i) Type('a');
  EXPECT_EQ(measuresOfOneKey('b'), shortText);
  Key(kVKHome);
  EXPECT_LE(measuresOfOneKey('c'), 8u);
  Key(kVKRight);
  EXPECT_LE(measuresOfOneKey('d'), 8u);
  // The widths kept through insertions and deletions (a pair among them) are those the
  // whole text measures afresh.
  Key(kVKRight);
  EXPECT_TRUE(Key(kVKNone, "\xF0\x9F\x8E\xB5"));
  Key(kVKRight);
  Key(kVKBack);
  Key(kVKEnd);
  EXPECT_EQ(entry->GetLength(), 1515);
  const float kept = entry->GetCaretX();
  entry->SetText(entry->GetText().c_str());
  EXPECT_FLOAT_EQ(entry->GetCaretX(), kept);
}

TEST_F(TextEntry, TabIsNeverHandledAndUpDownMoveLikeLeftRight)
{
  Open(-1, "abc");
  EXPECT_FALSE(Key(kVKTab, "\t"));
  Key(kVKRight);
  EXPECT_EQ(entry->GetCursor(), 3);
  Key(kVKUp);
  EXPECT_EQ(entry->GetCursor(), 2);
  Key(kVKDown);
  EXPECT_EQ(entry->GetCursor(), 3);
  Key(kVKHome);
  EXPECT_EQ(entry->GetCursor(), 0);
}

TEST_F(TextEntry, ReturnCommitsTheTextAndNothingFollowsIt)
{
  TestControl* owner = Open(kGain, "0");
  Type('1');
  Type('.');
  Type('5');
  EXPECT_TRUE(Key(kVKReturn, "\r"));
  EXPECT_FALSE(entry->GetEditing());
  EXPECT_EQ(Text(), "1.5");
  EXPECT_DOUBLE_EQ(owner->GetValue(), 13.5 / 24.0);
  EXPECT_EQ(gfx->GetControlInTextEntry(), nullptr);
  EXPECT_TRUE(entry->GetRECT().Empty());
}

TEST_F(TextEntry, EscapeAndFocusLossCloseWithoutCommitting)
{
  TestControl* owner = Open(-1, "draft");
  EXPECT_TRUE(Key(kVKEscape, "\x1b"));
  EXPECT_FALSE(entry->GetEditing());
  EXPECT_EQ(Text(), "draft");
  EXPECT_EQ(owner->Count("text draft"), 0);
  EXPECT_EQ(gfx->GetControlInTextEntry(), nullptr);

  Open(-1, "again");
  gfx->OnFocusLost();
  EXPECT_FALSE(entry->GetEditing());
  EXPECT_EQ(gfx->GetControlInTextEntry(), nullptr);
}

TEST_F(TextEntry, PressOutsideCommitsAndPressInsidePlacesTheCursor)
{
  TestControl* owner = Open(-1, "abcd");
  // Left-aligned, 6 units a character: a press at 113 lands after the second.
  Click(113, 110);
  EXPECT_EQ(entry->GetCursor(), 2);
  EXPECT_EQ(entry->GetSelectStart(), entry->GetSelectEnd());
  // A drag selects from there.
  Down(103, 110);
  Drag(121, 110, 18, 0);
  Up(121, 110);
  EXPECT_EQ(entry->GetSelectStart(), 1);
  EXPECT_EQ(entry->GetSelectEnd(), 4);
  gfx->OnMouseDblClick(110, 110, IMouseMod(true));
  EXPECT_EQ(entry->GetSelectEnd(), 4);
  EXPECT_EQ(entry->GetSelectStart(), 0);
  Click(300, 250);
  EXPECT_FALSE(entry->GetEditing());
  EXPECT_EQ(owner->Count("text abcd"), 1);
}

TEST_F(TextEntry, RightPressOpensTheEditMenuForThisField)
{
  Open(-1, "abc");
  gfx->menuChoice = 1; // "Copy"
  Down(150, 110, true);
  const Call* shown = gfx->Find("CreatePlatformPopupMenu");
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->a, (std::vector<double>{150, 110, 150, 110, 3}));
  EXPECT_STREQ(gfx->lastMenu->GetItemText(2), "Paste");
  gfx->lastMenu->ExecFunction(); // as the platform's menu does with a choice
  EXPECT_EQ(gfx->clipboard, "abc");
  EXPECT_TRUE(entry->GetEditing());
}

TEST_F(TextEntry, EditMenuAnsweringAfterTheFieldWentDoesNothing)
{
  Open(-1, "abc");
  gfx->menuAsync = true;
  Down(150, 110, true);
  IPopupMenu* shown = gfx->lastMenu;
  ASSERT_NE(shown, nullptr);
  gfx->RemoveTextEntryControl();
  EXPECT_EQ(gfx->GetControlInPopupMenu(), nullptr);
  shown->SetChosenItemIdx(0);
  shown->ExecFunction(); // the field is gone: nothing to cut
  gfx->clipboard = "fresh";

  gfx->AttachTextEntryControl();
  entry = static_cast<ITextEntryControl*>(gfx->GetTextEntryControl());
  Open(-1, "new");
  Down(150, 110, true);
  gfx->lastMenu->SetChosenItemIdx(2);
  gfx->lastMenu->ExecFunction();
  EXPECT_EQ(Text(), "fresh");
}

TEST_F(TextEntry, EachEntryStartsWithoutUndoSteps)
{
  Open(-1, "");
  Type('a');
  Type('b');
  Type('c');
  Key(kVKReturn);
  Open(-1, "5");
  EXPECT_TRUE(Key(kVKA + ('Z' - 'A'), "", false, true));
  EXPECT_EQ(Text(), "5");
  Key(kVKA + ('Z' - 'A'), "", true, true);
  EXPECT_EQ(Text(), "5");
}

TEST_F(TextEntry, CaretBlinksWhileOpenAndAClosedFieldRestsQuietly)
{
  Open(-1, "abc");
  Key(kVKRight);
  EXPECT_TRUE(entry->GetCaretVisible());
  Tick(400);
  EXPECT_TRUE(entry->GetCaretVisible());
  Tick(200);
  EXPECT_FALSE(entry->GetCaretVisible());
  Tick(401);
  EXPECT_TRUE(entry->GetCaretVisible());

  Key(kVKReturn);
  EXPECT_FALSE(entry->GetAnimating());
  gfx->SetAllControlsClean();
  Tick(1001);
  IRECTList rects;
  EXPECT_FALSE(gfx->IsDirty(rects));
}

TEST_F(TextEntry, CaretAfterCentredTextSitsHalfItsWidthRightOfCentre)
{
  Open(-1, "abcd", kAlignCenter);
  Key(kVKEnd);
  EXPECT_FLOAT_EQ(entry->GetCaretX(), 150.f + 12.f);
}

TEST_F(TextEntry, CharactersBeyondSixteenBitsAreOneCharacter)
{
  TestControl* owner = Open(-1, "");
  const char* emoji = "\xF0\x9F\x8E\xB5"; // U+1F3B5
  Type('a');
  EXPECT_TRUE(Key(kVKNone, emoji));
  Type('b');
  EXPECT_EQ(entry->GetLength(), 4);
  EXPECT_EQ(Text(), std::string("a") + emoji + "b");
  Key(kVKLeft);
  Key(kVKLeft);
  EXPECT_EQ(entry->GetCursor(), 1); // over the pair in one step
  Key(kVKRight);
  EXPECT_EQ(entry->GetCursor(), 3);
  Key(kVKBack);
  EXPECT_EQ(Text(), "ab");
  gfx->clipboard = std::string(emoji) + emoji;
  Key(kVKA + ('V' - 'A'), "", false, true);
  Key(kVKDelete);
  EXPECT_EQ(Text(), std::string("a") + emoji + emoji);
  Key(kVKLeft, "", true);
  Key(kVKDelete);
  EXPECT_EQ(Text(), std::string("a") + emoji);
  Key(kVKReturn);
  EXPECT_EQ(owner->Count(std::string("text a") + emoji), 1);
}

} // namespace
} // namespace fx::gfx::test
