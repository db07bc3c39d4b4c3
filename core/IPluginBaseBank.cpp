// Bank chunks: every preset's name, initialised flag and state in one chunk.

#include "core/IPluginBase.h"

#include <cstring>
#include <vector>

namespace fx {

bool IPluginBase::SerializePresets(IStateChunk& chunk) const
{
  for (int i = 0; i < NPresets(); ++i)
  {
    const IPreset* preset = mPresets.Get(i);
    if (chunk.PutStr(preset->mName) == 0) return false;
    const uint8_t initialized = preset->mInitialized ? 1 : 0;
    if (chunk.Put(&initialized) == 0) return false;
    if (preset->mInitialized && preset->mChunk.Size() > 0 && chunk.PutChunk(&preset->mChunk) == 0) return false;
  }
  return true;
}

int IPluginBase::UnserializePresets(const IStateChunk& chunk, int startPos)
{
  if (startPos < 0 || NPresets() == 0)
  {
    RestorePreset(mCurrentPresetIdx);
    return startPos;
  }

  // The bank is not delimited: a fault may show only after earlier presets were read into the
  // parameters. Keep what is needed to put everything back.
  IStateChunk stateBefore;
  const bool haveStateBefore = SerializeState(stateBefore);
  std::vector<IPreset> presetsBefore;
  presetsBefore.reserve(static_cast<size_t>(NPresets()));
  for (int i = 0; i < NPresets(); ++i) presetsBefore.push_back(*mPresets.Get(i));

  int pos = startPos;
  for (int i = 0; i < NPresets() && pos >= 0; ++i)
  {
    IPreset* preset = mPresets.Get(i);
    char name[IPreset::kMaxNameLen + 1];
    pos = chunk.GetStr(name, sizeof(name), pos);
    if (pos < 0) break;
    uint8_t initialized = 0;
    pos = chunk.Get(&initialized, pos);
    if (pos < 0) break;

    if (initialized)
    {
      pos = UnserializeState(chunk, pos);
      if (pos < 1)
      {
        pos = -1;
        break;
      }
      IStateChunk state;
      if (!SerializeState(state))
      {
        pos = -1;
        break;
      }
      preset->mChunk = std::move(state);
    }
    preset->SetName(name);
    preset->mInitialized = initialized != 0;
  }

  if (pos < 0)
  {
    for (int i = 0; i < NPresets(); ++i) *mPresets.Get(i) = presetsBefore[static_cast<size_t>(i)];
    if (haveStateBefore) UnserializeState(stateBefore, 0);
    return -1;
  }

  RestorePreset(mCurrentPresetIdx);
  return pos;
}

} // namespace fx
