#pragma once
// What the product's editor controls share: film-strip frame rectangles and the sending of an
// action index to the plug-in's parameter-change entry. Main thread only.

#include "core/EParamSource.h"
#include "core/IGEditorDelegate.h"
#include "graphics/IControl.h"
#include "graphics/records/IBitmap.h"
#include "graphics/records/IRECT.h"

namespace editorbv {

/** One frame of the bitmap with its top-left corner at (x, y). A missing bitmap gives a rectangle
 *  without extent. */
inline fx::gfx::IRECT FrameRectAt(float x, float y, const fx::gfx::IBitmap& bitmap)
{
  return fx::gfx::IRECT(x, y, x + static_cast<float>(bitmap.FW()), y + static_cast<float>(bitmap.FH()));
}

/** One frame of the bitmap centred in r. */
inline fx::gfx::IRECT FrameRectIn(const fx::gfx::IRECT& r, const fx::gfx::IBitmap& bitmap)
{
  const float w = static_cast<float>(bitmap.FW()), h = static_cast<float>(bitmap.FH());
  const float l = r.MW() - w / 2.f, t = r.MH() - h / 2.f;
  return fx::gfx::IRECT(l, t, l + w, t + h);
}

/** Sends the action index as an editor change (source UI, no sample offset); a negative index
 *  marks an absent action and sends nothing. */
inline void SendAction(const fx::gfx::IControl& control, int actionIdx)
{
  if (actionIdx < 0) return;
  if (fx::gfx::IGEditorDelegate* dlg = control.GetDelegate()) dlg->OnParamChange(actionIdx, fx::kUI, -1);
}

} // namespace editorbv
