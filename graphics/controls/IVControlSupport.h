#pragma once
// Steps the vector controls share: keeping the value text in step with the bound parameter,
// taking the parameter's name as label, and the layout run from OnResize. Main thread only.

#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

/** The value text becomes the display text of slot 0's value by its parameter (display texts
 *  included); nothing changes without a parameter. */
void SyncValueStr(const IControl& control, IVectorBase& vb);

/** The parameter's name becomes the label when the label is empty. */
void LabelFromParam(const IControl& control, IVectorBase& vb);

/** At OnInit: the value text and the label as above. */
void InitVectorTexts(const IControl& control, IVectorBase& vb);

/** The layout step over the control's bounds becomes its target rectangle; then a redraw
 *  without the action. Returns the clickable area. */
IRECT LayoutVectorControl(IControl& control, IVectorBase& vb, bool hasHandle);

} // namespace fx::gfx
