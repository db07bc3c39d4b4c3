#pragma once
// A stand-in for the product editor: an editor object holding plain controls, a link that
// records what the plug-in does to them, and a layout that records control positions and a
// meter scale in the plug-in exactly as the real layout does.

#include "core/IControlLink.h"
#include "core/IGEditorDelegate.h"
#include "core/IGfxLink.h"
#include "plugin/ORBEX9.h"

#include <memory>
#include <string>
#include <vector>

namespace producttest {

class FakeControl : public fx::gfx::IControlLink
{
public:
  explicit FakeControl(int paramIdx = -1) : mParamIdx(paramIdx) {}
  void SetValueFromDelegate(double value, int valIdx) override { SetValue(value, valIdx); }
  int NVals() const override { return 1; }
  int GetParamIdx(int valIdx = 0) const override { return valIdx == 0 ? mParamIdx : -1; }
  bool GetWantsMidi() const override { return false; }
  double GetValue(int valIdx = 0) const { return valIdx == 0 ? mValue : 0.0; }
  void SetValue(double value, int valIdx = 0)
  {
    if (valIdx == 0) mValue = value;
  }
  int mParamIdx;
  double mValue = 0.0;
  std::string mText;
  std::string mLabel;
  int mDirtyCount = 0;
};

class FakeGfx : public fx::gfx::IGfxLink
{
public:
  explicit FakeGfx(fx::gfx::IGEditorDelegate& delegate, float scale) : mDelegate(delegate), mScale(scale) {}

  void* OpenWindow(void* /*pParent*/) override
  {
    mDelegate.SetEditorReady(true);
    mDelegate.LayoutUI(nullptr); // not a full editor: the layout uses the one it made
    mDelegate.OnUIOpen();
    return this;
  }
  void CloseWindow() override {}
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return mScale; }
  void Resize(int width, int height, float scale, bool /*needsPlatformResize*/) override
  {
    mWidth = width;
    mHeight = height;
    mScale = scale;
    ++mResizes;
  }
  void SetScreenScale(float /*scale*/) override {}
  void GetMouseLocation(float& x, float& y) const override { x = y = 0.f; }
  bool OnKeyDown(float, float, const fx::gfx::IKeyPress&) override { return false; }
  bool OnKeyUp(float, float, const fx::gfx::IKeyPress&) override { return false; }
  int NControls() const override { return static_cast<int>(mControls.size()); }
  fx::gfx::IControlLink* GetControl(int idx) const override { return Control(idx); }
  fx::gfx::IControlLink* FindControlWithTag(int /*tag*/) const override { return nullptr; }

  FakeControl* Control(int idx) const
  {
    return (idx >= 0 && idx < NControls()) ? mControls[static_cast<size_t>(idx)].get() : nullptr;
  }
  int Attach(int paramIdx = -1)
  {
    mControls.push_back(std::make_unique<FakeControl>(paramIdx));
    return NControls() - 1;
  }

  fx::gfx::IGEditorDelegate& mDelegate;
  std::vector<std::unique_ptr<FakeControl>> mControls;
  int mWidth = 1000;
  int mHeight = 270;
  float mScale = 1.f;
  int mResizes = 0;
};

/** What the link saw, kept by the test beyond the link's life. */
struct LinkLog
{
  bool tooltips = true;
  bool popupOpen = false;
  std::vector<std::pair<std::string, std::string>> messages; // text, caption
  std::vector<std::string> urls;
  int captureReleases = 0;
  std::string presetPath;
};

class FakeLink : public IEditorLinkBV
{
public:
  FakeLink(FakeGfx& gfx, LinkLog& log) : mGfx(gfx), mLog(log) {}
  int NControls() const override { return mGfx.NControls(); }
  double GetControlValue(int idx) const override
  {
    const FakeControl* c = mGfx.Control(idx);
    return c ? c->GetValue() : 0.0;
  }
  void SetControlValue(int idx, double value) override
  {
    if (FakeControl* c = mGfx.Control(idx))
    {
      c->SetValue(value);
      ++c->mDirtyCount;
    }
  }
  void SetControlText(int idx, const char* text) override
  {
    if (FakeControl* c = mGfx.Control(idx))
    {
      c->mText = text;
      ++c->mDirtyCount;
    }
  }
  void SetControlLabel(int idx, const char* label) override
  {
    if (FakeControl* c = mGfx.Control(idx)) c->mLabel = label;
  }
  void EnableTooltips(bool enable) override { mLog.tooltips = enable; }
  bool IsPopupMenuOpen() const override { return mLog.popupOpen; }
  void ShowMessageBox(const char* text, const char* caption) override { mLog.messages.emplace_back(text, caption); }
  void ReleaseMouseCapture() override { ++mLog.captureReleases; }
  void GetPresetMenuPath(fx::FxString& path) const override { path.Set(mLog.presetPath.c_str()); }
  bool OpenURL(const char* url) override
  {
    mLog.urls.emplace_back(url);
    return IEditorLinkBV::OpenURL(url); // through the platform layer, which records it
  }

private:
  FakeGfx& mGfx;
  LinkLog& mLog;
};

/** Installs the fake editor in plug and returns the positions it will use. The meter scale
 *  runs from -60 dB (position 0) over -20 dB (0.5) to 0 dB (1). */
struct FakeEditor
{
  static constexpr int kCeiling = 0, kScaleL = 1, kScaleR = 2, kUpdate = 3, kNeedle0 = 4, kReadoutL = 8,
                       kReadoutR = 9, kCount = 10;

  explicit FakeEditor(ORBEX9& plug) : mPlug(plug)
  {
    plug.SetMakeGraphicsFunc([this]() {
      mGfx = new FakeGfx(mPlug, static_cast<float>(mPlug.GetGUIScale()));
      return mGfx;
    });
    plug.SetLayoutFunc([this](fx::gfx::IGfx*) {
      FakeGfx* gfx = mGfx;
      for (int i = 0; i < kCount; ++i) gfx->Attach(i == kCeiling ? static_cast<int>(::kCeiling) : -1);
      ORBEX9::ControlIndices& c = mPlug.GetControlIndices();
      c.ceilingKnob = kCeiling;
      c.meterScaleLabels[0] = kScaleL;
      c.meterScaleLabels[1] = kScaleR;
      c.updateIcon = kUpdate;
      for (int k = 0; k < 4; ++k) c.needles[k] = kNeedle0 + k;
      c.readouts[0] = kReadoutL;
      c.readouts[1] = kReadoutR;
      mPlug.GetMeterScale().Clear();
      mPlug.AddMeterCalibrationPoint(-60.0, 0.0);
      mPlug.AddMeterCalibrationPoint(-20.0, 0.5);
      mPlug.AddMeterCalibrationPoint(0.0, 1.0);
      mPlug.SetEditorLink(std::make_unique<FakeLink>(*gfx, mLog));
      mPlug.SetControlsCreated(true);
      mPlug.UpdateModeDisplays();
    });
  }

  void Open() { mPlug.OpenWindow(nullptr); }
  void Close()
  {
    mPlug.CloseWindow();
    mGfx = nullptr;
  }
  FakeControl* Control(int idx) const { return mGfx ? mGfx->Control(idx) : nullptr; }

  ORBEX9& mPlug;
  FakeGfx* mGfx = nullptr;
  LinkLog mLog;
};

} // namespace producttest
