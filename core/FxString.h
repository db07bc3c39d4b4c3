#pragma once
// Growable NUL-terminated text on a FxHeapBuf (granularity 128). An empty buffer reads as "".
// Single owner; any thread, one at a time.

#include "core/FxHeapBuf.h"

#include <cstdarg>

namespace fx {

class FxString
{
public:
  static constexpr int kGranularity = 128;

  FxString() noexcept : mBuf(kGranularity) {}
  explicit FxString(const char* text, int maxLen = -1) noexcept : mBuf(kGranularity) { Set(text, maxLen); }
  FxString(const FxString&) noexcept = default;
  FxString& operator=(const FxString&) noexcept = default;
  FxString(FxString&&) noexcept = default;
  FxString& operator=(FxString&&) noexcept = default;

  // Replaces the whole text with at most maxLen bytes of text (all of it when maxLen < 0).
  // A null text gives the empty string. Returns the text.
  const char* Set(const char* text, int maxLen = -1) noexcept;
  // Writes at most maxLen bytes of text at the end.
  const char* Append(const char* text, int maxLen = -1) noexcept;
  // Writes at most maxLen bytes of text at byte position pos (clamped to 0..length),
  // keeping the text behind it.
  const char* Insert(const char* text, int pos, int maxLen = -1) noexcept;

  // printf-style set and append; at most maxLen characters of the formatted text are kept.
  // The arguments must not point into this string.
  const char* SetFormatted(int maxLen, const char* fmt, ...) noexcept __attribute__((format(printf, 3, 4)));
  const char* AppendFormatted(int maxLen, const char* fmt, ...) noexcept __attribute__((format(printf, 3, 4)));
  const char* AppendFormattedV(int maxLen, const char* fmt, va_list args) noexcept;

  // The text; "" when nothing was ever written. Valid until the next change.
  const char* Get() const noexcept;
  int GetLength() const noexcept;
  bool Empty() const noexcept { return GetLength() == 0; }
  // Cuts the text to at most len bytes (keeps the buffer).
  void Truncate(int len) noexcept;
  void Clear() noexcept { Set(""); }

  const FxHeapBuf& Buffer() const noexcept { return mBuf; }

  bool operator==(const char* other) const noexcept;
  bool operator==(const FxString& other) const noexcept { return *this == other.Get(); }

private:
  const char* Write(const char* text, int offset, int maxLen, bool keepTail) noexcept;

  FxHeapBuf mBuf;
};

} // namespace fx
