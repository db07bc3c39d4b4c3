#pragma once
// Attenuation-correction tables of the low-pass designer: the fitted length
// and window formulas are fed an attenuation nudged by table[i] / scale dB so
// that each design reaches the attenuation asked for. One table per
// transition-band class.

namespace rsmp {

inline constexpr int kLowPassCorrectionSize = 265;

extern const signed char kLowPassCorrWide[kLowPassCorrectionSize];   // band >= 25 %, scale 101
extern const signed char kLowPassCorrMid[kLowPassCorrectionSize];    // 10 % <= band < 25 %, scale 210
extern const signed char kLowPassCorrNarrow[kLowPassCorrectionSize]; // band < 10 %, scale 196

inline constexpr double kLowPassCorrWideScale = 101.0;
inline constexpr double kLowPassCorrMidScale = 210.0;
inline constexpr double kLowPassCorrNarrowScale = 196.0;

} // namespace rsmp
