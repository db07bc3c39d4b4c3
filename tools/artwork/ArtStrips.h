// The editor's pictures: each is a film strip of frames stacked top to bottom, drawn in
// editor units (one frame is w x h units) and written at 1x, 2x and 3x.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vector/VGContext.h"

namespace orbexart {

struct Strip {
  std::string name;  // file name without ".png"
  int w = 0, h = 0;  // one frame, editor units
  int frames = 1;
  // Draws frame `frame` (0 = top) into (0, 0, w, h).
  std::function<void(fx::gfx::VGcontext*, int frame)> draw;
};

// Knobs, switches, buttons, the preset arrows and the icons.
std::vector<Strip> ControlStrips();
// The VU meter: face, scale label, needles and glass.
std::vector<Strip> MeterStrips();
// The panel with every legend.
Strip BackgroundStrip();

}  // namespace orbexart
