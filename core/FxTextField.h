#pragma once
// Fixed-size text fields (names, labels, fonts): copies are cut to fit, never overflow.

namespace fx {

// Copies at most size - 1 bytes of src into dst and terminates it, never splitting a UTF-8
// sequence; a null src gives "". Nothing is written when dst is null or size < 1. Returns dst.
char* CopyTextField(char* dst, int size, const char* src);

} // namespace fx
