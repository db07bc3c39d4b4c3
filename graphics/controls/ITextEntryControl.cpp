#include "graphics/controls/ITextEntryControl.h"

#include "core/IParam.h"
#include "graphics/EVirtualKeyCode.h"
#include "graphics/IGfx.h"
#include "graphics/IPopupMenu.h"
#include "graphics/controls/Utf16Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fx::gfx {

using namespace textedit;

namespace {

constexpr int kBlinkMs = 1000;
constexpr float kSelectionAlpha = 0.2f;

void CaretStep(IControl* caller)
{
  auto* entry = static_cast<ITextEntryControl*>(caller);
  const double p = entry->GetAnimationProgress();
  if (p > 0.5) entry->HideCaret();
  if (p > 1.0) entry->OnEndAnimation();
}

void CaretBlinkAction(IControl* caller)
{
  static_cast<ITextEntryControl*>(caller)->ShowCaret();
  caller->SetAnimation(CaretStep);
  caller->StartAnimation(kBlinkMs, true);
}

/** The code a key of a numeric parameter sends: digits, signs and (for doubles) the point; any
 *  other key as its virtual key, which inserts nothing. */
uint32_t NumericKeyCode(const IKeyPress& key, uint32_t ch, bool allowPoint)
{
  const bool digit = (key.VK >= kVK0 && key.VK <= kVK9 && !key.S) || (key.VK >= kVKNumpad0 && key.VK <= kVKNumpad9);
  if (digit || ch == '+' || ch == '-' || (allowPoint && ch == '.')) return ch;
  return kKeyVirtual | static_cast<uint32_t>(key.VK);
}

} // namespace

ITextEntryControl::ITextEntryControl() : mSelf(std::make_shared<ITextEntryControl*>(this))
{
  SetActionFunction(CaretBlinkAction);
  InitState(mEditState);
}

ITextEntryControl::~ITextEntryControl() = default;

// ------------------------------------------------------------------------------------ Engine

template <class F>
bool ITextEntryControl::CallEngine(F&& op)
{
  STB_TexteditState before;
  std::memcpy(&before, &mEditState, sizeof before);
  op();
  // Never leave a position between the two halves of a pair.
  const int n = GetLength();
  const bool back = mEditState.cursor < before.cursor;
  for (int* p : {&mEditState.cursor, &mEditState.select_start, &mEditState.select_end})
  {
    if (*p > 0 && *p < n && IsLowSurrogate(mEditString[static_cast<size_t>(*p)]) &&
        IsHighSurrogate(mEditString[static_cast<size_t>(*p - 1)]))
      *p += back ? -1 : 1;
  }
  if (std::memcmp(&before, &mEditState, sizeof before) == 0) return false;
  OnStateChanged();
  return true;
}

void ITextEntryControl::SelectPairToDelete(bool backward)
{
  const int c = mEditState.cursor, n = GetLength();
  if (mEditState.select_start != mEditState.select_end) return;
  const auto at = [this](int i) { return mEditString[static_cast<size_t>(i)]; };
  if (backward && c >= 2 && c <= n && IsLowSurrogate(at(c - 1)) && IsHighSurrogate(at(c - 2)))
  {
    mEditState.select_start = c - 2;
    mEditState.select_end = c;
  }
  else if (!backward && c >= 0 && c + 1 < n && IsHighSurrogate(at(c)) && IsLowSurrogate(at(c + 1)))
  {
    mEditState.select_start = c;
    mEditState.select_end = c + 2;
  }
}

int ITextEntryControl::LengthAfterKey(uint32_t code) const
{
  const int n = GetLength();
  const int ch = (code & (kKeyVirtual | kKeyCommand)) ? -1 : static_cast<int>(code & 0x0FFFFFFFu);
  if (ch <= 0) return n;
  const int c = mEditState.cursor;
  int removed = std::abs(mEditState.select_end - mEditState.select_start);
  if (removed == 0 && mEditState.insert_mode && c >= 0 && c < n)
  {
    const bool pair = c + 1 < n && IsHighSurrogate(mEditString[static_cast<size_t>(c)]) &&
                      IsLowSurrogate(mEditString[static_cast<size_t>(c + 1)]);
    removed = pair ? 2 : 1;
  }
  return n - removed + (ch > 0xFFFF ? 2 : 1);
}

bool ITextEntryControl::SendKey(uint32_t code)
{
  // A character the field has no room for changes nothing (not even the selection it would
  // replace); a text opened longer than the limit may only shrink.
  const int after = LengthAfterKey(code);
  if (after > GetLength() && after > mMaxLength) return false;
  const uint32_t plain = code & ~kKeyShift;
  if (plain == (kKeyVirtual | kVKBack) || plain == (kKeyVirtual | kVKDelete))
  {
    const bool backward = plain == (kKeyVirtual | kVKBack);
    return CallEngine([&] {
      SelectPairToDelete(backward);
      Key(this, mEditState, code);
    });
  }
  const int ch = (code & (kKeyVirtual | kKeyCommand)) ? -1 : static_cast<int>(code & 0x0FFFFFFFu);
  if (ch > 0xFFFF || (ch > 0 && mEditState.insert_mode))
  {
    // A pair goes in whole, and overwriting replaces a whole pair at the cursor.
    return CallEngine([&] {
      if (mEditState.insert_mode) SelectPairToDelete(false);
      if (ch > 0xFFFF)
      {
        const std::u16string pair = CodePointToUtf16(static_cast<uint32_t>(ch));
        textedit::Paste(this, mEditState, pair.data(), static_cast<int>(pair.size()));
      }
      else
      {
        Key(this, mEditState, code);
      }
    });
  }
  return CallEngine([&] { Key(this, mEditState, code); });
}

// ------------------------------------------------------------------------------------ Opening, closing

void ITextEntryControl::CreateTextEntry(int /*paramIdx*/, const IText& text, const IRECT& bounds, int length,
                                        const char* str)
{
  if (mHide) IControl::Hide(false);
  SetTargetAndDrawRECTs(bounds);
  mText = text;
  mText.mFGColor = text.mTextEntryFGColor;
  mMaxLength = length > 0 ? length : kMaxEntryLength;
  SetText(str);
  // Each entry starts with no history: steps of an earlier text would point past this one.
  ClearUndo(mEditState);
  mEditState.has_preferred_x = 0;
  SelectAll();
  mEditState.cursor = 0;
  FillCharWidthCache();
  SetDirty(true);
  mEditing = true;
}

void ITextEntryControl::Close()
{
  mEditing = false;
  mCaretVisible = false;
  SetAnimation(nullptr);
  SetTargetAndDrawRECTs(IRECT());
}

void ITextEntryControl::CommitEdit()
{
  if (!mEditing) return;
  const std::string text = Utf8();
  Close();
  if (IGfx* ui = GetUI())
  {
    ui->SetControlValueAfterTextEdit(text.c_str());
    ui->SetAllControlsDirty();
  }
}

void ITextEntryControl::DismissEdit()
{
  if (!mEditing) return;
  Close();
  if (IGfx* ui = GetUI())
  {
    ui->ClearInTextEntryControl();
    ui->SetAllControlsDirty();
  }
}

void ITextEntryControl::Hide(bool hide)
{
  if (hide && mEditing) DismissEdit();
  else IControl::Hide(hide);
}

void ITextEntryControl::OnEndAnimation()
{
  if (mEditing) SetDirty(true);
  else SetAnimation(nullptr);
}

// ------------------------------------------------------------------------------------ Text

void ITextEntryControl::SetText(const char* utf8)
{
  mEditString = Utf8ToUtf16(utf8);
  mCharWidths.clear();
}

std::string ITextEntryControl::Utf8() const { return Utf16ToUtf8(mEditString); }

char16_t ITextEntryControl::GetChar(int i) const
{
  return i >= 0 && i < GetLength() ? mEditString[static_cast<size_t>(i)] : u'\0';
}

int ITextEntryControl::InsertChars(int pos, const char16_t* text, int n)
{
  if (pos < 0 || pos > GetLength() || n < 0) return 0;
  mEditString.insert(static_cast<size_t>(pos), text, static_cast<size_t>(n));
  OnTextChange(pos, 0, n);
  return 1;
}

int ITextEntryControl::DeleteChars(int pos, int n)
{
  if (pos < 0 || pos > GetLength() || n < 0) return 0;
  n = std::min(n, GetLength() - pos);
  mEditString.erase(static_cast<size_t>(pos), static_cast<size_t>(n));
  OnTextChange(pos, n, 0);
  return 1;
}

void ITextEntryControl::SelectAll()
{
  CallEngine([this] {
    mEditState.select_start = 0;
    mEditState.select_end = GetLength();
  });
}

void ITextEntryControl::Copy()
{
  const int a = std::min(mEditState.select_start, mEditState.select_end);
  const int b = std::max(mEditState.select_start, mEditState.select_end);
  if (a == b || !GetUI()) return;
  const int n = GetLength();
  const int lo = std::clamp(a, 0, n), hi = std::clamp(b, 0, n);
  GetUI()->SetTextInClipboard(Utf16ToUtf8(mEditString.data() + lo, static_cast<size_t>(hi - lo)).c_str());
}

void ITextEntryControl::Cut()
{
  Copy();
  CallEngine([this] { textedit::Cut(this, mEditState); });
}

void ITextEntryControl::Paste()
{
  FxString text;
  if (!GetUI() || !GetUI()->GetTextFromClipboard(text)) return;
  std::u16string units = Utf8ToUtf16(text.Get());
  // As much as there is room for once the selection has gone, without splitting a pair.
  const int selected = std::abs(mEditState.select_end - mEditState.select_start);
  const int room = std::max(mMaxLength - (GetLength() - selected), 0);
  if (static_cast<int>(units.size()) > room)
  {
    size_t keep = static_cast<size_t>(room);
    if (keep > 0 && IsHighSurrogate(units[keep - 1])) --keep;
    units.resize(keep);
  }
  if (units.empty()) return;
  CallEngine([&] { textedit::Paste(this, mEditState, units.data(), static_cast<int>(units.size())); });
}

// ------------------------------------------------------------------------------------ Widths and layout

float ITextEntryControl::MeasureAfter(const std::string& current, const std::string& previous)
{
  IGfx* ui = GetUI();
  if (!ui) return 0.f;
  IRECT r;
  const float w = ui->MeasureText(mText, (previous + current).c_str(), r);
  return previous.empty() ? w : w - ui->MeasureText(mText, previous.c_str(), r);
}

float ITextEntryControl::MeasureCharWidth(char16_t c, char16_t previous)
{
  return MeasureAfter(Utf16ToUtf8(&c, 1), previous ? Utf16ToUtf8(&previous, 1) : std::string());
}

float ITextEntryControl::UnitWidth(int i)
{
  // A surrogate pair is measured whole on its first unit; its second unit is 0 wide.
  const int n = GetLength();
  const auto at = [this](int k) { return mEditString[static_cast<size_t>(k)]; };
  const auto pairAt = [&](int k) { return k >= 0 && k + 1 < n && IsHighSurrogate(at(k)) && IsLowSurrogate(at(k + 1)); };
  if (pairAt(i - 1)) return 0.f;
  const int previous = std::max(pairAt(i - 2) ? i - 2 : i - 1, 0);
  const std::string before = Utf16ToUtf8(mEditString.data() + previous, static_cast<size_t>(i - previous));
  return MeasureAfter(Utf16ToUtf8(mEditString.data() + i, pairAt(i) ? 2 : 1), before);
}

void ITextEntryControl::FillCharWidthCache()
{
  const int n = GetLength();
  if (static_cast<int>(mCharWidths.size()) == n) return;
  mCharWidths.assign(static_cast<size_t>(n), 0.f);
  for (int i = 0; i < n; ++i) mCharWidths[static_cast<size_t>(i)] = UnitWidth(i);
}

void ITextEntryControl::OnTextChange(int pos, int removed, int inserted)
{
  const int n = GetLength();
  if (static_cast<int>(mCharWidths.size()) != n + removed - inserted)
  {
    mCharWidths.clear();  // not known before: measured when next needed
    return;
  }
  const auto at = mCharWidths.begin() + pos;
  mCharWidths.insert(mCharWidths.erase(at, at + removed), static_cast<size_t>(inserted), 0.f);
  // The units that came, and those beside them whose neighbour (kerning, a pair) changed.
  for (int i = std::max(pos - 1, 0); i <= std::min(pos + inserted + 1, n - 1); ++i)
    mCharWidths[static_cast<size_t>(i)] = UnitWidth(i);
}

float ITextEntryControl::GetCharWidth(int /*row*/, int i)
{
  FillCharWidthCache();
  return i >= 0 && i < static_cast<int>(mCharWidths.size()) ? mCharWidths[static_cast<size_t>(i)] : 0.f;
}

float ITextEntryControl::WidthBefore(int i)
{
  FillCharWidthCache();
  float w = 0.f;
  const int n = std::min(i, static_cast<int>(mCharWidths.size()));
  for (int k = 0; k < n; ++k) w += mCharWidths[static_cast<size_t>(k)];
  return w;
}

void ITextEntryControl::Layout(StbTexteditRow* row, int /*start*/)
{
  const float width = WidthBefore(GetLength());
  const IRECT& b = mRECT;
  const float size = mText.mSize;
  row->num_chars = GetLength();
  row->baseline_y_delta = 1.25f;
  switch (mText.mAlign)
  {
    case kAlignNear: row->x0 = b.L; break;
    case kAlignFar: row->x0 = b.R - width; break;
    default: row->x0 = (b.L + b.R) * 0.5f - 0.5f * width; break;
  }
  row->x1 = row->x0 + width;
  switch (mText.mVAlign)
  {
    case kVAlignTop: row->ymin = 0.f; break;
    case kVAlignBottom: row->ymin = b.H() - size; break;
    default: row->ymin = b.H() * 0.5f - 0.5f * size; break;
  }
  row->ymax = row->ymin + size;
}

float ITextEntryControl::GetCaretX()
{
  StbTexteditRow row;
  Layout(&row, 0);
  return row.x0 + WidthBefore(mEditState.cursor);
}

// ------------------------------------------------------------------------------------ Input

void ITextEntryControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!mRECT.Contains(x, y))
  {
    CommitEdit();
    return;
  }
  if (mod.L)
  {
    CallEngine([&] { Click(this, mEditState, x, y); });
  }
  else if (mod.R)
  {
    ShowEditMenu(x, y);
  }
}

void ITextEntryControl::ShowEditMenu(float x, float y)
{
  static IPopupMenu sEditMenu("", 0, false, {"Cut", "Copy", "Paste"});
  IGfx* ui = GetUI();
  if (!ui) return;
  // Bound for this showing: a choice arriving after this field has gone does nothing.
  sEditMenu.SetFunction([self = std::weak_ptr<ITextEntryControl*>(mSelf)](IPopupMenu* menu) {
    const auto alive = self.lock();
    if (!alive || !menu) return;
    ITextEntryControl* entry = *alive;
    switch (menu->GetChosenItemIdx())
    {
      case 0: entry->Cut(); break;
      case 1: entry->Copy(); break;
      case 2: entry->Paste(); break;
      default: break;
    }
  });
  ui->CreatePopupMenu(*this, sEditMenu, IRECT(x, y, x, y));
}

void ITextEntryControl::OnMouseDrag(float x, float y, float /*dX*/, float /*dY*/, const IMouseMod& mod)
{
  if (mod.L) CallEngine([&] { Drag(this, mEditState, x, y); });
}

void ITextEntryControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (!mod.L) return;
  CallEngine([&] { Drag(this, mEditState, x, y); });
  SetDirty(true);
}

void ITextEntryControl::OnMouseDblClick(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) { SelectAll(); }

bool ITextEntryControl::OnKeyDown(float /*x*/, float /*y*/, const IKeyPress& key)
{
  if (!mEditing) return false;
  if (key.C && key.VK >= kVKA && key.VK <= kVKZ)
  {
    switch (key.VK - kVKA + 'A')
    {
      case 'A': SelectAll(); return true;
      case 'C': Copy(); return true;
      case 'V': Paste(); return true;
      case 'X': Cut(); return true;
      case 'Z': CallEngine([&] { Key(this, mEditState, key.S ? kKeyRedo : kKeyUndo); }); return true;
      default: break;
    }
  }

  const uint32_t ch = DecodeKeyChar(key.utf8);
  uint32_t code = 0;
  switch (key.VK)
  {
    case kVKTab: return false;
    case kVKReturn:
    case kVKNumpadEnter: CommitEdit(); return true;
    case kVKEscape: DismissEdit(); return true;
    case kVKBack:
    case kVKDelete: code = kKeyVirtual | static_cast<uint32_t>(key.VK); break;
    case kVKSpace: code = ' '; break;
    case kVKPageUp:
    case kVKPageDown:
    case kVKEnd:
    case kVKHome:
    case kVKLeft:
    case kVKUp:
    case kVKRight:
    case kVKDown: code = kKeyVirtual | static_cast<uint32_t>(key.VK); break;
    default:
    {
      const IControl* owner = GetUI() ? GetUI()->GetControlInTextEntry() : nullptr;
      if (!owner) return false;
      const IParam* param = owner->GetParam(0);
      const EParamKind kind = param ? param->Type() : kTypeNone;
      if (kind == kTypeBool || kind == kTypeInt || kind == kTypeEnum) code = NumericKeyCode(key, ch, false);
      else if (kind == kTypeDouble) code = NumericKeyCode(key, ch, true);
      else code = ch ? ch : kKeyVirtual | static_cast<uint32_t>(key.VK);
      break;
    }
  }
  if (key.C) code |= kKeyCommand;
  if (key.A) code |= kKeyAlt;
  if (key.S) code |= kKeyShift;
  return SendKey(code);
}

// ------------------------------------------------------------------------------------ Drawing

void ITextEntryControl::Draw(IGfx& g)
{
  if (!mEditing) return;
  g.FillRect(mText.mTextEntryBGColor, mRECT);

  StbTexteditRow row;
  Layout(&row, 0);
  const float size = mText.mSize;
  const float top = mRECT.T + row.ymin + 0.1f * size, bottom = mRECT.T + row.ymax - 0.1f * size;
  const int a = std::min(mEditState.select_start, mEditState.select_end);
  const int b = std::max(mEditState.select_start, mEditState.select_end);
  if (a != b)
  {
    const IBlend selection(kBlendDefault, kSelectionAlpha);
    g.FillRect(mText.mTextEntryFGColor, IRECT(row.x0 + WidthBefore(a), top, row.x0 + WidthBefore(b), bottom),
               &selection);
  }

  g.DrawText(mText, Utf8().c_str(), mRECT);

  if (a == b && mCaretVisible)
  {
    const float x = row.x0 + WidthBefore(mEditState.cursor);
    g.FillRect(mText.mTextEntryFGColor, IRECT(std::round(x - 1.f), top, std::round(x), bottom));
  }
}

} // namespace fx::gfx
