// The limiter's editor: fonts, text styles and every control of the 1000 x 270 panel, attached in
// drawing order (later controls are drawn over and hit before earlier ones), with the positions
// the plug-in keeps for its idle and mode updates. Main thread only.

#include "plugin/ORBEX9.h"

#include "graphics/IGfx.h"
#include "graphics/controls/IControlLibrary.h"
#include "plugin/editor/EditorControlSupport.h"
#include "plugin/editor/IBBitmapControlBV.h"
#include "plugin/editor/IBCornerResizerControlBV.h"
#include "plugin/editor/IBInfoMenuBV.h"
#include "plugin/editor/IBKnobMultiControlBV.h"
#include "plugin/editor/IBPresetMenuBV.h"
#include "plugin/editor/IBRadioButtonsControl.h"
#include "plugin/editor/IBSwitchControlBV.h"
#include "plugin/editor/IBUpdateControlBV.h"
#include "plugin/editor/IVParameterControlHiddenBV.h"
#include "plugin/editor/IVTextControlBV.h"
#include "plugin/editor/VUCalibration.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace fx::gfx;
using editorbv::FrameRectAt;

namespace {

constexpr const char* kChangelogURLFormat = "https://www.brimvaldex.com/products/%s#Changelog";
constexpr const char* kShortCode = "orbx";

IText Style(const char* font, float size, const IColor& colour, int32_t align)
{
  return IText(size, colour, font, align, kVAlignMiddle, 0.f, IColor(255, 255, 255, 255), IColor(255, 0, 0, 0));
}

// The group's bounds: from the first button's origin to the largest right and bottom edges.
IRECT GroupBounds(const std::vector<IRECT>& buttons)
{
  IRECT r(buttons.front().L, buttons.front().T, buttons.front().R, buttons.front().B);
  for (const IRECT& b : buttons)
  {
    r.R = std::max(r.R, b.R);
    r.B = std::max(r.B, b.B);
  }
  return r;
}

} // namespace

void ORBEX9::LayoutEditor(IGfx* pGraphics)
{
  if (!pGraphics) return;
  IGfx& g = *pGraphics;
  if (!g.IsDrawContextReady())
  {
    SetHasUI(false);
    return;
  }
  if (g.NControls() > 0) return; // laid out already (a resize lays out again)

  // Attaches a control with its tooltip and returns its position in the list; a control the
  // editor could not take is deleted and gives -1.
  auto attach = [&g](IControl* control, const char* tooltip = nullptr, int tag = -1) {
    if (!g.AttachControl(control, tag))
    {
      delete control;
      return -1;
    }
    if (tooltip) control->SetTooltip(tooltip);
    return g.NControls() - 1;
  };

  g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
  g.LoadFont("Verdana Normal", "verdana.ttf");
  g.LoadFont("Verdana Bold", "verdanab.ttf");
  RegisterControlLibrary(); // the in-editor text field
  g.AttachTextEntryControl();
  g.EnableMouseOver(true);
  g.EnableMultiTouch(false);

  attach(new IVParameterControlHiddenBV(kGUIScale));
  attach(new IVParameterControlHiddenBV(kTooltips));
  attach(new IVParameterControlHiddenBV(kUpdateCheck));

  const IBitmap resize = g.LoadBitmap("button_resize.png", 2);
  g.AttachCornerResizer(new IBCornerResizerControlBV(g.GetBounds(), resize, -1, -1, kActionScaleFromControl,
                                                     kActionResetScale, 0.f, 0.f),
                        kResizerScale, true);
  const fx::IParam* scale = GetParam(kGUIScale);
  g.SetScaleConstraints(static_cast<float>(scale->GetMin()), static_cast<float>(scale->GetMax()));

  const IText largeKnob = Style("Verdana Bold", 13.f, IColor(255, 255, 255, 255), kAlignCenter);
  const IText smallKnob = Style("Verdana Bold", 12.f, IColor(255, 255, 255, 255), kAlignCenter);
  const IText readout = Style("Verdana Bold", 12.f, IColor(255, 90, 90, 85), kAlignFar);
  const IText presetName = Style("Verdana Normal", 17.f, IColor(255, 211, 212, 213), kAlignCenter);
  const IColor valueBox(223, 36, 36, 36);

  attach(new IBBitmapControlBV(0, 0, g.LoadBitmap("background.png", 1)));

  const IBitmap bigKnob = g.LoadBitmap("Knob_big.png", 51);
  const IBitmap smallKnobBitmap = g.LoadBitmap("Knob_small.png", 51);
  auto knob = [&](int x, int y, int param, const IBitmap& bitmap, const IText& style, int chars) {
    return new IBKnobMultiControlBV(x, y, param, bitmap, style, valueBox, chars, kVertical, false, true, false, 1,
                                    false, true, 4.0, 0.f);
  };
  attach(knob(60, 104, kGain, bigKnob, largeKnob, 6), "Gain");
  mControls.ceilingKnob = attach(knob(858, 104, kCeiling, bigKnob, largeKnob, 6), "Ceiling");
  attach(knob(163, 132, kAttack, smallKnobBitmap, smallKnob, 8), "Attack");
  attach(knob(232, 132, kRelease, smallKnobBitmap, smallKnob, 8), "Release");
  attach(knob(718, 132, kDrive, smallKnobBitmap, smallKnob, 6), "Drive");
  attach(knob(787, 132, kChLink, smallKnobBitmap, smallKnob, 6), "Channel link");

  const IBitmap toggle = g.LoadBitmap("switch_toggle1.png", 2);
  attach(new IBSwitchControlBV(155, 74, toggle, kSatMode), "Saturation: off/on");
  attach(new IBSwitchControlBV(231, 74, toggle, kAutoRelease), "Auto release: off/on");
  attach(new IBSwitchControlBV(731, 74, toggle, kLookAhead), "Look ahead: short/long");
  attach(new IBSwitchControlBV(807, 74, toggle, kLimitMode), "Limit mode: hard/soft");
  attach(new IBSwitchControlBV(864, 76, g.LoadBitmap("outputmode.png", 2), koutputmode), "Ceiling/volume mode");

  const IBitmap vu = g.LoadBitmap("buttonVU.png", 2);
  const std::vector<IRECT> vuButtons = {FrameRectAt(459, 62, vu), FrameRectAt(485, 62, vu), FrameRectAt(511, 62, vu)};
  attach(new IBRadioButtonsControl3(GroupBounds(vuButtons), kMeterMode, vuButtons[0], vu, vuButtons[1], vu,
                                    vuButtons[2], vu, false),
         "Meter mode: IN/GR/OUT");
  const IBitmap os = g.LoadBitmap("buttonOS.png", 2);
  const std::vector<IRECT> osButtons = {FrameRectAt(441, 231, os), FrameRectAt(466, 231, os), FrameRectAt(491, 231, os),
                                        FrameRectAt(516, 231, os), FrameRectAt(541, 231, os)};
  attach(new IBRadioButtonsControl5(GroupBounds(osButtons), kOSMode, osButtons[0], os, osButtons[1], os, osButtons[2],
                                    os, osButtons[3], os, osButtons[4], os, false),
         "Oversampling: 1x-16x");

  // The meter scale is filled afresh on every layout: an editor opened again must not add a
  // second copy of its points.
  mMeterScale.Clear();
  for (const VUCalibrationPoint& p : kVUCalibration) AddMeterCalibrationPoint(p.dB, p.position);

  // The two meters, the right one 198 units right of the left one; each layer of both before
  // the next layer.
  constexpr int kMeterX[2] = {307, 505};
  const IBitmap face = g.LoadBitmap("VUbase.png", 1);
  for (int x : kMeterX) attach(new IBBitmapControlBV(x, 94, face));
  for (int m = 0; m < 2; ++m)
  {
    const float x = static_cast<float>(kMeterX[m] + 10);
    auto* text = new IVTextControlBV(IRECT(x, 186, x + 44, 198), "-144.0", readout, IColor(0, 0, 0, 0), false);
    text->SetIgnoreMouse(true);
    mControls.readouts[m] = attach(text);
  }
  const IBitmap label = g.LoadBitmap("VULabel.png", 2);
  for (int m = 0; m < 2; ++m)
  {
    mControls.meterScaleLabels[m] = attach(new IBBitmapControlBV(kMeterX[m] + 78, 160, label));
  }
  // needles: left level, left held level, right level, right held level
  const IBitmap held = g.LoadBitmap("VUneedle1.png", 51);
  for (int m = 0; m < 2; ++m)
  {
    mControls.needles[2 * m + 1] = attach(new IBBitmapControlBV(kMeterX[m], 94, held));
  }
  const IBitmap level = g.LoadBitmap("VUneedle.png", 51);
  for (int m = 0; m < 2; ++m)
  {
    mControls.needles[2 * m] = attach(new IBBitmapControlBV(kMeterX[m], 94, level));
  }
  const IBitmap glass = g.LoadBitmap("VUglass.png", 1);
  for (int x : kMeterX) attach(new IBBitmapControlBV(x, 94, glass));

  const IRECT nameRect(400, 8, 600, 30), textRect(404, 8, 576, 30);
  const IBitmap previous = g.LoadBitmap("button_previous.png", 2), next = g.LoadBitmap("button_next.png", 2);
  const IRECT presetBounds =
    nameRect.Union(textRect).Union(FrameRectAt(604, 8, previous)).Union(FrameRectAt(626, 8, next));
  attach(new IBPresetMenuBV(this, presetBounds, nameRect, textRect, 604, 8, previous, 626, 8, next, presetName,
                            kActionLoadPreset, kActionSavePreset, kActionSaveDefault, kActionScanPresets, -1, -1,
                            &mPresetLists, fx::FxString(GetDataFolder()), "qvs", 20, true, false),
         "Preset menu", kPresetMenuTag);

  char changelog[1024];
  std::snprintf(changelog, sizeof(changelog), kChangelogURLFormat, kShortCode);
  std::vector<fx::IParam*> menuParams;
  for (int i = 0; i < mExtraParams.GetSize(); ++i) menuParams.push_back(mExtraParams.Get(i));
  attach(new IBInfoMenuBV(this, 86, 18, g.LoadBitmap("pluginmenu.png", 2), kActionAbout, kActionUpdateCheck,
                          fx::FxString(GetDataFolder()), changelog, kTooltips, -1, -1, -1, kActionResetScale,
                          kActionScaleFromParam, {}, {}, {}, menuParams, kActionFixedScale),
         "Plugin info and options", kInfoMenuTag);

  mControls.updateIcon =
    attach(new IBUpdateControlBV(279, 18, g.LoadBitmap("iconupdateavailable.png", 2), kActionUpdateCheck));

  mControlsCreated = true;
  UpdateModeDisplays();
}
