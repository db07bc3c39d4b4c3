#pragma once
// One preset of the plug-in's fixed preset list: an initialised flag, a name and the state in
// the plug-in's current state format. Owned by IPluginBase; main thread.

#include "core/IStateChunk.h"

namespace fx {

struct IPreset
{
  static constexpr int kMaxNameLen = 255;

  IPreset() noexcept;

  /** Copies at most 255 bytes of name (null = ""), always terminated; name may point into mName. */
  void SetName(const char* name) noexcept;

  bool mInitialized = false;
  char mName[kMaxNameLen + 1];
  IStateChunk mChunk;
};

} // namespace fx
