#pragma once
// A key event: virtual key code (0 when the key has none), the typed character as UTF-8 and
// the modifiers.

#include "core/FxTextField.h"

#include <cstdint>

namespace fx::gfx {

struct IKeyPress
{
  static constexpr int kUtf8Len = 5; // one UTF-8 character and the terminator

  int32_t VK = 0;
  char utf8[kUtf8Len] = {};
  bool S = false; // shift
  bool C = false; // control or command
  bool A = false; // option

  IKeyPress() = default;
  // A longer text is cut to the whole UTF-8 sequences that fit in four bytes.
  IKeyPress(const char* str, int32_t vk, bool s = false, bool c = false, bool a = false)
    : VK(vk), S(s), C(c), A(a)
  {
    CopyTextField(utf8, kUtf8Len, str);
  }
};

} // namespace fx::gfx
