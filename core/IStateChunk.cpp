#include "core/IStateChunk.h"

#include <cstring>

namespace fx {

int IStateChunk::PutBytes(const void* data, int size) noexcept
{
  const int n = Size();
  if (size <= 0 || !data) return n;
  const int64_t want = static_cast<int64_t>(n) + size;
  if (want > INT32_MAX)
  {
    mBytes.Resize(0);
    return 0;
  }
  // Bytes taken from this chunk itself would move with a reallocation: copy them aside first.
  if (PointsInside(data) && want > mBytes.GetAllocated())
  {
    FxHeapBuf copy(kGranularity);
    if (!copy.Resize(size) || copy.GetSize() != size)
    {
      mBytes.Resize(0);
      return 0;
    }
    std::memcpy(copy.Get(), data, static_cast<size_t>(size));
    return PutBytes(copy.Get(), size);
  }
  mBytes.Resize(static_cast<int>(want));
  if (mBytes.GetSize() != want)
  {
    mBytes.Resize(0);
    return 0;
  }
  std::memmove(static_cast<uint8_t*>(mBytes.Get()) + n, data, static_cast<size_t>(size));
  return static_cast<int>(want);
}

bool IStateChunk::PointsInside(const void* p) const noexcept
{
  const uint8_t* own = static_cast<const uint8_t*>(mBytes.Get());
  const uint8_t* q = static_cast<const uint8_t*>(p);
  return own && q >= own && q < own + mBytes.GetAllocated();
}

int IStateChunk::PutStr(const char* str) noexcept
{
  if (!str) str = "";
  const size_t len = std::strlen(str);
  if (len > static_cast<size_t>(INT32_MAX - 4))
  {
    mBytes.Resize(0);
    return 0;
  }
  if (PointsInside(str))
  {
    // The length goes in first and may move the buffer the text lies in.
    FxHeapBuf copy(kGranularity);
    if (!copy.Resize(static_cast<int>(len) + 1) || copy.GetSize() != static_cast<int>(len) + 1)
    {
      mBytes.Resize(0);
      return 0;
    }
    std::memcpy(copy.Get(), str, len + 1);
    return PutStr(static_cast<const char*>(copy.Get()));
  }
  const int32_t len32 = static_cast<int32_t>(len);
  if (Put(&len32) == 0) return 0;
  return PutBytes(str, len32);
}

int IStateChunk::PutChunk(const IStateChunk* other) noexcept
{
  if (!other) return Size();
  return PutBytes(other->GetData(), other->Size());  // appending a chunk to itself is safe
}

int IStateChunk::GetBytes(void* pBuf, int size, int startPos) const noexcept
{
  if (startPos < 0 || size < 0) return -1;
  const int64_t end = static_cast<int64_t>(startPos) + size;
  if (end > Size()) return -1;
  if (size > 0) std::memcpy(pBuf, static_cast<const uint8_t*>(mBytes.Get()) + startPos, static_cast<size_t>(size));
  return static_cast<int>(end);
}

int IStateChunk::StrBounds(int startPos, int32_t& len) const noexcept
{
  int32_t l = 0;
  const int pos = Get(&l, startPos);
  if (pos < 0) return -1;
  // A negative length is corrupt data, never a step backwards.
  if (l < 0 || static_cast<int64_t>(pos) + l > Size()) return -1;
  len = l;
  return pos;
}

int IStateChunk::GetStr(FxString& str, int startPos) const noexcept
{
  int32_t len = 0;
  const int pos = StrBounds(startPos, len);
  if (pos < 0) return -1;
  if (len < 1)
    str.Set("");
  else
  {
    const char* p = reinterpret_cast<const char*>(GetData()) + pos;
    const void* nul = std::memchr(p, 0, static_cast<size_t>(len));
    const int textLen = nul ? static_cast<int>(static_cast<const char*>(nul) - p) : len;
    str.Set(p, textLen);
  }
  return pos + len;
}

int IStateChunk::GetStr(char* buf, int bufSize, int startPos) const noexcept
{
  int32_t len = 0;
  const int pos = StrBounds(startPos, len);
  if (pos < 0) return -1;
  if (buf && bufSize > 0)
  {
    int textLen = 0;
    if (len > 0)
    {
      const char* p = reinterpret_cast<const char*>(GetData()) + pos;
      const void* nul = std::memchr(p, 0, static_cast<size_t>(len));
      textLen = nul ? static_cast<int>(static_cast<const char*>(nul) - p) : len;
      if (textLen > bufSize - 1) textLen = bufSize - 1;
      std::memcpy(buf, p, static_cast<size_t>(textLen));
    }
    buf[textLen] = '\0';
  }
  return pos + len;
}

int IStateChunk::Resize(int newSize) noexcept
{
  if (newSize < 0) newSize = 0;
  mBytes.Resize(newSize);
  return Size();
}

bool IStateChunk::IsEqual(const IStateChunk& other) const noexcept
{
  return Size() == other.Size() && (Size() == 0 || std::memcmp(GetData(), other.GetData(), static_cast<size_t>(Size())) == 0);
}

} // namespace fx
