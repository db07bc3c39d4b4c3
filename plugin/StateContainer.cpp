#include "plugin/StateContainer.h"

#include <cstdint>
#include <cstring>

namespace statecontainer {

namespace {

bool PutTag(fx::IStateChunk& chunk, const char* tag)
{
  return chunk.PutBytes(tag, 4) != 0;
}

bool PutInt(fx::IStateChunk& chunk, int32_t v)
{
  return chunk.Put(&v) != 0;
}

void PokeInt(fx::IStateChunk& chunk, int pos, int32_t v)
{
  std::memcpy(chunk.GetData() + pos, &v, sizeof(v));
}

int32_t PeekInt(const fx::IStateChunk& chunk, int64_t pos)
{
  int32_t v = 0;
  std::memcpy(&v, chunk.GetData() + pos, sizeof(v));
  return v;
}

bool TagAt(const fx::IStateChunk& chunk, int64_t pos, const char* tag)
{
  return std::memcmp(chunk.GetData() + pos, tag, 4) == 0;
}

} // namespace

bool Write(fx::IStateChunk& chunk, std::string_view text)
{
  // Largest text whose sizes still fit the signed 32-bit fields and the chunk.
  constexpr size_t kMaxText = static_cast<size_t>(INT32_MAX) - 64;
  if (text.empty() || text.size() > kMaxText) return false;
  const int start = chunk.Size();
  if (static_cast<int64_t>(start) + 34 + static_cast<int64_t>(text.size()) > INT32_MAX) return false;
  const int32_t len = static_cast<int32_t>(text.size());

  const bool ok = PutTag(chunk, "RIFF") && PutInt(chunk, 0) && PutInt(chunk, kVersion) && PutTag(chunk, "QVCM") &&
                  PutTag(chunk, "QVCS") && PutInt(chunk, 0) && PutInt(chunk, kPayloadVersion) && PutInt(chunk, len) &&
                  chunk.PutBytes(text.data(), len) != 0;
  if (!ok)
  {
    // A failed growth empties the chunk; either way the caller learns it failed.
    if (chunk.Size() >= start) chunk.Resize(start);
    return false;
  }
  const uint8_t zero = 0;
  const int32_t inner = chunk.Size() - (start + 24);
  PokeInt(chunk, start + 20, inner);
  if ((inner & 1) && chunk.Put(&zero) == 0) return false;
  const int32_t outer = chunk.Size() - (start + 8);
  PokeInt(chunk, start + 4, outer);
  if ((outer & 1) && chunk.Put(&zero) == 0) return false;
  return true;
}

int Read(const fx::IStateChunk& chunk, int pos, std::string& text)
{
  const int64_t size = chunk.Size();
  const int64_t p = pos;
  if (p < 0 || p + 32 > size) return -1;
  if (!TagAt(chunk, p, "RIFF")) return -1;
  if (PeekInt(chunk, p + 8) != kVersion) return -1;
  if (!TagAt(chunk, p + 12, "QVCM") || !TagAt(chunk, p + 16, "QVCS")) return -1;
  const int64_t inner = PeekInt(chunk, p + 20);
  if (PeekInt(chunk, p + 24) != kPayloadVersion) return -1;
  const int64_t len = PeekInt(chunk, p + 28);
  const int64_t outer = PeekInt(chunk, p + 4);
  if (len < 1 || p + 32 + len > size) return -1;
  // The sizes must cover the text and the container must end inside the chunk.
  if (inner < 8 + len || outer < 24 + len) return -1;
  const int64_t end = p + 8 + outer + (outer & 1);
  if (end > size) return -1;

  const char* bytes = reinterpret_cast<const char*>(chunk.GetData() + p + 32);
  text.assign(bytes, strnlen(bytes, static_cast<size_t>(len)));
  return static_cast<int>(end);
}

} // namespace statecontainer
