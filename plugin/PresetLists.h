#pragma once
// The product's own preset records, apart from the framework's preset list: the default
// preset ("Init"), the factory presets and the preset files found by the last folder scan.
// The editor's preset menu shows the factory and scanned lists. Main thread.

#include "core/FxPtrList.h"
#include "core/IPreset.h"

struct PresetLists
{
  PresetLists() = default;
  ~PresetLists()
  {
    mFactory.Empty(true);
    mScanned.Empty(true);
  }
  PresetLists(const PresetLists&) = delete;
  PresetLists& operator=(const PresetLists&) = delete;

  fx::IPreset mDefault;
  fx::FxPtrList<fx::IPreset> mFactory;
  fx::FxPtrList<fx::IPreset> mScanned;
  /** Up while the editor's preset menu applies a factory or user preset. */
  bool mLoading = false;
};
