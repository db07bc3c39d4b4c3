// Gesture recognisers bound to controls or to regions of the editor.

#include "graphics/IGfx.h"

#include <algorithm>

namespace fx::gfx {

void IGfx::AttachGestureRecognizer(EGestureType type)
{
  if (std::find(mRegisteredGestures.begin(), mRegisteredGestures.end(), type) == mRegisteredGestures.end())
    mRegisteredGestures.push_back(type);
}

void IGfx::AttachGestureToRegion(const IRECT& bounds, EGestureType type, IGestureFunc func)
{
  if (!mGestureRegions.Add(bounds)) return;
  AttachGestureRecognizer(type);
  mGestureRegionFuncs[mGestureRegions.Size() - 1] = std::move(func);
}

void IGfx::ClearGestureRegions()
{
  mGestureRegions.Clear();
  mGestureRegionFuncs.clear();
}

namespace {

// First region containing the point (right and bottom edges outside), -1 when none.
int RegionAt(const IRECTList& regions, float x, float y)
{
  for (int i = 0; i < regions.Size(); ++i)
  {
    const IRECT r = regions.Get(i);
    if (r.L <= x && x < r.R && r.T <= y && y < r.B) return i;
  }
  return -1;
}

} // namespace

bool IGfx::GestureRegionHit(float x, float y)
{
  const IControl* control = GetMouseControl(x, y, false);
  if (control && control->GetWantsGestures()) return true;
  return RegionAt(mGestureRegions, x, y) >= 0;
}

void IGfx::OnGestureRecognized(const IGestureInfo& info)
{
  IControl* control = GetMouseControl(info.x, info.y, false);
  if (control && control->GetWantsGestures())
  {
    control->OnGesture(info);
    return;
  }
  const int region = RegionAt(mGestureRegions, info.x, info.y);
  if (region < 0) return;
  auto it = mGestureRegionFuncs.find(region);
  if (it != mGestureRegionFuncs.end() && it->second)
  {
    IGestureFunc func = it->second;
    func(nullptr, info);
  }
}

} // namespace fx::gfx
