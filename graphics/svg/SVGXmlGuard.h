#pragma once
// Makes any bytes safe to hand to the XML parser: keeps only the element tags of the document,
// stops at the first damage (truncation, a malformed tag, a stray end tag) and closes what is
// open there, drops elements nested deeper than a limit, repeated attributes and attributes
// beyond a limit per element. Names must be ASCII and attribute values well-formed UTF-8 (other
// bytes become '?'). The parser then never sees unbounded nesting, a broken document or bytes it
// misreads, and what was read before any damage survives.

#include <cstddef>
#include <string>

namespace fx::svg::detail {

constexpr int kMaxXmlDepth = 256;
constexpr int kMaxAttributes = 128;

/** The cleaned text of the first `size` bytes of data (reading stops at a NUL byte). */
std::string guardXml(const char* data, size_t size);

} // namespace fx::svg::detail
