#pragma once
// Identity and editor action indices of the limiter plug-in (its parameters are declared in
// plugin/dsp/LimiterParamTable.h).

#include "plugin/dsp/LimiterParamTable.h"

#include <cstdint>

namespace orbex9 {

inline constexpr const char* kPluginName = "ORBEX9";
inline constexpr const char* kProductName = "ORBEX9";
inline constexpr const char* kMfrName = "Brimvaldex";
inline constexpr const char* kVersionStr = "2.1.17";
inline constexpr int32_t kVersion = 0x00020111;
inline constexpr const char* kBundleID = "com.brimvaldex.audiounit.ORBEX9";
inline constexpr const char* kChannelIO = "1-1 2-2";
// Name older preset files carry in PluginName; accepted on load.
inline constexpr const char* kAltPluginName = "ORBX";

inline constexpr int kEditorWidth = 1000;
inline constexpr int kEditorHeight = 270;
inline constexpr int kEditorFPS = 60;

} // namespace orbex9

/** Actions the editor sends through the parameter-change entry, after the parameters. */
enum EActionIdx : int
{
  kActionNone = 16,
  kActionAbout = 17,
  kActionUpdateCheck = 18,
  kActionReserved19 = 19,
  kActionLoadPreset = 20,
  kActionSavePreset = 21,
  kActionSaveDefault = 22,
  kActionScanPresets = 23,
  kActionReserved24 = 24,
  kActionReserved25 = 25,
  kActionScaleFromControl = 26,
  kActionResetScale = 27,
  kActionScaleFromParam = 28,
  kActionFixedScale = 29,
  kNumActions
};
