#pragma once
// The in-editor text field: a single-line editor drawn inside the editor instead of a platform
// text field. The editor opens it over a rectangle with a string (all of it selected); keys,
// pointer, an edit menu and the clipboard edit it; Return or a press outside hands the text back
// to the editor, Escape closes it without a result. The caret blinks once a second. Text is kept
// as UTF-16; characters beyond 16 bits are stored as surrogate pairs, which the cursor, the
// selection and deletion treat as one character. The field takes at most the length its control
// asks for; a key costs the same however long the text is (only the widths of the characters
// around a change are measured again). Main thread only.

#include "graphics/ISpecialControls.h"
#include "graphics/controls/ITextEntryEngine.h"

#include <memory>
#include <string>
#include <vector>

namespace fx::gfx {

class ITextEntryControl : public ITextEntryControlBase
{
public:
  ITextEntryControl();
  ~ITextEntryControl() override;

  /** Opens over bounds with str, all of it selected; the style's entry colours are used. The
   *  text may grow to length UTF-16 units (as a platform field's formatter counts them; 0 or
   *  less: kMaxEntryLength); a longer str is shown whole and may only shrink. The parameter is
   *  not looked at: the editor's record of the requesting control decides which characters are
   *  accepted. */
  void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str) override;
  /** Closes and hands the text to the editor. */
  void CommitEdit();
  /** Closes without a result. */
  void DismissEdit();

  void Cut();
  void Copy();
  void Paste();
  void SelectAll();

  /** The most a field without a length of its own takes: far more than one line shows. */
  static constexpr int kMaxEntryLength = 256;

  /** Replaces the text (cursor and selection are not touched) and forgets the widths. */
  void SetText(const char* utf8);
  std::string GetText() const { return Utf8(); }

  // --- Input ---
  /** Commits a press outside the field; places the cursor (left button) or opens the edit menu
   *  (right button) inside it. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  /** True when the key was used. Tab is never used. */
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  /** Hiding an open field dismisses it. */
  void Hide(bool hide) override;

  void Draw(IGfx& g) override;
  /** Starts the next blink while editing; a closed field stops blinking. */
  void OnEndAnimation() override;

  // --- Widths and layout (also the engine's callbacks) ---
  /** Width of c drawn after previous (0: none), kerning included. */
  float MeasureCharWidth(char16_t c, char16_t previous);
  /** Measures every unit whose width is not known. */
  void FillCharWidthCache();
  /** The text changed at pos: removed units went, inserted units came. */
  void OnTextChange(int pos, int removed, int inserted);
  void OnStateChanged() { SetDirty(false); }
  int GetLength() const { return static_cast<int>(mEditString.size()); }
  int GetMaxLength() const { return mMaxLength; }
  char16_t GetChar(int i) const;
  float GetCharWidth(int row, int i);
  void Layout(textedit::StbTexteditRow* row, int start);
  int InsertChars(int pos, const char16_t* text, int n);
  int DeleteChars(int pos, int n);

  // --- State read by tests and subclasses ---
  bool GetCaretVisible() const { return mCaretVisible; }
  void ShowCaret() { mCaretVisible = true; }
  /** Hides the caret and redraws. */
  void HideCaret()
  {
    mCaretVisible = false;
    SetDirty(false);
  }
  int GetCursor() const { return mEditState.cursor; }
  int GetSelectStart() const { return mEditState.select_start; }
  int GetSelectEnd() const { return mEditState.select_end; }
  bool GetOverwrite() const { return mEditState.insert_mode != 0; }
  const std::u16string& GetEditString() const { return mEditString; }
  /** The caret's x for the current cursor. */
  float GetCaretX();

protected:
  /** Runs an engine operation; true (and a redraw) when the edit state changed. A cursor or
   *  selection end left inside a surrogate pair moves out of it, away from where it came. */
  template <class F>
  bool CallEngine(F&& op);
  /** Sends one key code to the engine; a character beyond 16 bits goes in as a pair. */
  bool SendKey(uint32_t code);
  /** Widens an empty selection over the surrogate pair a deletion would split. */
  void SelectPairToDelete(bool backward);
  /** The number of units the text would have after the key code went in; the text's length for
   *  a code that inserts nothing. */
  int LengthAfterKey(uint32_t code) const;
  /** The width of current drawn after previous (UTF-8; previous may be empty). */
  float MeasureAfter(const std::string& current, const std::string& previous);
  /** The width of the unit at i after the character before it; 0 for a pair's second unit. */
  float UnitWidth(int i);
  /** The width of the units before position i. */
  float WidthBefore(int i);
  std::string Utf8() const;
  void Close();
  /** The menu of the right button, bound to this field for each showing. */
  void ShowEditMenu(float x, float y);

  bool mCaretVisible = false;
  int mMaxLength = kMaxEntryLength;
  textedit::STB_TexteditState mEditState;
  std::vector<float> mCharWidths;  // one per unit; emptied when they are to be measured anew
  std::u16string mEditString;
  /** Cleared when the field goes, so a menu choice arriving later reaches no deleted field. */
  std::shared_ptr<ITextEntryControl*> mSelf;
};

} // namespace fx::gfx
