#pragma once
// A switch through a fixed number of states: each press moves slot 0 to the next state (two
// states toggle between 0 and 1; more step by 1 / (n - 1) and wrap to 0 after 1) and commits
// it. States can be marked disabled for drawing. Draws nothing itself. Main thread only.

#include "graphics/IControl.h"

#include <vector>

namespace fx::gfx {

class ISwitchControlBase : public IControl
{
public:
  /** A double click counts as a single click. */
  ISwitchControlBase(const IRECT& bounds, int paramIdx = -1, IActionFunction action = nullptr, int numStates = 2);

  /** With a parameter: as many states as the parameter has whole values in its range. */
  void OnInit() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;

  int GetNumStates() const { return mNumStates; }
  bool GetMouseDown() const { return mMouseDown; }
  void SetAllStatesDisabled(bool disabled);
  /** Ignored for an index outside the states. */
  void SetStateDisabled(int stateIdx, bool disabled);
  /** False for an index outside the states. */
  bool GetStateDisabled(int stateIdx) const;

protected:
  /** The flags follow the state count: new states start enabled. */
  void SetNumStates(int numStates);

  int mNumStates;
  std::vector<bool> mDisabledState;
  bool mMouseDown = false;
};

} // namespace fx::gfx
