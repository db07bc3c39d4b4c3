#include "core/IEditorDelegate.h"

#include "core/IParam.h"
#include "core/IMidiMsg.h"
#include "core/SysExData.h"

#include <algorithm>

namespace fx {

IEditorDelegate::IEditorDelegate(int nParams)
{
  for (int i = 0; i < nParams; ++i)
  {
    IParam* param = new IParam();
    if (!mParams.Add(param))
    {
      delete param;
      break;
    }
  }
}

IEditorDelegate::~IEditorDelegate()
{
  mParams.Empty(true);
}

void* IEditorDelegate::OpenWindow(void* /*pParent*/)
{
  OnUIOpen();
  return nullptr;
}

void IEditorDelegate::CloseWindow()
{
  OnUIClose();
}

void IEditorDelegate::OnUIOpen()
{
  for (int i = 0; i < NParams(); ++i)
    SendParameterValueFromDelegate(i, GetParamNormalized(i), true);
}

void IEditorDelegate::OnRestoreState()
{
  OnUIOpen();
}

void IEditorDelegate::OnParamChange(int paramIdx, EParamSource /*source*/, int /*sampleOffset*/)
{
  OnParamChangeIdx(paramIdx);
}

void IEditorDelegate::OnParamReset(EParamSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    OnParamChange(i, source, -1);
    OnParamChangeUI(i, source);
  }
}

void IEditorDelegate::SendArbitraryMsgToSelf(int msgTag, int dataSize, const void* pData)
{
  OnMessage(msgTag, -1, dataSize, pData);
}

void IEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  OnMidiMsgUI(msg);
}

void IEditorDelegate::SendSysexMsgFromDelegate(const SysExMsg& msg)
{
  OnSysexMsgUI(msg);
}

void IEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double /*value*/, bool /*normalized*/)
{
  OnParamChangeUI(paramIdx, kDelegate);
}

void IEditorDelegate::SendParameterValueFromUI(int paramIdx, double normalizedValue, bool /*callHook*/)
{
  if (!IsValidParamIdx(paramIdx)) return;
  StoreParamNormalized(paramIdx, normalizedValue);
  OnParamChangeUI(paramIdx, kUI);
}

double IEditorDelegate::GetParamNormalized(int paramIdx) const
{
  const IParam* param = GetParam(paramIdx);
  if (!param) return 0.0;
  return std::clamp(param->ToNormalized(param->Constrain(param->Value())), 0.0, 1.0);
}

double IEditorDelegate::StoreParamValue(int paramIdx, double value)
{
  IParam* param = GetParam(paramIdx);
  if (!param) return 0.0;
  param->Set(value);
  return param->Value();
}

double IEditorDelegate::StoreParamNormalized(int paramIdx, double normalizedValue)
{
  IParam* param = GetParam(paramIdx);
  if (!param) return 0.0;
  return StoreParamValue(paramIdx, param->FromNormalized(normalizedValue));
}

void IEditorDelegate::SetSizeConstraints(int widthA, int widthB, int heightA, int heightB)
{
  mMinWidth = std::min(widthA, widthB);
  mMaxWidth = std::max(widthA, widthB);
  mMinHeight = std::min(heightA, heightB);
  mMaxHeight = std::max(heightA, heightB);
}

} // namespace fx
