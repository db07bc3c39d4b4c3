#pragma once
// Shared arithmetic of the dragged and wheeled controls (knobs and sliders): the fine-control
// modifiers, what counts as a stepped parameter, and how a value is put on the step grid.
// Plain functions; any thread.

#include "graphics/records/IMouseMod.h"

namespace fx {
class IParam;
}

namespace fx::gfx {

/** Control/command or shift held: the drag or wheel moves ten times finer. */
inline bool IsFineControl(const IMouseMod& mod) { return mod.C || mod.S; }

/** The parameter is stepped, with a positive step and a non-empty range. */
bool IsSteppedParam(const IParam* param);

/** The normalised value v put on the parameter's step grid, counted from its minimum: the
 *  plain value is truncated down to the step below it (a value a rounding error short of a step
 *  counts as that step). */
double QuantiseToStep(const IParam& param, double v);

/** The value after a wheel move of d notches: by d × 0.01 (0.001 fine), or, for a stepped
 *  parameter, exactly one step up or down within its range. Not clamped to 0..1. */
double WheelValue(const IParam* param, double value, float d, bool fine);

/** One step of a relative drag: the origin moves by delta pixels across an extent (negative:
 *  upward counts as more) at the gearing (extents per full range) and is clamped to 0..1; value
 *  receives the origin, put on the step grid for a stepped parameter. False, nothing changed,
 *  for a zero extent or gearing or a delta, extent or gearing that is not a number. */
bool DragStep(const IParam* param, double& origin, double delta, double extent, double gearing, double& value);

} // namespace fx::gfx
