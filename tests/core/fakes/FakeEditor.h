#pragma once
// A small editor for delegate tests, behaving as the platform back end does towards the
// delegate: opening marks the delegate editor-ready (from its draw-context-ready state), applies
// the screen scale, calls LayoutUI and then OnUIOpen, and returns a view. It records what the
// delegate asks of it.

#include "core/IControlLink.h"
#include "core/IGEditorDelegate.h"
#include "core/IGfxLink.h"
#include "core/IMidiMsg.h"
#include "graphics/records/IKeyPress.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fx::test {

class FakeControl : public gfx::IControlLink
{
public:
  explicit FakeControl(std::vector<int> paramIdxs = {-1}, bool wantsMidi = false)
    : mParamIdxs(std::move(paramIdxs)), mValues(mParamIdxs.size(), 0.0), mWantsMidi(wantsMidi)
  {
  }

  int NVals() const override { return static_cast<int>(mParamIdxs.size()); }
  int GetParamIdx(int valIdx = 0) const override
  {
    return (valIdx >= 0 && valIdx < NVals()) ? mParamIdxs[static_cast<size_t>(valIdx)] : -1;
  }
  bool GetWantsMidi() const override { return mWantsMidi; }
  double GetValue(int valIdx = 0) const
  {
    return (valIdx >= 0 && valIdx < NVals()) ? mValues[static_cast<size_t>(valIdx)] : 0.0;
  }
  void SetValue(double value, int valIdx = 0)
  {
    if (valIdx >= 0 && valIdx < NVals()) mValues[static_cast<size_t>(valIdx)] = value;
  }

  void SetValueFromDelegate(double value, int valIdx) override
  {
    SetValue(value, valIdx);
    values.emplace_back(valIdx, value);
  }
  void OnMsgFromDelegate(int msgTag, int dataSize, const void*) override { msgs.emplace_back(msgTag, dataSize); }
  void OnMidi(const IMidiMsg& msg) override { midi.push_back(msg); }

  std::vector<std::pair<int, double>> values;  // (value slot, value) as received
  std::vector<std::pair<int, int>> msgs;       // (msgTag, dataSize)
  std::vector<IMidiMsg> midi;

private:
  std::vector<int> mParamIdxs;
  std::vector<double> mValues;
  bool mWantsMidi;
};

class FakeGfx : public gfx::IGfxLink
{
public:
  struct ResizeCall
  {
    int width;
    int height;
    float scale;
    bool platform;
  };

  FakeGfx(gfx::IGEditorDelegate& dlg, int width, int height, float scale)
    : mDelegate(dlg), mWidth(width), mHeight(height), mScale(scale)
  {
    dlg.SetEditorSize(width, height);
    ++sAlive;
  }
  ~FakeGfx() override { --sAlive; }

  void* OpenWindow(void*) override
  {
    ++openCount;
    mOpen = true;
    mDelegate.SetEditorReady(drawContextReady);
    SetScreenScale(2.f);
    mDelegate.LayoutUI(nullptr); // not a full editor: the layout finds it through GetGraphics
    mDelegate.OnUIOpen();
    return &mView;
  }
  void CloseWindow() override
  {
    ++closeCount;
    mOpen = false;
  }

  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  float GetDrawScale() const override { return shownScale > 0.f ? shownScale : mScale; }
  float GetChosenScale() const override { return mScale; }
  void Resize(int width, int height, float scale, bool needsPlatformResize) override
  {
    resizes.push_back({width, height, scale, needsPlatformResize});
    mWidth = width;
    mHeight = height;
    mScale = scale;
  }
  void SetScreenScale(float scale) override { screenScale = scale; }

  void GetMouseLocation(float& x, float& y) const override
  {
    x = mouseX;
    y = mouseY;
  }
  bool OnKeyDown(float x, float y, const gfx::IKeyPress& key) override
  {
    keys.push_back({x, y, key.VK, true});
    return keyResult;
  }
  bool OnKeyUp(float x, float y, const gfx::IKeyPress& key) override
  {
    keys.push_back({x, y, key.VK, false});
    return keyResult;
  }

  int NControls() const override { return static_cast<int>(mControls.size()); }
  gfx::IControlLink* GetControl(int idx) const override
  {
    return (idx >= 0 && idx < NControls()) ? mControls[static_cast<size_t>(idx)].get() : nullptr;
  }
  gfx::IControlLink* FindControlWithTag(int tag) const override
  {
    auto it = mTags.find(tag);
    return it == mTags.end() ? nullptr : it->second;
  }
  /** Throws std::out_of_range for an unknown tag, as the editor's own lookup does. */
  gfx::IControlLink* GetControlWithTag(int tag) const { return mTags.at(tag); }

  FakeControl* Attach(FakeControl* control, int tag = -1)
  {
    mControls.emplace_back(control);
    if (tag >= 0) mTags[tag] = control;
    return control;
  }

  bool IsOpen() const { return mOpen; }

  struct KeyCall
  {
    float x, y;
    int vk;
    bool down;
  };

  bool drawContextReady = true;
  bool keyResult = true;
  float mouseX = 0.f, mouseY = 0.f;
  float screenScale = 1.f;
  /** When set, the smaller scale the editor is shown at (held to its screen); resizes ask for
   *  the chosen one. */
  float shownScale = 0.f;
  int openCount = 0, closeCount = 0;
  std::vector<ResizeCall> resizes;
  std::vector<KeyCall> keys;

  static inline int sAlive = 0;

private:
  gfx::IGEditorDelegate& mDelegate;
  int mWidth, mHeight;
  float mScale;
  bool mOpen = false;
  int mView = 0;
  std::vector<std::unique_ptr<FakeControl>> mControls;
  std::map<int, gfx::IControlLink*> mTags;
};

} // namespace fx::test
