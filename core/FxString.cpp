#include "core/FxString.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace fx {

const char* FxString::Get() const noexcept
{
  const char* p = static_cast<const char*>(mBuf.Get());
  return (p && mBuf.GetSize() > 0) ? p : "";
}

int FxString::GetLength() const noexcept
{
  const char* p = static_cast<const char*>(mBuf.Get());
  if (!p || mBuf.GetSize() < 1) return 0;
  return static_cast<int>(strnlen(p, static_cast<size_t>(mBuf.GetSize())));
}

const char* FxString::Write(const char* text, int offset, int maxLen, bool keepTail) noexcept
{
  if (!text) text = "";
  const int oldLen = GetLength();
  offset = std::clamp(offset, 0, oldLen);
  size_t len = maxLen < 0 ? std::strlen(text) : strnlen(text, static_cast<size_t>(maxLen));
  const int tail = keepTail ? oldLen - offset : 0;
  if (len > static_cast<size_t>(INT_MAX - 1 - offset - tail)) return Get(); // cannot represent

  const int newLen = offset + static_cast<int>(len) + tail;
  if (newLen == 0)
  {
    // Keep a terminated empty string when a buffer exists; a fresh string stays unallocated.
    if (mBuf.Get() && mBuf.GetAllocated() > 0)
    {
      char* p = static_cast<char*>(mBuf.Resize(1));
      if (p) p[0] = '\0';
    }
    return Get();
  }

  // The text may point into our own buffer: copy it aside when a reallocation could move it.
  const char* own = static_cast<const char*>(mBuf.Get());
  const bool aliased = own && text >= own && text < own + mBuf.GetAllocated();
  FxHeapBuf scratch(kGranularity);
  if (aliased)
  {
    char* s = static_cast<char*>(scratch.Resize(static_cast<int>(len) + 1));
    if (!s) return Get();
    std::memcpy(s, text, len);
    text = s;
  }

  char* p = static_cast<char*>(mBuf.Resize(newLen + 1));
  if (!p || mBuf.GetSize() != newLen + 1) return Get();
  if (tail > 0) std::memmove(p + offset + len, p + offset, static_cast<size_t>(tail));
  std::memcpy(p + offset, text, len);
  p[newLen] = '\0';
  return p;
}

const char* FxString::Set(const char* text, int maxLen) noexcept
{
  return Write(text, 0, maxLen, false);
}

const char* FxString::Append(const char* text, int maxLen) noexcept
{
  return Write(text, GetLength(), maxLen, false);
}

const char* FxString::Insert(const char* text, int pos, int maxLen) noexcept
{
  return Write(text, pos, maxLen, true);
}

void FxString::Truncate(int len) noexcept
{
  if (len < 0) len = 0;
  if (len >= GetLength()) return;
  char* p = static_cast<char*>(mBuf.Resize(len + 1));
  if (p) p[len] = '\0';
}

const char* FxString::AppendFormattedV(int maxLen, const char* fmt, va_list args) noexcept
{
  if (!fmt || maxLen < 0) return Get();
  const int len = GetLength();
  if (maxLen > INT_MAX - 2 - len) return Get();
  char* p = static_cast<char*>(mBuf.Resize(len + maxLen + 1));
  if (!p || mBuf.GetSize() != len + maxLen + 1) return Get();
  p[len] = '\0';
  int written = std::vsnprintf(p + len, static_cast<size_t>(maxLen) + 1, fmt, args);
  if (written < 0) written = 0;
  const int kept = std::min(written, maxLen);
  p = static_cast<char*>(mBuf.Resize(len + kept + 1));
  if (p) p[len + kept] = '\0';
  return Get();
}

const char* FxString::AppendFormatted(int maxLen, const char* fmt, ...) noexcept
{
  va_list args;
  va_start(args, fmt);
  AppendFormattedV(maxLen, fmt, args);
  va_end(args);
  return Get();
}

const char* FxString::SetFormatted(int maxLen, const char* fmt, ...) noexcept
{
  Truncate(0);
  va_list args;
  va_start(args, fmt);
  AppendFormattedV(maxLen, fmt, args);
  va_end(args);
  return Get();
}

bool FxString::operator==(const char* other) const noexcept
{
  return std::strcmp(Get(), other ? other : "") == 0;
}

} // namespace fx
