#include "core/FxTextField.h"

#include <cstring>

namespace fx {

char* CopyTextField(char* dst, int size, const char* src)
{
  if (!dst || size < 1) return dst;
  if (!src) src = "";
  size_t n = strnlen(src, static_cast<size_t>(size));
  if (n >= static_cast<size_t>(size))
  {
    n = static_cast<size_t>(size) - 1;
    // Back off to the start of a UTF-8 sequence when the cut lands inside one.
    while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80) --n;
  }
  std::memmove(dst, src, n);
  dst[n] = '\0';
  return dst;
}

} // namespace fx
