// The editor's layout as the plug-in opens it: the control list in drawing order, the kept
// positions, the calibration table, the scale limits, the resizer and the text field; opening
// again and laying out again.

#include "tests/plugin/editor/EditorTestSupport.h"

#include "core/IParam.h"
#include "plugin/PresetLists.h"
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

#include <gtest/gtest.h>

#include <typeinfo>

using namespace editortest;
using namespace fx::gfx;

namespace {

// The list the layout builds: class, parameter, tooltip.
struct Expected
{
  const std::type_info& type;
  int param;
  const char* tooltip;
};

const Expected kList[] = {
  {typeid(IVParameterControlHiddenBV), kGUIScale, ""},
  {typeid(IVParameterControlHiddenBV), kTooltips, ""},
  {typeid(IVParameterControlHiddenBV), kUpdateCheck, ""},
  {typeid(IBBitmapControlBV), -1, ""},
  {typeid(IBKnobMultiControlBV), kGain, "Gain"},
  {typeid(IBKnobMultiControlBV), kCeiling, "Ceiling"},
  {typeid(IBKnobMultiControlBV), kAttack, "Attack"},
  {typeid(IBKnobMultiControlBV), kRelease, "Release"},
  {typeid(IBKnobMultiControlBV), kDrive, "Drive"},
  {typeid(IBKnobMultiControlBV), kChLink, "Channel link"},
  {typeid(IBSwitchControlBV), kSatMode, "Saturation: off/on"},
  {typeid(IBSwitchControlBV), kAutoRelease, "Auto release: off/on"},
  {typeid(IBSwitchControlBV), kLookAhead, "Look ahead: short/long"},
  {typeid(IBSwitchControlBV), kLimitMode, "Limit mode: hard/soft"},
  {typeid(IBSwitchControlBV), koutputmode, "Ceiling/volume mode"},
  {typeid(IBRadioButtonsControl3), kMeterMode, "Meter mode: IN/GR/OUT"},
  {typeid(IBRadioButtonsControl5), kOSMode, "Oversampling: 1x-16x"},
  {typeid(IBBitmapControlBV), -1, ""}, // meter faces
  {typeid(IBBitmapControlBV), -1, ""},
  {typeid(IVTextControlBV), -1, ""}, // readouts
  {typeid(IVTextControlBV), -1, ""},
  {typeid(IBBitmapControlBV), -1, ""}, // scale labels
  {typeid(IBBitmapControlBV), -1, ""},
  {typeid(IBBitmapControlBV), -1, ""}, // held-level needles
  {typeid(IBBitmapControlBV), -1, ""},
  {typeid(IBBitmapControlBV), -1, ""}, // level needles
  {typeid(IBBitmapControlBV), -1, ""},
  {typeid(IBBitmapControlBV), -1, ""}, // glass
  {typeid(IBBitmapControlBV), -1, ""},
  {typeid(IBPresetMenuBV), -1, "Preset menu"},
  {typeid(IBInfoMenuBV), -1, "Plugin info and options"},
  {typeid(IBUpdateControlBV), -1, "Click to check for updates"},
};
constexpr int kCount = static_cast<int>(sizeof(kList) / sizeof(kList[0]));

} // namespace

TEST(EditorLayout, AttachesTheControlsInDrawingOrderAndKeepsTheirPositions)
{
  ProductEditor ed;
  ed.Open();
  ASSERT_NE(ed.gfx, nullptr);
  ASSERT_EQ(ed.gfx->NControls(), kCount);
  for (int i = 0; i < kCount; ++i)
  {
    SCOPED_TRACE(i);
    IControl* c = ed.Control(i);
    EXPECT_EQ(typeid(*c), kList[i].type);
    EXPECT_EQ(c->GetParamIdx(), kList[i].param);
    EXPECT_STREQ(c->GetTooltip(), kList[i].tooltip);
  }
  EXPECT_EQ(ed.gfx->FindControlWithTag(ORBEX9::kPresetMenuTag), ed.Control(29));
  EXPECT_EQ(ed.gfx->FindControlWithTag(ORBEX9::kInfoMenuTag), ed.Control(30));

  const ORBEX9::ControlIndices& k = ed.plug->GetControlIndices();
  EXPECT_EQ(k.ceilingKnob, 5);
  EXPECT_EQ(k.readouts[0], 19);
  EXPECT_EQ(k.readouts[1], 20);
  EXPECT_EQ(k.meterScaleLabels[0], 21);
  EXPECT_EQ(k.meterScaleLabels[1], 22);
  EXPECT_EQ(k.needles[1], 23); // held levels
  EXPECT_EQ(k.needles[3], 24);
  EXPECT_EQ(k.needles[0], 25); // levels
  EXPECT_EQ(k.needles[2], 26);
  EXPECT_EQ(k.updateIcon, 31);
  EXPECT_STREQ(ed.ControlAs<IVTextControlBV>(19)->GetStr(), "-144.0");
  EXPECT_EQ(ed.Control(19)->GetRECT(), IRECT(317, 186, 361, 198));
  EXPECT_EQ(ed.Control(20)->GetRECT(), IRECT(515, 186, 559, 198));
  EXPECT_TRUE(ed.Control(19)->GetIgnoreMouse());

  // Every control stands where the table puts it, one frame of its bitmap large.
  const IBitmap big = ed.gfx->LoadBitmap("Knob_big.png", 51);
  EXPECT_EQ(ed.Control(5)->GetRECT(), IRECT(858, 104, 858 + big.FW(), 104 + big.FH()));
  EXPECT_EQ(ed.Control(3)->GetRECT(), IRECT(0, 0, 1000, 270));
  EXPECT_EQ(ed.Control(31)->GetRECT().L, 279.f);

  EXPECT_TRUE(ed.gfx->MouseOverEnabled());
  EXPECT_FALSE(ed.gfx->MultiTouchEnabled());
  EXPECT_NE(ed.gfx->GetTextEntryControl(), nullptr);
  EXPECT_FLOAT_EQ(ed.gfx->GetMinScale(), 0.5f);
  EXPECT_FLOAT_EQ(ed.gfx->GetMaxScale(), 3.0f);
  auto* resizer = dynamic_cast<IBCornerResizerControlBV*>(ed.gfx->GetCornerResizer());
  ASSERT_NE(resizer, nullptr);
  EXPECT_EQ(resizer->GetMode(), 2);
  EXPECT_TRUE(ed.gfx->GetLayoutOnResize());
  EXPECT_TRUE(ed.plug->GetControlsCreated());
  for (const char* font : {"Roboto-Regular|Roboto-Regular.ttf", "Verdana Normal|verdana.ttf", "Verdana Bold|verdanab.ttf"})
  {
    bool loaded = false;
    for (const auto& c : ed.gfx->All("LoadPlatformFont")) loaded |= c.s == font;
    EXPECT_TRUE(loaded) << font;
  }
}

TEST(EditorLayout, LaysOutOncePerEditorAndAfreshOnEachOpening)
{
  ProductEditor ed;
  ed.Open();
  ASSERT_EQ(ed.gfx->NControls(), kCount);
  // Again on the same editor (as a resize with layout on resize does): nothing more.
  ed.plug->LayoutUI(ed.gfx);
  ed.gfx->Resize(1000, 270, 1.5f, true);
  EXPECT_EQ(ed.gfx->NControls(), kCount);

  const MeterScale& scale = ed.plug->GetMeterScale();
  ASSERT_EQ(scale.NPoints(), 15);
  std::vector<double> once;
  for (double dB = -110.0; dB <= 5.0; dB += 0.37) once.push_back(scale.Map(dB));

  ed.Close();
  ed.Open();
  EXPECT_EQ(ed.gfx->NControls(), kCount);
  EXPECT_EQ(ed.plug->GetControlIndices().updateIcon, 31);
  // Opening again fills the table afresh, not a second time over.
  EXPECT_EQ(scale.NPoints(), 15);
  size_t i = 0;
  for (double dB = -110.0; dB <= 5.0; dB += 0.37) EXPECT_DOUBLE_EQ(scale.Map(dB), once[i++]) << dB;
}

TEST(EditorLayout, AnEditorThatCannotDrawGetsNoControls)
{
  ProductEditor ed;
  ed.drawContextReady = false;
  ASSERT_TRUE(ed.plug->HasUI());
  ed.Open();
  ASSERT_NE(ed.gfx, nullptr);
  EXPECT_EQ(ed.gfx->NControls(), 0);
  EXPECT_FALSE(ed.plug->HasUI());
  EXPECT_FALSE(ed.plug->GetControlsCreated());
  ed.plug->OnIdle(); // nothing to update, nothing breaks
}

TEST(EditorLayout, ScaleLimitsAreTheSmallerAndTheLarger)
{
  ProductEditor ed;
  ed.Open();
  ed.gfx->SetScaleConstraints(3.f, 0.5f);
  EXPECT_FLOAT_EQ(ed.gfx->GetMinScale(), 0.5f);
  EXPECT_FLOAT_EQ(ed.gfx->GetMaxScale(), 3.0f);
  ed.gfx->SetScaleConstraints(0.f, 2.f); // not a usable limit: unchanged
  EXPECT_FLOAT_EQ(ed.gfx->GetMinScale(), 0.5f);
  ed.gfx->Resize(1000, 270, 4.f, true);
  EXPECT_FLOAT_EQ(ed.gfx->GetDrawScale(), 3.f);
}

TEST(EditorLayout, LaterControlsAreDrawnOverAndHitBeforeEarlierOnes)
{
  ProductEditor ed;
  ed.Open();
  ed.gfx->Clear();
  ed.gfx->SetAllControlsDirty();
  ASSERT_TRUE(ed.Frame());
  std::vector<std::string> order;
  for (const auto& c : ed.gfx->All("DrawBitmap"))
    if (c.s.rfind("VU", 0) == 0 || c.s == "background.png") order.push_back(c.s);
  const std::vector<std::string> expected = {"background.png", "VUbase.png",    "VUbase.png",    "VULabel.png",
                                             "VULabel.png",    "VUneedle1.png", "VUneedle1.png", "VUneedle.png",
                                             "VUneedle.png",   "VUglass.png",   "VUglass.png"};
  EXPECT_EQ(order, expected);

  EXPECT_EQ(ed.gfx->GetMouseControl(100.f, 140.f, false), ed.Control(4)); // Gain over the background
  EXPECT_EQ(ed.gfx->GetMouseControl(400.f, 150.f, false), ed.Control(27)); // the left glass
  EXPECT_EQ(ed.gfx->GetMouseControl(20.f, 250.f, false), ed.Control(3));
}

TEST(EditorLayout, TheHeaderMenusAnswerAtTheirItemPositions)
{
  ProductEditor ed;
  ed.Open();
  // The plugin menu: item 15 is "Fixed GUI Scale", whose item 4 is 150 %; the editor takes the
  // scale at the next idle tick.
  ed.gfx->menuPath = {15, 4};
  ed.Click(95, 25);
  ASSERT_FALSE(ed.gfx->menus.empty());
  const IPopupMenu& info = *ed.gfx->menus.back();
  ASSERT_EQ(info.NItems(), 16);
  EXPECT_STREQ(info.GetItem(15)->GetText(), "Fixed GUI Scale");
  EXPECT_STREQ(info.GetItem(15)->GetSubmenu()->GetItem(4)->GetText(), "150%");
  EXPECT_STREQ(info.GetItem(10)->GetText(), "Tooltips");
  EXPECT_STREQ(info.GetItem(12)->GetText(), "Reset GUI scale");
  ed.plug->OnIdle();
  EXPECT_FLOAT_EQ(ed.gfx->GetDrawScale(), 1.5f);

  // The preset menu: item 8 is the factory list.
  ed.gfx->menuPath = {};
  ed.Click(500, 19);
  const IPopupMenu& presets = *ed.gfx->menus.back();
  ASSERT_GE(presets.NItems(), 9);
  EXPECT_STREQ(presets.GetItem(2)->GetText(), "Load preset ...");
  EXPECT_STREQ(presets.GetItem(5)->GetText(), "Save preset ...");
  EXPECT_STREQ(presets.GetItem(8)->GetText(), "Factory");
}
