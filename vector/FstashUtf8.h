// Table-driven UTF-8 decoder accepting exactly the well-formed sequences of RFC 3629:
// no overlong forms, no surrogates (U+D800..U+DFFF), nothing above U+10FFFF.
// States are multiples of 12; 0 accepts, 12 rejects and is never left.
#pragma once

#include <cstdint>

namespace fx::gfx {

enum : uint32_t { FSTASH_UTF8_ACCEPT = 0, FSTASH_UTF8_REJECT = 12 };

// Byte classes:
//   0 00-7F   1 80-8F   9 90-9F   7 A0-BF   8 C0-C1,F5-FF   2 C2-DF
//  10 E0      3 E1-EC,EE-EF       4 ED      11 F0           6 F1-F3    5 F4
// States: 0 accept, 12 reject, 24 one continuation left, 36 two left, 48 three left,
// 60 after E0 (needs A0-BF), 72 after ED (needs 80-9F), 84 after F0 (needs 90-BF),
// 96 after F4 (needs 80-8F).
inline constexpr uint8_t kFstashUtf8Class[256] = {
#define FS_R16(c) c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c
    FS_R16(0), FS_R16(0), FS_R16(0), FS_R16(0), FS_R16(0), FS_R16(0), FS_R16(0), FS_R16(0),  // 00-7F
    FS_R16(1),                                                                               // 80-8F
    FS_R16(9),                                                                               // 90-9F
    FS_R16(7), FS_R16(7),                                                                    // A0-BF
    8, 8, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,                                          // C0-CF
    FS_R16(2),                                                                               // D0-DF
    10, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 3, 3,                                         // E0-EF
    11, 6, 6, 6, 5, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,                                         // F0-FF
#undef FS_R16
};

// Next state, indexed by state + class (12 classes per state row).
inline constexpr uint8_t kFstashUtf8Trans[108] = {
    //    0   1   2   3   4   5   6   7   8   9  10  11
    /* 0*/ 0, 12, 24, 36, 72, 96, 48, 12, 12, 12, 60, 84,
    /*12*/ 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
    /*24*/ 12, 0, 12, 12, 12, 12, 12, 0, 12, 0, 12, 12,
    /*36*/ 12, 24, 12, 12, 12, 12, 12, 24, 12, 24, 12, 12,
    /*48*/ 12, 36, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12,
    /*60*/ 12, 12, 12, 12, 12, 12, 12, 24, 12, 12, 12, 12,
    /*72*/ 12, 24, 12, 12, 12, 12, 12, 12, 12, 24, 12, 12,
    /*84*/ 12, 12, 12, 12, 12, 12, 12, 36, 12, 36, 12, 12,
    /*96*/ 12, 36, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,
};

// Feeds one byte; returns the new state. *codep holds the code point when the
// returned state is FSTASH_UTF8_ACCEPT.
inline uint32_t fstashDecodeUtf8(uint32_t* state, uint32_t* codep, uint32_t byte) {
  const uint32_t type = kFstashUtf8Class[byte & 0xFF];
  *codep = (*state != FSTASH_UTF8_ACCEPT) ? (byte & 0x3Fu) | (*codep << 6) : (0xFFu >> type) & byte;
  *state = kFstashUtf8Trans[*state + type];
  return *state;
}

}  // namespace fx::gfx
