#pragma once
// The product's data folders under the user's Application Support folder, and its read-only
// settings file "plugin.ini". Main thread (construction and editor actions); touches the file
// system, never called while rendering.

#include "core/FxString.h"

class IMPlugPaths
{
public:
  static constexpr const char* kSettingsFileName = "plugin.ini";
  static constexpr const char* kDefaultPresetSubfolder = "AU";
  static constexpr int kSettingsPieceLen = 2047;

  IMPlugPaths() = default;
  virtual ~IMPlugPaths() = default;

  /** Builds <Application Support>/<folderName> and its "AU" subfolder and creates whichever
   *  is missing, with mode 0755 under the process's file-creation mask. False when there is no
   *  Application Support folder or a folder could not be created (the paths are still set when
   *  the base folder is known; later file operations then fail on their own). A folderName
   *  that is not a single folder name is refused and changes nothing. */
  bool CreateDataFolders(const char* folderName);

  /** Integer setting from "plugin.ini": the last line that starts exactly with key, "=" and a
   *  decimal integer gives the value; defaultValue when the file cannot be read or no line
   *  matches. The file has no sections; section is accepted for the callers' clarity only. */
  int ReadSettingInt(const char* section, const char* key, int defaultValue) const;

  const char* GetDataFolder() const { return mDataFolder.Get(); }
  const char* GetDefaultPresetFolder() const { return mDefaultPresetFolder.Get(); }

protected:
  fx::FxString mDataFolder;
  fx::FxString mDefaultPresetFolder;
};
