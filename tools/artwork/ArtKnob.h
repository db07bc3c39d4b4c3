// The knob picture shared by the big and the small knob strips, and the angle of its pointer.
#pragma once

#include "vector/VGContext.h"

namespace orbexart {

// Pointer angle of a knob value 0..1: radians from 12 o'clock, clockwise, over 270 degrees.
float KnobAngle(float value);
inline constexpr float kKnobSweepDegrees = 270.0f;

// A knob of `size` units square at (0, 0) showing `value`: value ring, body, pointer.
void DrawKnob(fx::gfx::VGcontext* vg, float size, float value);

}  // namespace orbexart
