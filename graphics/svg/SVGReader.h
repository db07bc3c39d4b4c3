#pragma once
// Walks a parsed document into an SVGImage: the root viewport and viewBox, groups, nested
// viewports, <use>, and the basic shapes and paths with their resolved styles and paints.

#include <memory>

#include "graphics/svg/SVGImage.h"

class TiXmlDocument;

namespace fx::svg::detail {

/** Depth of elements being drawn at once, counting what <use> brings in. */
constexpr int kMaxDrawDepth = 256;

/** Null when the document's root is not an <svg> element. */
std::unique_ptr<SVGImage> readDocument(const TiXmlDocument& doc, const char* units, float dpi);

} // namespace fx::svg::detail
