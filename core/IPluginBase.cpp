#include "core/IPluginBase.h"

#include "core/IParam.h"

#include <cmath>
#include <cstring>

namespace fx {

namespace {

int DecimalVersion(int32_t v)
{
  const int major = (v >> 16) & 0xFFFF;
  const int minor = (v >> 8) & 0xFF;
  const int bugfix = v & 0xFF;
  return major * 1000 + minor * 100 + bugfix * 10;
}

void VersionStr(int32_t v, FxString& str)
{
  str.SetFormatted(64, "v%d.%d.%d", (v >> 16) & 0xFFFF, (v >> 8) & 0xFF, v & 0xFF);
}

} // namespace

IPluginBase::IPluginBase(int nParams, int nPresets)
  : IGEditorDelegate(nParams)
{
  for (int i = 0; i < nPresets; ++i)
  {
    IPreset* preset = new IPreset();
    if (!mPresets.Add(preset))
    {
      delete preset;
      break;
    }
  }
}

IPluginBase::~IPluginBase()
{
  mPresets.Empty(true);
}

bool IPluginBase::CompareState(const double* data, int startIndex) const
{
  if (NParams() == 0) return true;
  if (!data || startIndex < 0) return false;
  for (int i = 0; i < NParams(); ++i)
  {
    const float current = static_cast<float>(GetParam(i)->Value());
    const float stored = static_cast<float>(data[startIndex + i]);
    if (!(std::fabs(current - stored) < 1e-05f)) return false;
  }
  return true;
}

void IPluginBase::ListParamIndices(int count, std::vector<int>& list) const
{
  if (count < 1 || count >= NParams()) return;
  for (int i = 0; i < count; ++i) list.push_back(i);
}

int IPluginBase::GetPluginVersion(bool decimal) const
{
  return decimal ? DecimalVersion(mVersion) : mVersion;
}

void IPluginBase::GetPluginVersionStr(FxString& str) const
{
  VersionStr(mVersion, str);
}

int IPluginBase::GetHostVersion(bool decimal) const
{
  return decimal ? DecimalVersion(mHostVersion) : mHostVersion;
}

void IPluginBase::GetHostVersionStr(FxString& str) const
{
  VersionStr(mHostVersion, str);
}

const char* IPluginBase::GetAPIString() const
{
  static const char* const kNames[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB"};
  const int api = static_cast<int>(mAPI);
  return (api >= 0 && api < 8) ? kNames[api] : "";
}

const char* IPluginBase::GetArchString() const
{
  return "x64";
}

void IPluginBase::GetBuildInfoStr(FxString& str, const char* date, const char* time) const
{
  FxString version;
  GetPluginVersionStr(version);
  str.SetFormatted(1024, "%s version %s %s (%s), built on %s at %.5s ", GetPluginName(), version.Get(),
                   GetAPIString(), GetArchString(), date ? date : "", time ? time : "");
}

bool IPluginBase::SerializeParams(IStateChunk& chunk) const
{
  for (int i = 0; i < NParams(); ++i)
  {
    const double v = GetParam(i)->Value();
    if (chunk.Put(&v) == 0) return false;
  }
  return true;
}

int IPluginBase::UnserializeParams(const IStateChunk& chunk, int startPos)
{
  if (startPos < 0 || NParams() == 0)
  {
    OnParamReset(kPresetRecall);
    return startPos;
  }

  // All values must be there before any is applied: a short state leaves the plug-in as it was.
  const int64_t end = static_cast<int64_t>(startPos) + 8 * static_cast<int64_t>(NParams());
  int pos = -1;
  if (end <= chunk.Size())
  {
    pos = startPos;
    for (int i = 0; i < NParams(); ++i)
    {
      double v = 0.0;
      pos = chunk.Get(&v, pos);
      GetParam(i)->Set(v);
    }
  }
  OnParamReset(kPresetRecall);
  return pos;
}

} // namespace fx
