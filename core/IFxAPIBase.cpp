#include "core/IFxAPIBase.h"

#include "core/HostCode.h"
#include "core/IParam.h"

#include <cmath>

namespace fx {

IFxAPIBase::IFxAPIBase(IFxConfig config, EPluginAPI plugAPI)
  : IPluginBase(config.nParams, config.nPresets)
{
  mUniqueID = config.uniqueID;
  mMfrID = config.mfrID;
  mVersion = config.vendorVersion;
  mPluginName.Set(config.pluginName, kMaxNameLen);
  mProductName.Set(config.productName, kMaxNameLen);
  mMfrName.Set(config.mfrName, kMaxNameLen);

  mStateChunks = config.plugDoesChunks;
  mHasUI = config.plugHasUI;
  mHostResize = config.plugHostResize;
  SetEditorSize(config.plugWidth, config.plugHeight);
  SetSizeConstraints(config.plugMinWidth, config.plugMaxWidth, config.plugMinHeight, config.plugMaxHeight);

  mAPI = plugAPI;
  mBundleID.Set(config.bundleID);
  mHostName.Set("Unknown");
}

IFxAPIBase::~IFxAPIBase()
{
  if (mTimer) mTimer->Stop();
  mTimer.reset();
}

void IFxAPIBase::SetParameterValue(int paramIdx, double normalizedValue, bool callHook)
{
  if (!IsValidParamIdx(paramIdx) || std::isnan(normalizedValue)) return;
  StoreParamNormalized(paramIdx, normalizedValue);
  InformHostOfParamChange(paramIdx, normalizedValue);
  if (callHook) OnParamChange(paramIdx, kUI, -1);
}

void IFxAPIBase::SendParameterValueFromUI(int paramIdx, double normalizedValue, bool callHook)
{
  if (!IsValidParamIdx(paramIdx) || std::isnan(normalizedValue)) return;
  SetParameterValue(paramIdx, normalizedValue, callHook);
  StoreParamNormalized(paramIdx, normalizedValue);
  OnParamChangeUI(paramIdx, kUI);
}

bool IFxAPIBase::EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize)
{
  if (!needsPlatformResize) return true;
  return EditorResize(viewWidth, viewHeight);
}

void IFxAPIBase::SendAllParamValuesToHost()
{
  for (int i = 0; i < NParams(); ++i) InformHostOfParamChange(i, GetParamNormalized(i));
}

void IFxAPIBase::SendParameterValueFromAPI(int paramIdx, double value, bool normalized)
{
  const IParam* param = GetParam(paramIdx);
  if (!param || std::isnan(value)) return;
  if (normalized) value = param->FromNormalized(value);
  mParamChangeFromProcessor.Push(ParamTuple(paramIdx, value));
}

void IFxAPIBase::SetHost(const char* hostName, int version)
{
  if (hostName) mHostName.Set(hostName);
  mHost = LookUpHost(hostName);
  mHostVersion = version;
  OnHostIdentified();
  OnHostVersionKnown();
}

} // namespace fx
