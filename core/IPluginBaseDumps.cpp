// Preset source dumps: the current state written as calls to the Make* preset functions.

#include "core/IPluginBase.h"

#include "core/IParam.h"
#include "core/IPluginBaseBase64.h"

#include <cmath>
#include <cstdio>

namespace fx {

namespace {

// Value text as the Make* functions read it back: bool as true/false, int and enum as an
// integer, everything else with six decimals.
void ParamValueSrc(const IParam& param, FxString& out)
{
  const double v = param.Value();
  switch (param.Type())
  {
    case kTypeBool:
      out.Set(v >= 0.5 ? "true" : "false");
      break;
    case kTypeInt:
    case kTypeEnum:
      out.SetFormatted(32, "%d", static_cast<int>(std::lround(v)));
      break;
    default:
      out.SetFormatted(64, "%.6f", v);
      break;
  }
}

bool AppendToFile(const char* path, const FxString& text)
{
  if (!path || !*path) return false;
  FILE* f = std::fopen(path, "a");
  if (!f) return false;
  const size_t n = static_cast<size_t>(text.GetLength());
  bool ok = std::fwrite(text.Get(), 1, n, f) == n;
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

} // namespace

bool IPluginBase::DumpMakePresetSrc(const char* path) const
{
  FxString src, value;
  src.SetFormatted(1024, "MakePreset(\"%s\"", GetPresetName(mCurrentPresetIdx));
  for (int i = 0; i < NParams(); ++i)
  {
    if (const IParam* param = GetParam(i)) ParamValueSrc(*param, value);
    src.AppendFormatted(128, ", %s", value.Get());
  }
  src.Append(");\n");
  return AppendToFile(path, src);
}

bool IPluginBase::DumpMakePresetFromNamedParamsSrc(const char* path, int nParams, const char* const* paramEnumNames) const
{
  if (nParams < 0) nParams = 0;
  if (nParams > NParams()) nParams = NParams();
  FxString src, value;
  src.SetFormatted(1024, "  MakePresetFromNamedParams(\"%s\", %d", GetPresetName(mCurrentPresetIdx), nParams);
  for (int i = 0; i < nParams; ++i)
  {
    if (const IParam* param = GetParam(i)) ParamValueSrc(*param, value);
    const char* id = (paramEnumNames && paramEnumNames[i]) ? paramEnumNames[i] : "";
    src.AppendFormatted(1024, ",\n    %s, %s", id, value.Get());
  }
  src.Append(");\n");
  return AppendToFile(path, src);
}

bool IPluginBase::DumpPresetBlob(const char* path) const
{
  const IPreset* preset = GetPreset(mCurrentPresetIdx);
  FxString src;
  src.SetFormatted(1024, "MakePresetFromBlob(\"%s\", \"", GetPresetName(mCurrentPresetIdx));
  int size = 0;
  if (preset)
  {
    size = preset->mChunk.Size();
    base64::Encode(preset->mChunk.GetData(), size, src);
  }
  src.AppendFormatted(64, "\", %i);\n", size);
  return AppendToFile(path, src);
}

} // namespace fx
