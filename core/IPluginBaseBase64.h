#pragma once
// Standard base64 (RFC 4648 alphabet, '=' padding) for preset blobs. Internal to IPluginBase.

#include "core/FxString.h"

#include <cstdint>

namespace fx::base64 {

/** Appends the encoding of size bytes to out. */
void Encode(const uint8_t* data, int size, FxString& out);

/** Decodes text into buf (bufSize bytes, which the caller zero-fills). Decoding stops at the
 *  first character outside the alphabet ('=' included) or when buf is full. Returns the number
 *  of bytes written. */
int Decode(const char* text, uint8_t* buf, int bufSize);

} // namespace fx::base64
