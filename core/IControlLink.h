#pragma once
// A control of the editor as the editor delegate drives it: its value slots and the values,
// messages and MIDI the plug-in sends it. The graphics core's control base implements it.
// Main thread only.

namespace fx {
struct IMidiMsg;
}

namespace fx::gfx {

class IControlLink
{
public:
  IControlLink() = default;
  virtual ~IControlLink() = default;
  IControlLink(const IControlLink&) = delete;
  IControlLink& operator=(const IControlLink&) = delete;

  /** A message the plug-in sent to this control by its tag. */
  virtual void OnMsgFromDelegate(int /*msgTag*/, int /*dataSize*/, const void* /*pData*/) {}
  /** A MIDI message; delivered only while GetWantsMidi() is set. */
  virtual void OnMidi(const IMidiMsg& /*msg*/) {}
  /** A normalised value from the plug-in for value slot valIdx; never echoed back to it. */
  virtual void SetValueFromDelegate(double value, int valIdx) = 0;

  virtual int NVals() const = 0;
  /** Parameter of a slot: -1 for no parameter or a slot index out of range. */
  virtual int GetParamIdx(int valIdx) const = 0;
  virtual bool GetWantsMidi() const = 0;
};

} // namespace fx::gfx
