#pragma once
// The SVG reader: SVG 1.1 text in, an SVGImage out (null when the text is not an SVG document).
// Thread-safe: no shared state; the caller owns the result and frees it with SVGDeleteImage.

#include <cstddef>

#include "graphics/svg/SVGImage.h"

namespace fx::svg {

/** Parses the first `size` bytes of `data` (reading stops at a NUL byte). `units` names the unit
 *  of the returned coordinates ("px", "pt", "pc", "mm", "cm", "in"; null or unknown = "px");
 *  `dpi` converts physical units (and is used for "px" in the units argument's scale).
 *  Returns null for text that is not an SVG document; a damaged document gives what could be
 *  read before the damage. */
SVGImage* SVGParse(const char* data, size_t size, const char* units, float dpi);

/** Reads a whole file and parses it; null when the file cannot be read. */
SVGImage* SVGParseFile(const char* path, const char* units, float dpi);

/** Frees an image from SVGParse / SVGParseFile; null is ignored. */
void SVGDeleteImage(SVGImage* image);

} // namespace fx::svg
