#pragma once
// The limiter's sixteen parameters, declared once: index, name, kind, range,
// step, shape, default, flags, group, item texts, where a change goes in the
// engine and the key and format it has in a preset document. The plug-in's
// initialisers, its preset documents, its change handler and the engine's
// setters all read this table. Constant data; any thread.

#include <array>
#include <cstddef>
#include <cstdint>

/** The sixteen host parameters. */
enum EParamIdx : int
{
  kGUIScale = 0,
  kTooltips,
  kOSMode,
  kGain,
  kAttack,
  kRelease,
  kAutoRelease,
  kLookAhead,
  kCeiling,
  kDrive,
  kChLink,
  kMeterMode,
  kLimitMode,
  kSatMode,
  koutputmode,
  kUpdateCheck,
  kNumParams
};

namespace limiterparams {

enum class EKind : int32_t
{
  kDouble,
  kEnum
};

enum class EShape : int32_t
{
  kLinear,
  kPowCurve // value = min + (max - min) * normalised^exponent
};

// What a change of the parameter does in the engine.
enum class EEngine : int32_t
{
  kNone,        // the editor's or the product's own setting
  kRebuild,     // rebuilds the processing state (under the processing mutex)
  kStageValues, // recomputes stage, clipper, clamp and saturator values
  kBlockValues  // read by the block directly (no derived values)
};

inline constexpr int32_t kMaxItems = 5;

struct ParamSpec
{
  EParamIdx index;
  const char* name;
  EKind kind;
  const char* label;
  double min, max, step; // enums: 0 .. items - 1, step 1
  EShape shape;
  double exponent;       // of a power curve
  double defaultValue;
  bool automatable;      // false: hosts may not automate it
  const char* group;
  int32_t nItems;
  const char* items[kMaxItems];
  EEngine engine;
  const char* xmlKey;    // key in a preset document; null for a parameter it does not hold
  const char* xmlFormat;
};

using enum EKind;
using enum EShape;
using enum EEngine;

inline constexpr ParamSpec kParams[kNumParams] = {
  {kGUIScale, "GUI Scale", kDouble, "", 0.5, 3.0, 0.01, kLinear, 1.0, 1.0, false, "GUI", 0, {}, kNone, nullptr, nullptr},
  {kTooltips, "Toggle Tooltips", kEnum, "", 0, 1, 1, kLinear, 1.0, 1, false, "GUI", 2, {"Off", "On"}, kNone, nullptr,
   nullptr},
  {kOSMode, "OS Mode", kEnum, "", 0, 4, 1, kLinear, 1.0, 0, false, "Processing", 5, {"1x", "2x", "4x", "8x", "16x"},
   kRebuild, nullptr, nullptr},
  {kGain, "Gain", kDouble, "dB", 0.0, 24.0, 0.01, kPowCurve, 2.0, 0.0, true, "Processing", 0, {}, kStageValues,
   "kGain", "%.2lf"},
  {kAttack, "Attack", kDouble, "ms", 0.0, 1000.0, 0.01, kPowCurve, 2.0, 0.0, true, "Processing", 0, {}, kStageValues,
   "kAttack", "%.2lf"},
  {kRelease, "Release", kDouble, "ms", 0.0, 1000.0, 0.01, kPowCurve, 2.0, 0.0, true, "Processing", 0, {},
   kStageValues, "kRelease", "%.2lf"},
  {kAutoRelease, "Auto Release", kEnum, "", 0, 1, 1, kLinear, 1.0, 0, true, "Processing", 2, {"Off", "On"},
   kStageValues, "kAutoRelease", "%d"},
  {kLookAhead, "Look Ahead", kEnum, "", 0, 1, 1, kLinear, 1.0, 0, false, "Processing", 2, {"Short", "Long"}, kRebuild,
   "kLookAhead", "%d"},
  {kCeiling, "Ceiling", kDouble, "dBFS", -24.0, 0.0, 0.01, kPowCurve, 0.5, 0.0, true, "Processing", 0, {},
   kStageValues, "kCeiling", "%.2lf"},
  {kDrive, "Drive", kDouble, "dB", 0.0, 24.0, 0.01, kPowCurve, 2.0, 0.0, true, "Processing", 0, {}, kStageValues,
   "kDrive", "%.2lf"},
  {kChLink, "Channel Link", kDouble, "%", 0.0, 100.0, 1.0, kLinear, 1.0, 100.0, true, "Processing", 0, {},
   kBlockValues, "kChLink", "%.1lf"},
  {kMeterMode, "Meter Mode", kEnum, "", 0, 2, 1, kLinear, 1.0, 0, true, "GUI", 3, {"IN", "GR", "OUT"}, kNone,
   "kMeterMode", "%d"},
  {kLimitMode, "Limit Mode", kEnum, "", 0, 1, 1, kLinear, 1.0, 0, false, "Processing", 2, {"Hard", "Soft"},
   kBlockValues, "kLimitMode", "%d"},
  {kSatMode, "Saturation Mode", kEnum, "", 0, 1, 1, kLinear, 1.0, 0, true, "Processing", 2, {"Off", "On"},
   kBlockValues, "kSatMode", "%d"},
  {koutputmode, "Ceiling Mode", kEnum, "", 0, 1, 1, kLinear, 1.0, 0, true, "Processing", 2, {"Ceiling", "Volume"},
   kStageValues, "koutputmode", "%d"},
  {kUpdateCheck, "Online Update Check", kEnum, "", 0, 1, 1, kLinear, 1.0, 1, false, "GUI", 2, {"Off", "On"}, kNone,
   nullptr, nullptr},
};

constexpr const ParamSpec& Spec(int paramIdx) { return kParams[paramIdx]; }

constexpr bool IsParam(int paramIdx) { return paramIdx >= 0 && paramIdx < kNumParams; }

// Parameters a preset document holds.
constexpr int CountXmlKeys()
{
  int n = 0;
  for (const ParamSpec& p : kParams)
    n += p.xmlKey ? 1 : 0;
  return n;
}

constexpr bool TableIsInIndexOrder()
{
  for (int i = 0; i < kNumParams; ++i)
    if (kParams[i].index != i)
      return false;
  return true;
}
static_assert(TableIsInIndexOrder(), "row i declares parameter i");

} // namespace limiterparams
