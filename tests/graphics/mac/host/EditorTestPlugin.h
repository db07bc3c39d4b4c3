#pragma once
// A small product with an editor, built into the FxEditorTest component that the editor host
// tests load: a level fader, a bypass switch, a text readout in the bundle's font and a bitmap
// from the bundle, drawn by the macOS back end into its Cocoa view.

#include "au/IFxAU.h"

namespace fx::test {

enum EEditorTestParam
{
  kParamLevel = 0,  // double 0..1
  kParamBypass = 1, // bool
  kNumEditorTestParams
};

constexpr int kEditorTestWidth = 300;
constexpr int kEditorTestHeight = 200;

// Where the controls are, in editor units.
constexpr float kFaderL = 20, kFaderT = 20, kFaderR = 60, kFaderB = 180;
constexpr float kSwitchL = 100, kSwitchT = 20, kSwitchR = 180, kSwitchB = 60;

// The colours a person sees (RGB).
constexpr int kBackgroundRGB[3] = {20, 30, 60};
constexpr int kFaderOnRGB[3] = {40, 200, 90};
constexpr int kSwitchOnRGB[3] = {220, 40, 40};

class EditorTestPlugin : public IFxAU
{
public:
  explicit EditorTestPlugin(const IAUCreateInfo& info);
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
};

} // namespace fx::test
