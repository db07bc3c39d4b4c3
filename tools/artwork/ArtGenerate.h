// The whole set of the editor's pictures and how each is rendered into a film strip.
#pragma once

#include <string>
#include <vector>

#include "tools/artwork/ArtImage.h"
#include "tools/artwork/ArtRenderer.h"
#include "tools/artwork/ArtStrips.h"

namespace orbexart {

inline constexpr int kArtScales[] = {1, 2, 3};

// Every picture the editor loads.
std::vector<Strip> EditorStrips();

// "name.png" at scale 1, else "name@<scale>x.png".
std::string ScaledFileName(const std::string& name, int scale);

// The strip at `scale` pixels per unit, frames stacked, transparent pixels coloured; empty
// when rendering failed.
ArtImage RenderStrip(ArtRenderer& renderer, const Strip& strip, int scale);

}  // namespace orbexart
