#pragma once
// The SVG reader: SVG 1.1 text in, an SVGImage out (null when the text is not an SVG document).
// Thread-safe: no shared state; the caller owns the result and frees it with SVGDeleteImage.

#include <cstddef>

#include "graphics/svg/SVGImage.h"

namespace fx::svg {

/** Parses the first `size` bytes of `data` (reading stops at a NUL byte). `units` names the unit
 *  of the returned coordinates ("px", "pt", "pc", "mm", "cm", "in"; null or unknown = "px");
 *  `dpi` is the number of pixels in an inch, converting the document's physical lengths (in, cm,
 *  mm, pt, pc) to pixels and pixels to the units asked for (a dpi that is not a positive number
 *  reads as 96). Returns null for text that is not an SVG document; a damaged document gives what
 *  could be read before the damage. The work is bounded: elements nested deeper than 256 are
 *  dropped, and an image stops growing at 100000 shapes or 2097152 points and gradient stops. */
SVGImage* SVGParse(const char* data, size_t size, const char* units, float dpi);

/** Reads a file up to its first NUL byte and parses it; null when the file cannot be read or
 *  holds more than 64 MiB of text. */
SVGImage* SVGParseFile(const char* path, const char* units, float dpi);

/** Frees an image from SVGParse / SVGParseFile; null is ignored. */
void SVGDeleteImage(SVGImage* image);

} // namespace fx::svg
