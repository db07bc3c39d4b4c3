// Preset list: restore, modify and the Make* family.

#include "core/IPluginBase.h"

#include "core/IParam.h"
#include "core/IPluginBaseBase64.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace fx {

IPreset* IPluginBase::GetNextUninitializedPreset() const
{
  for (int i = 0; i < NPresets(); ++i)
  {
    IPreset* preset = mPresets.Get(i);
    if (!preset->mInitialized) return preset;
  }
  return nullptr;
}

bool IPluginBase::RestorePreset(int idx)
{
  IPreset* preset = GetPreset(idx);
  if (!preset) return false;

  if (preset->mInitialized)
  {
    if (UnserializeState(preset->mChunk, 0) < 1) return false;
  }
  else
  {
    int nUserPresets = 0;
    for (int i = 0; i < NPresets(); ++i)
    {
      if (std::strstr(mPresets.Get(i)->mName, "user preset")) ++nUserPresets;
    }
    IStateChunk state;
    if (!SerializeState(state)) return false;
    char name[IPreset::kMaxNameLen + 1];
    std::snprintf(name, sizeof(name), "%s %d", "user preset", nUserPresets + 1);
    preset->mInitialized = true;
    preset->SetName(name);
    preset->mChunk = std::move(state);
  }

  mCurrentPresetIdx = idx;
  OnPresetsModified();
  OnRestoreState();
  return true;
}

bool IPluginBase::RestorePresetByName(const char* name)
{
  const int idx = FindPresetIdx(name);
  return idx >= 0 && RestorePreset(idx);
}

int IPluginBase::FindPresetIdx(const char* name) const
{
  if (!name || !*name) return -1;
  for (int i = 0; i < NPresets(); ++i)
  {
    if (std::strcmp(mPresets.Get(i)->mName, name) == 0) return i;
  }
  return -1;
}

const char* IPluginBase::GetPresetName(int idx) const
{
  const IPreset* preset = GetPreset(idx);
  return preset ? preset->mName : "";
}

void IPluginBase::ModifyCurrentPreset(const char* name)
{
  IPreset* preset = GetPreset(mCurrentPresetIdx);
  if (!preset) return;
  IStateChunk state;
  if (SerializeState(state)) preset->mChunk = std::move(state);
  if (name && *name) preset->SetName(name);
}

void IPluginBase::MakeDefaultPreset(const char* name, int nPresets)
{
  for (int i = 0; i < nPresets; ++i)
  {
    IPreset* preset = GetNextUninitializedPreset();
    if (!preset) return;
    preset->mInitialized = true;
    preset->SetName(name ? name : "Empty");
    preset->mChunk.Clear();
    SerializeState(preset->mChunk);
  }
}

void IPluginBase::MakePreset(const char* name, ...)
{
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return;
  preset->mInitialized = true;
  preset->SetName(name);
  preset->mChunk.Clear();

  va_list args;
  va_start(args, name);
  for (int i = 0; i < NParams(); ++i)
  {
    const EParamKind kind = GetParam(i)->Type();
    double v;
    if (kind == kTypeBool || kind == kTypeInt || kind == kTypeEnum)
      v = static_cast<double>(va_arg(args, int));
    else
      v = va_arg(args, double);
    preset->mChunk.Put(&v);
  }
  va_end(args);
}

void IPluginBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...)
{
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return;

  std::vector<double> values(static_cast<size_t>(NParams()));
  std::vector<bool> named(static_cast<size_t>(NParams()), false);

  va_list args;
  va_start(args, nParamsNamed);
  for (int i = 0; i < nParamsNamed; ++i)
  {
    const int paramIdx = va_arg(args, int);
    // Which type follows depends on the parameter: past an unknown index nothing can be read.
    if (!IsValidParamIdx(paramIdx)) break;
    const EParamKind kind = GetParam(paramIdx)->Type();
    if (kind == kTypeBool || kind == kTypeInt || kind == kTypeEnum)
      values[static_cast<size_t>(paramIdx)] = static_cast<double>(va_arg(args, int));
    else
      values[static_cast<size_t>(paramIdx)] = va_arg(args, double);
    named[static_cast<size_t>(paramIdx)] = true;
  }
  va_end(args);

  for (int i = 0; i < NParams(); ++i)
  {
    if (!named[static_cast<size_t>(i)]) values[static_cast<size_t>(i)] = GetParam(i)->Value();
  }

  preset->mInitialized = true;
  preset->SetName(name);
  preset->mChunk.Clear();
  if (!values.empty()) preset->mChunk.PutBytes(values.data(), static_cast<int>(values.size() * sizeof(double)));
}

void IPluginBase::MakePresetFromChunk(const char* name, const IStateChunk& chunk)
{
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return;
  preset->mInitialized = true;
  preset->SetName(name);
  preset->mChunk.Clear();
  preset->mChunk.PutChunk(&chunk);
}

void IPluginBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk)
{
  IPreset* preset = GetNextUninitializedPreset();
  if (!preset) return;
  if (sizeOfChunk < 0) sizeOfChunk = 0;

  preset->mInitialized = true;
  preset->SetName(name);
  if (preset->mChunk.Resize(sizeOfChunk) != sizeOfChunk) preset->mChunk.Clear();
  if (uint8_t* bytes = preset->mChunk.GetData())
  {
    std::memset(bytes, 0, static_cast<size_t>(preset->mChunk.Size()));
    base64::Decode(blob, bytes, preset->mChunk.Size());
  }
}

void IPluginBase::EnsureDefaultPreset()
{
  for (int i = 0; i < NPresets(); ++i)
  {
    IPreset* preset = mPresets.Get(i);
    if (preset->mInitialized) continue;
    preset->mInitialized = true;
    preset->SetName("Empty");
    preset->mChunk.Clear();
    SerializeState(preset->mChunk);
  }
}

void IPluginBase::PruneUninitializedPresets()
{
  // The current index moves with its preset as the list closes up, so that it keeps naming the
  // same preset; when that one goes, the preset now in its place (or the last one) is current.
  int current = mCurrentPresetIdx;
  for (int i = NPresets() - 1; i >= 0; --i)
  {
    if (mPresets.Get(i)->mInitialized) continue;
    mPresets.Delete(i, true);
    if (i < current) --current;
  }
  mCurrentPresetIdx = std::clamp(current, 0, std::max(0, NPresets() - 1));
}

} // namespace fx
