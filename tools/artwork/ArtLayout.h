// Where the editor's layout places each picture (editor units, 1000 x 270), and the frame sizes
// the pictures are drawn at. The layout is mirror-symmetric about x = 500; every origin pair
// agrees with these widths.
#pragma once

namespace orbexart {

struct Pt {
  float x, y;
};
struct Rect {
  float l, t, r, b;
  float w() const { return r - l; }
  float h() const { return b - t; }
  float cx() const { return (l + r) / 2; }
  float cy() const { return (t + b) / 2; }
};

inline constexpr int kEditorW = 1000, kEditorH = 270;

// Frame sizes.
inline constexpr int kBigKnob = 82, kSmallKnob = 50;
inline constexpr int kSwitchW = 38, kSwitchH = 24;
inline constexpr int kCeilingModeW = 70, kCeilingModeH = 24;
inline constexpr int kMeterButtonW = 24, kOSButtonW = 22, kButtonH = 14;
inline constexpr int kFaceW = 188, kFaceH = 120;
inline constexpr int kScaleLabelW = 32, kScaleLabelH = 12;
inline constexpr int kArrowW = 20, kArrowH = 22;
inline constexpr int kMenuIconW = 30, kMenuIconH = 22;
inline constexpr int kUpdateIcon = 22;
inline constexpr int kResizeGrip = 16;

// Frame counts.
inline constexpr int kKnobFrames = 51, kNeedleFrames = 51;

// Origins.
inline constexpr Pt kGainKnob{60, 104}, kCeilingKnob{858, 104};
inline constexpr Pt kAttackKnob{163, 132}, kReleaseKnob{232, 132}, kDriveKnob{718, 132}, kLinkKnob{787, 132};
inline constexpr Pt kSaturationSwitch{155, 74}, kAutoReleaseSwitch{231, 74}, kLookAheadSwitch{731, 74},
    kLimitModeSwitch{807, 74};
inline constexpr Pt kCeilingMode{864, 76};
inline constexpr float kMeterButtonX[3] = {459, 485, 511};
inline constexpr float kMeterButtonY = 62;
inline constexpr float kOSButtonX[5] = {441, 466, 491, 516, 541};
inline constexpr float kOSButtonY = 231;
inline constexpr Pt kFaces[2] = {{307, 94}, {505, 94}};
inline constexpr Pt kPluginMenu{86, 18}, kUpdateIconAt{279, 18};
inline constexpr Rect kPresetName{400, 8, 600, 30}, kPresetText{404, 8, 576, 30};
inline constexpr Pt kPresetPrevious{604, 8}, kPresetNext{626, 8};

// Inside a meter face (face units): the readout's rectangle and the scale label's origin.
inline constexpr Rect kReadoutInFace{10, 92, 54, 104};
inline constexpr Pt kScaleLabelInFace{78, 66};

}  // namespace orbexart
