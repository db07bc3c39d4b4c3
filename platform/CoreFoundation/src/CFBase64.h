// Base64 as used by the <data> element of XML property lists.
#pragma once

#include <string>
#include <vector>

#include <CoreFoundation/CFBase.h>

namespace cfx {

std::string Base64Encode(const std::vector<UInt8>& bytes);
// Decodes, skipping white space; false for any other character that is not
// base64 or for misplaced padding.
bool Base64Decode(const char* text, size_t length, std::vector<UInt8>& out);

}  // namespace cfx
