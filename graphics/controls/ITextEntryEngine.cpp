// The engine's implementation, bound to the text field's string and measurements.

#include "graphics/controls/ITextEntryControl.h"

#include <cstring>
#include <cwctype>

namespace fx::gfx::textedit {

namespace {

bool IsSpace(char16_t c)
{
  if (c > 127) return std::iswspace(static_cast<wint_t>(c)) != 0;
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/** The character a code inserts, -1 for a key without one. */
int KeyToText(uint32_t key) { return (key & (kKeyVirtual | kKeyCommand)) ? -1 : static_cast<int>(key & 0x0FFFFFFFu); }

} // namespace

#define STB_TEXTEDIT_CHARTYPE char16_t
#define STB_TEXTEDIT_KEYTYPE uint32_t
#define STB_TEXTEDIT_STRING ::fx::gfx::ITextEntryControl
#define STB_TEXTEDIT_STRINGLEN(obj) ((obj)->GetLength())
#define STB_TEXTEDIT_LAYOUTROW(r, obj, n) ((obj)->Layout((r), (n)))
#define STB_TEXTEDIT_GETWIDTH(obj, n, i) ((obj)->GetCharWidth((n), (i)))
#define STB_TEXTEDIT_KEYTOTEXT(k) KeyToText(k)
#define STB_TEXTEDIT_GETCHAR(obj, i) ((obj)->GetChar(i))
#define STB_TEXTEDIT_NEWLINE u'\n'
#define STB_TEXTEDIT_IS_SPACE(c) IsSpace(c)
#define STB_TEXTEDIT_DELETECHARS(obj, i, n) ((obj)->DeleteChars((i), (n)))
#define STB_TEXTEDIT_INSERTCHARS(obj, i, c, n) ((obj)->InsertChars((i), (c), (n)))
#define STB_TEXTEDIT_memmove std::memmove

#define STB_TEXTEDIT_K_SHIFT kKeyShift
#define STB_TEXTEDIT_K_LEFT (kKeyVirtual | 37u)
#define STB_TEXTEDIT_K_RIGHT (kKeyVirtual | 39u)
#define STB_TEXTEDIT_K_UP (kKeyVirtual | 38u)
#define STB_TEXTEDIT_K_DOWN (kKeyVirtual | 40u)
// Page up and page down move nothing in one line: codes no key sends.
#define STB_TEXTEDIT_K_PGUP (kKeyVirtual | 0x0E000000u)
#define STB_TEXTEDIT_K_PGDOWN (kKeyVirtual | 0x0E000001u)
#define STB_TEXTEDIT_K_LINESTART (kKeyVirtual | 36u)
#define STB_TEXTEDIT_K_LINEEND (kKeyVirtual | 35u)
#define STB_TEXTEDIT_K_TEXTSTART (kKeyVirtual | kKeyCommand | 36u)
#define STB_TEXTEDIT_K_TEXTEND (kKeyVirtual | kKeyCommand | 35u)
#define STB_TEXTEDIT_K_DELETE (kKeyVirtual | 46u)
#define STB_TEXTEDIT_K_BACKSPACE (kKeyVirtual | 8u)
#define STB_TEXTEDIT_K_UNDO kKeyUndo
#define STB_TEXTEDIT_K_REDO kKeyRedo
#define STB_TEXTEDIT_K_INSERT (kKeyVirtual | 45u)
#define STB_TEXTEDIT_K_WORDLEFT (kKeyVirtual | kKeyCommand | 37u)
#define STB_TEXTEDIT_K_WORDRIGHT (kKeyVirtual | kKeyCommand | 39u)

#define STB_TEXTEDIT_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb_textedit.h>
#pragma GCC diagnostic pop

void InitState(STB_TexteditState& state) { stb_textedit_initialize_state(&state, 1); }

void ClearUndo(STB_TexteditState& state)
{
  state.undostate.undo_point = 0;
  state.undostate.undo_char_point = 0;
  state.undostate.redo_point = STB_TEXTEDIT_UNDOSTATECOUNT;
  state.undostate.redo_char_point = STB_TEXTEDIT_UNDOCHARCOUNT;
}

void Key(ITextEntryControl* str, STB_TexteditState& state, uint32_t key) { stb_textedit_key(str, &state, key); }

void Click(ITextEntryControl* str, STB_TexteditState& state, float x, float y)
{
  stb_textedit_click(str, &state, x, y);
}

void Drag(ITextEntryControl* str, STB_TexteditState& state, float x, float y)
{
  stb_textedit_drag(str, &state, x, y);
}

void Cut(ITextEntryControl* str, STB_TexteditState& state) { stb_textedit_cut(str, &state); }

void Paste(ITextEntryControl* str, STB_TexteditState& state, const char16_t* text, int len)
{
  stb_textedit_paste(str, &state, text, len);
}

} // namespace fx::gfx::textedit
