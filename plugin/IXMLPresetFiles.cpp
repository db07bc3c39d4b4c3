// Preset files: writing, loading, reading into a value array, importing and the folder scan.

#include "plugin/IXMLPreset.h"

#include "core/IParam.h"
#include "core/IPluginBase.h"
#include "plugin/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::string JoinPath(const char* folder, const char* name)
{
  std::string path(folder ? folder : "");
  path += '/';
  path += name;
  return path;
}

} // namespace

std::string IXMLPreset::DefaultPresetPath(const char* folder)
{
  return JoinPath(folder, kDefaultPresetName) + kPresetExt;
}

presetdoc::EResult IXMLPreset::ParseFile(const char* path, presetdoc::Parsed& out, std::string* why) const
{
  std::string text;
  if (!orbex9::ReadWholeFile(path, kMaxPresetFileSize, text, why)) return presetdoc::EResult::kEmpty;
  fx::FxString version;
  presetdoc::Identity id = StateIdentity(version);
  const presetdoc::EResult result =
    presetdoc::Parse(text.data(), text.size(), id, mAltNamesEnabled ? mAltNames : nullptr, mPlug, out);
  if (result != presetdoc::EResult::kOK && why) *why = ParseProblem(result);
  return result;
}

std::string IXMLPreset::ParseProblem(presetdoc::EResult result) const
{
  using presetdoc::EResult;
  switch (result)
  {
    case EResult::kEmpty: return "the file is empty";
    case EResult::kWrongVendor:
    case EResult::kWrongPlugin:
      return std::string("it is a preset file of another plug-in, not of ") + mPlug.GetPluginName();
    case EResult::kMissingVersion:
    case EResult::kMissingPreset:
    case EResult::kNoParameters:
    case EResult::kForeignElement:
    case EResult::kBadValue: return "the preset file is damaged";
    default: return std::string("it is not a preset file of ") + mPlug.GetPluginName();
  }
}

bool IXMLPreset::WritePresetFile(const char* path, const char* presetName, bool tableFilter, bool withData,
                                 const char* data, std::string* why) const
{
  if (!path || !*path)
  {
    if (why) *why = "no file was named";
    return false;
  }
  fx::FxString version;
  std::string text;
  if (!BuildDocument(FileIdentity(version), nullptr, presetName, tableFilter, withData ? (data ? data : "") : nullptr,
                     text))
  {
    if (why) *why = "there was nothing to save";
    return false;
  }
  return orbex9::WriteFileAtomically(path, text.data(), text.size(), why);
}

bool IXMLPreset::SaveDefaultPreset(const char* folder, bool tableFilter, bool withData, const char* data,
                                   std::string* why) const
{
  if (!folder || !*folder)
  {
    if (why) *why = "there is no folder for it";
    return false;
  }
  // The folder is made at construction; should that have failed, this says why.
  return orbex9::MakeFolders(folder, why) &&
         WritePresetFile(DefaultPresetPath(folder).c_str(), "Init", tableFilter, withData, data, why);
}

bool IXMLPreset::LoadPresetFile(const char* path, fx::FxString* nameOut, bool skipFlagged, bool validateOnly,
                                bool tableFilter, bool wantData, fx::FxString* dataOut, std::string* why)
{
  presetdoc::Parsed doc;
  if (ParseFile(path, doc, why) != presetdoc::EResult::kOK) return false;
  if (validateOnly) return true;

  if (wantData && dataOut && doc.hasData) dataOut->Set(doc.data.c_str());
  if (nameOut) nameOut->Set(doc.presetName.c_str());

  // The table's parameters start from their defaults, so a file without one of them sets it
  // back to its default rather than keeping what was there.
  if (mTableFilter && mTable)
  {
    for (int i = 0; i < mPlug.NParams(); ++i)
    {
      if (InTable(i)) mPlug.GetParam(i)->Set(mPlug.GetParam(i)->GetDefault());
    }
  }
  for (const presetdoc::Value& v : doc.values)
  {
    fx::IParam* param = mPlug.GetParam(v.paramIdx);
    if (skipFlagged && param->GetSkipAtStartup()) continue;
    if (FilterActive(tableFilter) && !InTable(v.paramIdx)) continue;
    param->Set(v.value);
  }

  const char* name = doc.presetName.c_str();
  mPlug.ModifyCurrentPreset(name);
  if (skipFlagged) return true;
  // Restoring reads the values back and tells the plug-in; should it fail, the plug-in is told
  // directly so that what it processes follows the parameters.
  if (!mPlug.RestorePreset(mPlug.GetCurrentPresetIdx())) mPlug.OnParamReset(fx::kPresetRecall);
  mPlug.ModifyCurrentPreset(name);
  mPlug.InformHostOfPresetChange();
  return true;
}

bool IXMLPreset::LoadDefaultPresetFile(const char* folder, std::string* why)
{
  if (why) why->clear();
  if (!folder || !*folder) return false;
  const std::string path = DefaultPresetPath(folder);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) return false;
  return LoadPresetFile(path.c_str(), nullptr, true, false, false, false, nullptr, why);
}

bool IXMLPreset::ReadPresetValues(const char* path, double* values, fx::FxString& name, bool tableFilter) const
{
  if (!values) return false;
  presetdoc::Parsed doc;
  if (ParseFile(path, doc) != presetdoc::EResult::kOK) return false;

  if (mTableFilter && mTable)
  {
    for (int i = 0; i < mPlug.NParams(); ++i)
    {
      if (InTable(i)) values[i] = mPlug.GetParam(i)->GetDefault();
    }
  }
  for (const presetdoc::Value& v : doc.values)
  {
    if (FilterActive(tableFilter) && !InTable(v.paramIdx)) continue;
    values[v.paramIdx] = v.value;
  }
  name.Set(doc.presetName.c_str());
  return true;
}

bool IXMLPreset::ImportPresetToSlot(fx::IPreset& rec, const char* path, bool tableFilter) const
{
  const int n = mPlug.NParams();
  if (n < 1) return false;
  rec.mInitialized = true;
  std::vector<double> values(static_cast<size_t>(n), kSentinel);
  fx::FxString name;
  const bool read = ReadPresetValues(path, values.data(), name, tableFilter);
  rec.SetName(name.Get());
  for (int i = 0; i < n; ++i)
  {
    if (values[static_cast<size_t>(i)] == kSentinel) values[static_cast<size_t>(i)] = mPlug.GetParam(i)->GetDefault();
  }
  return WritePresetsToChunk(values.data(), rec.mChunk, name.Get()) && read;
}

int IXMLPreset::ScanPresetFolder(const char* folder, fx::FxPtrList<fx::IPreset>& list) const
{
  list.Empty(true);
  if (!folder || !*folder) return 0;

  dirent** entries = nullptr;
  const int n = ::scandir(folder, &entries, nullptr, ::alphasort);
  if (n < 0) return 0;
  for (int i = 0; i < n; ++i)
  {
    const char* name = entries[i]->d_name;
    if (std::strstr(name, kPresetExt))
    {
      const std::string path = JoinPath(folder, name);
      struct stat st;
      presetdoc::Parsed doc;
      if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ParseFile(path.c_str(), doc) == presetdoc::EResult::kOK)
      {
        auto* rec = new fx::IPreset();
        if (ImportPresetToSlot(*rec, path.c_str(), false) && list.Add(rec))
          rec = nullptr;
        delete rec;
      }
    }
    std::free(entries[i]);
  }
  std::free(entries);
  return list.GetSize();
}
