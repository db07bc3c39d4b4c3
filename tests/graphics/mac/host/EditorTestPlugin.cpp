#include "tests/graphics/mac/host/EditorTestPlugin.h"

#include "au/IAUCocoaView.h"
#include "au/IAUComponent.h"
#include "core/IParam.h"
#include "graphics/IControl.h"
#include "graphics/mac/IGfxMac.h"

#include <algorithm>
#include <cstdio>

namespace fx::test {

namespace {

using namespace fx::gfx;

IColor RGB(const int (&c)[3]) { return IColor(255, c[0], c[1], c[2]); }

class Panel : public IControl
{
public:
  using IControl::IControl;
  void Draw(IGfx& g) override { g.FillRect(RGB(kBackgroundRGB), GetRECT()); }
};

// A vertical fader: the value follows the pointer while pressed.
class Fader : public IControl
{
public:
  Fader(const IRECT& r, int paramIdx) : IControl(r, paramIdx) {}
  void Draw(IGfx& g) override
  {
    const IRECT& r = GetRECT();
    g.FillRect(IColor(255, 60, 60, 60), r);
    const float top = r.B - static_cast<float>(GetValue()) * r.H();
    g.FillRect(RGB(kFaderOnRGB), IRECT(r.L, top, r.R, r.B));
  }
  void OnMouseDown(float, float y, const IMouseMod&) override { Follow(y); }
  void OnMouseDrag(float, float y, float, float, const IMouseMod&) override { Follow(y); }

private:
  void Follow(float y)
  {
    SetValue(std::clamp((GetRECT().B - y) / GetRECT().H(), 0.f, 1.f));
    SetDirty(true);
  }
};

class Switch : public IControl
{
public:
  Switch(const IRECT& r, int paramIdx) : IControl(r, paramIdx) {}
  void Draw(IGfx& g) override
  {
    g.FillRoundRect(GetValue() > 0.5 ? RGB(kSwitchOnRGB) : IColor(255, 50, 50, 50), GetRECT(), 6.f);
  }
  void OnMouseDown(float, float, const IMouseMod&) override
  {
    SetValue(GetValue() > 0.5 ? 0.0 : 1.0);
    SetDirty(true);
  }
};

// The level as text, in the bundle's font.
class Readout : public IControl
{
public:
  Readout(const IRECT& r, int paramIdx) : IControl(r, paramIdx) {}
  void Draw(IGfx& g) override
  {
    char text[32];
    std::snprintf(text, sizeof(text), "Level %.2f", GetValue());
    g.DrawText(IText(16.f, kColorWhite, "Roboto-Regular"), text, GetRECT());
  }
};

class Picture : public IControl
{
public:
  Picture(const IRECT& r, const IBitmap& bitmap) : IControl(r), mBitmap(bitmap) {}
  void Draw(IGfx& g) override { g.DrawBitmap(mBitmap, GetRECT(), 0, 0); }

private:
  IBitmap mBitmap;
};

IFxConfig MakeConfig()
{
  IFxConfig c;
  c.nParams = kNumEditorTestParams;
  c.nPresets = 1;
  c.channelIOStr = "1-1 2-2";
  c.pluginName = "FxEditorTest";
  c.productName = "FxEditorTest Product";
  c.mfrName = "Orbex Tests";
  c.vendorVersion = 0x00010000;
  c.uniqueID = MakeFourCC("FxE1");
  c.mfrID = MakeFourCC("OrbT");
  c.plugType = kPlugTypeEffect;
  c.plugHasUI = true;
  c.plugWidth = kEditorTestWidth;
  c.plugHeight = kEditorTestHeight;
  c.bundleID = "com.orbex.tests.fxeditortest";
  return c;
}

} // namespace

EditorTestPlugin::EditorTestPlugin(const IAUCreateInfo& info)
  : IFxAU(MakeConfig(), info)
{
  GetParam(kParamLevel)->InitDouble("Level", 0.5, 0.0, 1.0, 0.001);
  GetParam(kParamBypass)->InitBool("Bypass", false);
  MakeDefaultPreset("Default", 1);

  SetMakeGraphicsFunc([this]() -> gfx::IGfxLink* {
    auto* g = new IGfxMac(*this, kEditorTestWidth, kEditorTestHeight, 60, 1.f);
    g->SetBundleID(GetBundleID());
    return g;
  });
  SetLayoutFunc([](IGfx* g) {
    g->LoadFont("Roboto-Regular", "Roboto-Regular.ttf");
    g->AttachControl(new Panel(g->GetBounds()));
    g->AttachControl(new Fader(IRECT(kFaderL, kFaderT, kFaderR, kFaderB), kParamLevel));
    g->AttachControl(new Switch(IRECT(kSwitchL, kSwitchT, kSwitchR, kSwitchB), kParamBypass));
    g->AttachControl(new Readout(IRECT(100, 80, 280, 110), kParamLevel));
    const IBitmap knob = g->LoadBitmap("Knob_small.png", 1, false, 0);
    // The first frame of the strip (its frames are square).
    g->AttachControl(new Picture(IRECT(200, 120, 200 + knob.W(), 120 + knob.W()), knob));
  });
}

void EditorTestPlugin::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  const int nIn = NChannels(kInput), nOut = NChannels(kOutput);
  for (int c = 0; c < nOut; ++c)
    for (int s = 0; s < nFrames; ++s) outputs[c][s] = c < nIn ? inputs[c][s] : 0.0;
}

} // namespace fx::test

FX_AU_COMPONENT(fx::test::EditorTestPlugin, FxEditorTest, "FxEditorTest_View")
FX_AU_COCOA_VIEW(FxEditorTest)
