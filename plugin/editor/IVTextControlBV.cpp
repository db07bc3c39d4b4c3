#include "plugin/editor/IVTextControlBV.h"

void IVTextControlBV::SetStr(const char* text)
{
  if (mStr == (text ? text : "")) return;
  ITextControl::SetStr(text);
  SetDirty(true);
}
