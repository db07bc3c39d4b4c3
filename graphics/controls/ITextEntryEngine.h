#pragma once
// The editing engine of the in-editor text field (stb_textedit, single line, over UTF-16 units),
// kept in a namespace of its own. Key codes: a typed character is its code; a key without one is
// its virtual key with bit 0x80000000; shift, command and alt add the bits below.

#include <cstdint>

namespace fx::gfx::textedit {

#define STB_TEXTEDIT_CHARTYPE char16_t
#include <stb_textedit.h>
#undef STB_TEXTEDIT_CHARTYPE

inline constexpr uint32_t kKeyVirtual = 0x80000000u;
inline constexpr uint32_t kKeyShift = 0x40000000u;
inline constexpr uint32_t kKeyCommand = 0x20000000u;
inline constexpr uint32_t kKeyAlt = 0x10000000u;
inline constexpr uint32_t kKeyUndo = kKeyCommand | 'z';
inline constexpr uint32_t kKeyRedo = kKeyCommand | kKeyShift | 'z';

} // namespace fx::gfx::textedit

namespace fx::gfx {
class ITextEntryControl;
}

namespace fx::gfx::textedit {

// The engine's operations on the field's string (ITextEntryEngine.cpp).
void InitState(STB_TexteditState& state);
/** Forgets every undo and redo step. */
void ClearUndo(STB_TexteditState& state);
void Key(ITextEntryControl* str, STB_TexteditState& state, uint32_t key);
/** Cursor and an empty selection at the point. */
void Click(ITextEntryControl* str, STB_TexteditState& state, float x, float y);
/** Cursor and selection end at the point. */
void Drag(ITextEntryControl* str, STB_TexteditState& state, float x, float y);
/** Deletes the selection as one undo step; nothing without one. */
void Cut(ITextEntryControl* str, STB_TexteditState& state);
/** Replaces the selection with text. */
void Paste(ITextEntryControl* str, STB_TexteditState& state, const char16_t* text, int len);

} // namespace fx::gfx::textedit
