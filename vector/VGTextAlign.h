// Text alignment bits shared by the draw state, the font stash and the graphics binding.
#pragma once

namespace fx::gfx {

enum VGtextAlignFlags : int {
  // Horizontal
  VG_ALIGN_LEFT = 1 << 0,
  VG_ALIGN_CENTER = 1 << 1,
  VG_ALIGN_RIGHT = 1 << 2,
  // Vertical
  VG_ALIGN_TOP = 1 << 3,
  VG_ALIGN_MIDDLE = 1 << 4,
  VG_ALIGN_BOTTOM = 1 << 5,
  VG_ALIGN_BASELINE = 1 << 6,
};

}  // namespace fx::gfx
