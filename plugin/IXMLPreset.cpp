#include "plugin/IXMLPreset.h"

#include "core/IParam.h"
#include "core/IPluginBase.h"
#include "plugin/StateContainer.h"

#include <vector>

IXMLPreset::IXMLPreset(fx::IPluginBase& plug)
  : mPlug(plug)
{
}

presetdoc::Identity IXMLPreset::StateIdentity(fx::FxString& versionBuf) const
{
  mPlug.GetPluginVersionStr(versionBuf);
  return {mPlug.GetMfrName(), mPlug.GetPluginName(), versionBuf.Get()};
}

presetdoc::Identity IXMLPreset::FileIdentity(fx::FxString& versionBuf) const
{
  presetdoc::Identity id = StateIdentity(versionBuf);
  if (!mNameOverride.Empty()) id.pluginName = mNameOverride.Get();
  if (!mVersionOverride.Empty()) id.version = mVersionOverride.Get();
  return id;
}

bool IXMLPreset::InTable(int paramIdx) const
{
  return IXMLParameters::TableSelects(mTable, paramIdx, mPlug.GetParam(paramIdx));
}

bool IXMLPreset::BuildDocument(const presetdoc::Identity& id, const double* values, const char* presetName,
                               bool tableFilter, const char* data, std::string& out) const
{
  std::function<bool(int)> include;
  if (FilterActive(tableFilter)) include = [this](int i) { return InTable(i); };
  return presetdoc::Print(id, presetName, mPlug, values, include, data, out);
}

bool IXMLPreset::WriteStateChunk(fx::IStateChunk& chunk) const
{
  fx::FxString version;
  std::string text;
  return BuildDocument(StateIdentity(version), nullptr, mPlug.GetPresetName(0), false, nullptr, text) &&
         statecontainer::Write(chunk, text);
}

bool IXMLPreset::WritePresetsToChunk(const double* values, fx::IStateChunk& chunk, const char* presetName) const
{
  if (!values) return false;
  fx::FxString version;
  std::string text;
  return BuildDocument(StateIdentity(version), values, presetName, false, nullptr, text) &&
         statecontainer::Write(chunk, text);
}

int IXMLPreset::ReadStateChunk(const fx::IStateChunk& chunk, int pos, bool tableFilter,
                               const XMLParamDescriptor* table)
{
  std::string text;
  const int end = statecontainer::Read(chunk, pos, text);
  if (end < 0) return -1;

  fx::FxString version;
  presetdoc::Parsed doc;
  if (presetdoc::Parse(text.data(), text.size(), StateIdentity(version), nullptr, mPlug, doc) !=
      presetdoc::EResult::kOK)
    return -1;

  if (fx::IPreset* preset0 = mPlug.GetPreset(0)) preset0->SetName(doc.presetName.c_str());
  for (const presetdoc::Value& v : doc.values)
  {
    if (tableFilter && !IXMLParameters::TableSelects(table, v.paramIdx, mPlug.GetParam(v.paramIdx))) continue;
    mPlug.GetParam(v.paramIdx)->Set(v.value);
  }
  mPlug.OnParamReset(fx::kPresetRecall);
  return end;
}

bool IXMLPreset::MakeFactoryPresetChunk(fx::IPreset& rec, const char* name,
                                        std::initializer_list<std::pair<int, double>> values) const
{
  const int n = mPlug.NParams();
  std::vector<double> array(static_cast<size_t>(n), kSentinel);
  for (const auto& [idx, value] : values)
  {
    const fx::IParam* param = mPlug.GetParam(idx);
    if (!param) continue;
    const fx::EParamKind kind = param->Type();
    const bool integral = kind == fx::kTypeBool || kind == fx::kTypeInt || kind == fx::kTypeEnum;
    array[static_cast<size_t>(idx)] = integral ? static_cast<double>(static_cast<int>(value)) : value;
  }
  for (int i = 0; i < n; ++i)
  {
    if (array[static_cast<size_t>(i)] == kSentinel) array[static_cast<size_t>(i)] = mPlug.GetParam(i)->GetDefault();
  }

  rec.mInitialized = true;
  rec.SetName(name);
  rec.mChunk.Clear();
  return n > 0 && WritePresetsToChunk(array.data(), rec.mChunk, name);
}

bool IXMLPreset::ClearPresetChunk(const fx::IPreset& rec, int idx) const
{
  fx::IPreset* preset = mPlug.GetPreset(idx);
  if (!preset) return false;
  preset->mChunk = rec.mChunk;
  preset->mInitialized = true;
  preset->SetName(rec.mName);
  return true;
}
