// The UTF-8 decoder against an independent reading of RFC 3629, over every sequence of
// one to four bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "vector/FstashUtf8.h"

namespace fx::gfx {
namespace {

// Reference: decodes a whole byte string by the RFC's definition. Returns true with the
// code point when the bytes are exactly one well-formed character.
bool referenceDecode(const uint8_t* b, int n, uint32_t* cp) {
  if (n < 1) return false;
  int len;
  uint32_t v;
  if (b[0] < 0x80) {
    len = 1;
    v = b[0];
  } else if ((b[0] & 0xE0) == 0xC0) {
    len = 2;
    v = b[0] & 0x1F;
  } else if ((b[0] & 0xF0) == 0xE0) {
    len = 3;
    v = b[0] & 0x0F;
  } else if ((b[0] & 0xF8) == 0xF0) {
    len = 4;
    v = b[0] & 0x07;
  } else {
    return false;
  }
  if (n != len) return false;
  for (int i = 1; i < len; i++) {
    if ((b[i] & 0xC0) != 0x80) return false;
    v = (v << 6) | (b[i] & 0x3F);
  }
  static const uint32_t minForLen[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < minForLen[len]) return false;                 // overlong
  if (v >= 0xD800 && v <= 0xDFFF) return false;         // surrogate
  if (v > 0x10FFFF) return false;                       // beyond Unicode
  *cp = v;
  return true;
}

// Result of feeding the bytes: 'A' one code point completed exactly at the last byte,
// 'P' still inside a sequence (valid prefix), 'R' rejected, 'E' completed early.
char decoderVerdict(const uint8_t* b, int n, uint32_t* cp) {
  uint32_t state = FSTASH_UTF8_ACCEPT, code = 0;
  for (int i = 0; i < n; i++) {
    fstashDecodeUtf8(&state, &code, b[i]);
    if (state == FSTASH_UTF8_REJECT) return 'R';
    if (state == FSTASH_UTF8_ACCEPT && i != n - 1) return 'E';
  }
  *cp = code;
  return state == FSTASH_UTF8_ACCEPT ? 'A' : 'P';
}

// A prefix is valid when some completion of it is a well-formed character.
bool referenceIsPrefix(const uint8_t* b, int n) {
  uint8_t buf[4];
  for (int i = 0; i < n; i++) buf[i] = b[i];
  // Try completing with every continuation pattern that could matter.
  static const uint8_t conts[] = {0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF};
  if (n >= 4) return false;
  for (uint8_t c : conts) {
    buf[n] = c;
    uint32_t cp;
    if (referenceDecode(buf, n + 1, &cp) || referenceIsPrefix(buf, n + 1)) return true;
  }
  return false;
}

// Runs the decoder over a prefix. Returns its state, or REJECT when a code point
// completed before the prefix ended (a longer sequence is then not one character).
uint32_t prefixState(const uint8_t* b, int n, uint32_t* cp) {
  uint32_t state = FSTASH_UTF8_ACCEPT;
  *cp = 0;
  for (int i = 0; i < n; i++) {
    fstashDecodeUtf8(&state, cp, b[i]);
    if (state == FSTASH_UTF8_REJECT) return state;
    if (state == FSTASH_UTF8_ACCEPT && i != n - 1) return FSTASH_UTF8_REJECT;
  }
  return state;
}

TEST(VectorUtf8, EveryOneToThreeByteSequenceMatchesTheReference) {
  uint64_t accepted = 0;
  uint8_t b[3];
  for (int n = 1; n <= 3; n++) {
    const uint32_t total = 1u << (8 * n);
    for (uint32_t v = 0; v < total; v++) {
      for (int i = 0; i < n; i++) b[i] = static_cast<uint8_t>(v >> (8 * (n - 1 - i)));
      uint32_t ref = 0, got = 0;
      const bool ok = referenceDecode(b, n, &ref);
      const char verdict = decoderVerdict(b, n, &got);
      if (ok) {
        ASSERT_EQ(verdict, 'A') << "n=" << n << " v=" << std::hex << v;
        ASSERT_EQ(got, ref) << "n=" << n << " v=" << std::hex << v;
        accepted++;
      } else {
        ASSERT_NE(verdict, 'A') << "n=" << n << " v=" << std::hex << v;
        if (verdict == 'P') {
          ASSERT_TRUE(referenceIsPrefix(b, n)) << "n=" << n << " v=" << std::hex << v;
        }
      }
    }
  }
  EXPECT_EQ(accepted, 0x10000u - 0x800u);  // U+0000..U+FFFF without the surrogates
}

TEST(VectorUtf8, EveryFourByteSequenceMatchesTheReference) {
  uint64_t accepted = 0;
  uint8_t b[4];
  for (uint32_t p = 0; p < (1u << 24); p++) {
    b[0] = static_cast<uint8_t>(p >> 16);
    b[1] = static_cast<uint8_t>(p >> 8);
    b[2] = static_cast<uint8_t>(p);
    uint32_t cpPrefix = 0;
    const uint32_t st = prefixState(b, 3, &cpPrefix);
    if (b[0] < 0xF0) {
      // The reference gives these leads at most three bytes: the decoder must have
      // finished or rejected after three, so no fourth byte can complete a character.
      ASSERT_TRUE(st == FSTASH_UTF8_ACCEPT || st == FSTASH_UTF8_REJECT) << std::hex << p;
      continue;
    }
    for (uint32_t last = 0; last < 256; last++) {
      b[3] = static_cast<uint8_t>(last);
      uint32_t ref = 0;
      const bool ok = referenceDecode(b, 4, &ref);
      bool acc = false;
      uint32_t cp = cpPrefix;
      if (st != FSTASH_UTF8_ACCEPT && st != FSTASH_UTF8_REJECT) {
        uint32_t s2 = st;
        fstashDecodeUtf8(&s2, &cp, last);
        acc = s2 == FSTASH_UTF8_ACCEPT;
      }
      ASSERT_EQ(acc, ok) << std::hex << p << " " << last;
      if (ok) {
        ASSERT_EQ(cp, ref);
        accepted++;
      }
    }
  }
  EXPECT_EQ(accepted, 0x110000u - 0x10000u);  // U+10000..U+10FFFF
}

TEST(VectorUtf8, RejectIsFinalAndValidPrefixesStayOpen) {
  uint32_t state = FSTASH_UTF8_ACCEPT, cp = 0;
  fstashDecodeUtf8(&state, &cp, 0xC3);
  EXPECT_NE(state, FSTASH_UTF8_REJECT);
  fstashDecodeUtf8(&state, &cp, 0x28);  // not a continuation
  EXPECT_EQ(state, FSTASH_UTF8_REJECT);
  for (int byte = 0; byte < 256; byte++) {
    fstashDecodeUtf8(&state, &cp, static_cast<uint32_t>(byte));
    EXPECT_EQ(state, FSTASH_UTF8_REJECT);
  }
  // Every lead byte of a valid multi-byte form leaves an open state.
  for (int lead = 0xC2; lead <= 0xF4; lead++) {
    uint32_t st = FSTASH_UTF8_ACCEPT;
    fstashDecodeUtf8(&st, &cp, static_cast<uint32_t>(lead));
    EXPECT_NE(st, FSTASH_UTF8_ACCEPT);
    EXPECT_NE(st, FSTASH_UTF8_REJECT);
  }
}

}  // namespace
}  // namespace fx::gfx
