#include "core/IPluginBaseBase64.h"

namespace fx::base64 {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c)
{
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

} // namespace

void Encode(const uint8_t* data, int size, FxString& out)
{
  if (!data || size <= 0) return;
  char group[5] = {};
  for (int i = 0; i < size; i += 3)
  {
    const int n = (size - i) < 3 ? (size - i) : 3;
    const uint32_t b0 = data[i];
    const uint32_t b1 = n > 1 ? data[i + 1] : 0;
    const uint32_t b2 = n > 2 ? data[i + 2] : 0;
    const uint32_t triple = (b0 << 16) | (b1 << 8) | b2;
    group[0] = kAlphabet[(triple >> 18) & 63];
    group[1] = kAlphabet[(triple >> 12) & 63];
    group[2] = n > 1 ? kAlphabet[(triple >> 6) & 63] : '=';
    group[3] = n > 2 ? kAlphabet[triple & 63] : '=';
    out.Append(group, 4);
  }
}

int Decode(const char* text, uint8_t* buf, int bufSize)
{
  if (!text || !buf || bufSize <= 0) return 0;
  int written = 0;
  uint32_t acc = 0;
  int bits = 0;
  for (const char* p = text; *p && written < bufSize; ++p)
  {
    const int v = ValueOf(*p);
    if (v < 0) break;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8)
    {
      bits -= 8;
      buf[written++] = static_cast<uint8_t>((acc >> bits) & 0xFF);
    }
  }
  return written;
}

} // namespace fx::base64
