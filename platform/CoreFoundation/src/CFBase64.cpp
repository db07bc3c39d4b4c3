#include "CFBase64.h"

namespace cfx {
namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

std::string Base64Encode(const std::vector<UInt8>& bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const unsigned v = (bytes[i] << 16) | (two ? bytes[i + 1] << 8 : 0);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += two ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool Base64Decode(const char* text, size_t length, std::vector<UInt8>& out) {
  out.clear();
  out.reserve(length / 4 * 3);
  unsigned accumulator = 0;
  int bits = 0;
  int padding = 0;
  size_t symbols = 0;
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    if (c == '=') {
      ++padding;
      ++symbols;
      continue;
    }
    const int v = Value(c);
    if (v < 0 || padding > 0) return false;  // a symbol after padding
    accumulator = (accumulator << 6) | static_cast<unsigned>(v);
    bits += 6;
    ++symbols;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<UInt8>((accumulator >> bits) & 0xFF));
    }
  }
  if (padding > 2) return false;
  if (padding > 0 && symbols % 4 != 0) return false;
  // A lone trailing symbol (6 bits) cannot encode a byte.
  return (symbols - static_cast<size_t>(padding)) % 4 != 1;
}

}  // namespace cfx
