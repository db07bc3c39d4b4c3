// The VU meter's geometry: where the needle turns and at which angle it shows a level. The
// needle's position (0..1, the value the editor gives the needle strips) maps linearly onto its
// sweep; levels map onto positions through the editor's calibration table, so a tick printed for
// a level sits exactly where the needle points for that level.
#pragma once

namespace orbexart {

// Face units (188 x 120). The pivot lies below the face, hidden by the glass's cover.
inline constexpr float kPivotX = 94.0f, kPivotY = 135.0f;
inline constexpr float kSweepDegrees = 80.0f;
inline constexpr float kScaleRadius = 92.0f;

// Needle angle (radians from straight up, clockwise) for a needle position 0..1.
float NeedleAngle(double position);
// Needle position for a level in dB, from the calibration table.
double LevelPosition(double dB);

}  // namespace orbexart
