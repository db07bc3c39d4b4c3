#include "graphics/controls/IVControlSupport.h"

#include "core/IParam.h"

namespace fx::gfx {

void SyncValueStr(const IControl& control, IVectorBase& vb)
{
  const IParam* param = control.GetParam(0);
  if (!param) return;
  FxString str;
  param->GetDisplay(control.GetValue(0), true, str, true);
  vb.SetValueStr(str.Get());
}

void LabelFromParam(const IControl& control, IVectorBase& vb)
{
  const IParam* param = control.GetParam(0);
  if (param && *vb.GetLabelStr() == '\0') vb.SetLabelStr(param->GetName());
}

void InitVectorTexts(const IControl& control, IVectorBase& vb)
{
  SyncValueStr(control, vb);
  LabelFromParam(control, vb);
}

IRECT LayoutVectorControl(IControl& control, IVectorBase& vb, bool hasHandle)
{
  const IRECT area = vb.IVectorBaseLayout(control.GetRECT(), hasHandle);
  control.SetTargetRECT(area);
  control.SetDirty(false);
  return area;
}

} // namespace fx::gfx
