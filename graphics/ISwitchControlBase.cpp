#include "graphics/ISwitchControlBase.h"

#include "core/IParam.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fx::gfx {

namespace {

// States beyond this are not kept as flags (a parameter with a huge range still switches).
constexpr int kMaxStates = 1 << 16;

} // namespace

ISwitchControlBase::ISwitchControlBase(const IRECT& bounds, int paramIdx, IActionFunction action, int numStates)
  : IControl(bounds, paramIdx, std::move(action)), mNumStates(numStates)
{
  SetNumStates(numStates);
  SetDirty(false);
  mDblAsSingleClick = true;
}

void ISwitchControlBase::SetNumStates(int numStates)
{
  mNumStates = numStates;
  mDisabledState.resize(static_cast<size_t>(std::clamp(numStates, 0, kMaxStates)), false);
}

void ISwitchControlBase::OnInit()
{
  if (const IParam* param = GetParam(0))
  {
    const double range = param->GetRange();
    if (std::isfinite(range) && range >= 0.0 && range < kMaxStates)
      SetNumStates(static_cast<int>(range) + 1);
  }
}

void ISwitchControlBase::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  double next = 0.0;
  if (mNumStates == 2)
  {
    next = GetValue(0) == 0.0 ? 1.0 : 0.0;
  }
  else if (mNumStates > 2)
  {
    // A sum that lands a rounding error above 1 still counts as the last state.
    next = GetValue(0) + 1.0 / (mNumStates - 1);
    if (next > std::nextafter(1.0, 2.0)) next = 0.0;
  }
  SetValue(next, 0);
  mMouseDown = true;
  SetDirty(true);
}

void ISwitchControlBase::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  mMouseDown = false;
  SetDirty(false);
}

void ISwitchControlBase::SetAllStatesDisabled(bool disabled)
{
  for (size_t i = 0; i < mDisabledState.size(); ++i) mDisabledState[i] = disabled;
  SetDirty(false);
}

void ISwitchControlBase::SetStateDisabled(int stateIdx, bool disabled)
{
  if (stateIdx >= 0 && stateIdx < mNumStates && static_cast<size_t>(stateIdx) < mDisabledState.size())
    mDisabledState[static_cast<size_t>(stateIdx)] = disabled;
  SetDirty(false);
}

bool ISwitchControlBase::GetStateDisabled(int stateIdx) const
{
  return stateIdx >= 0 && stateIdx < mNumStates && static_cast<size_t>(stateIdx) < mDisabledState.size() &&
         mDisabledState[static_cast<size_t>(stateIdx)];
}

} // namespace fx::gfx
