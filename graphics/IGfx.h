#pragma once
// The editor object and its controls as the editor delegate sees them: the operations the
// delegate calls on an open editor. The graphics core implements these on its full editor and
// control base; a platform back end derives from that. Main thread only.

#include <stdexcept>
#include <vector>

namespace fx {
struct IMidiMsg;
}

namespace fx::gfx {

struct IKeyPress;
class IGEditorDelegate;

/** One element of the editor, holding one or more normalised values, each optionally linked to
 *  a plug-in parameter. Owned by its IGfx. */
class IControl
{
public:
  /** One value slot per listed parameter index (-1 = no parameter). */
  explicit IControl(std::vector<int> paramIdxs = {-1}) : mVals(paramIdxs.size())
  {
    for (size_t i = 0; i < paramIdxs.size(); ++i) mVals[i].idx = paramIdxs[i];
  }
  virtual ~IControl() = default;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  /** A message the plug-in sent to this control by its tag. */
  virtual void OnMsgFromDelegate(int /*msgTag*/, int /*dataSize*/, const void* /*pData*/) {}
  /** A MIDI message; delivered only while GetWantsMidi() is set. */
  virtual void OnMidi(const IMidiMsg& /*msg*/) {}
  /** A normalised value from the plug-in for value slot valIdx; never echoed back to it. */
  virtual void SetValueFromDelegate(double value, int valIdx = 0) = 0;

  int NVals() const { return static_cast<int>(mVals.size()); }
  /** Parameter of a slot, -1 for no parameter or a slot index out of range. */
  int GetParamIdx(int valIdx = 0) const { return (valIdx >= 0 && valIdx < NVals()) ? mVals[valIdx].idx : -1; }
  double GetValue(int valIdx = 0) const { return (valIdx >= 0 && valIdx < NVals()) ? mVals[valIdx].value : 0.0; }
  void SetValue(double value, int valIdx = 0)
  {
    if (valIdx >= 0 && valIdx < NVals()) mVals[valIdx].value = value;
  }
  bool GetWantsMidi() const { return mWantsMidi; }
  void SetWantsMidi(bool wants) { mWantsMidi = wants; }

private:
  struct IControlValue
  {
    int idx = -1;
    double value = 0.0;
  };
  std::vector<IControlValue> mVals;
  bool mWantsMidi = false;
};

/** The editor: owns the controls, opens its platform view, sizes itself. */
class IGfx
{
public:
  virtual ~IGfx() = default;

  /** Opens the platform view inside the parent (may be null). The back end marks the delegate
   *  editor-ready, calls its LayoutUI and then OnUIOpen. Returns the view or null. */
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;
  virtual void Resize(int width, int height, float scale, bool needsPlatformResize) = 0;
  virtual void SetScreenScale(float scale) = 0;

  /** Pointer position in editor coordinates. */
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) = 0;
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) = 0;

  /** Controls in list (draw) order. */
  virtual int NControls() const = 0;
  virtual IControl* GetControl(int idx) const = 0;
  /** The control attached with that tag; std::out_of_range for a tag the editor does not hold. */
  virtual IControl* GetControlWithTag(int tag) const = 0;
};

} // namespace fx::gfx
