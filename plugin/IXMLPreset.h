#pragma once
// The product's preset documents as state, preset files, factory presets and imported presets.
// A document is always parsed and checked completely before anything is applied: a rejected
// document, container or file leaves the parameters, the preset names and the files as they
// were. Main thread (or the thread the host saves and restores state on), one call at a time.

#include "core/FxPtrList.h"
#include "core/FxString.h"
#include "core/IPreset.h"
#include "core/IStateChunk.h"
#include "plugin/IXMLParameters.h"
#include "plugin/PresetDocument.h"

#include <initializer_list>
#include <string>
#include <utility>

namespace fx {
class IPluginBase;
}

class IXMLPreset
{
public:
  /** Marks array entries no document or preset definition has set. */
  static constexpr double kSentinel = 9.999e-8;
  static constexpr const char* kPresetExt = ".qvs";
  static constexpr const char* kDefaultPresetName = "default";
  /** Preset files larger than this are refused unread. */
  static constexpr size_t kMaxPresetFileSize = presetdoc::kMaxDocumentSize;

  /** plug is the plug-in this base belongs to; it must outlive it. */
  explicit IXMLPreset(fx::IPluginBase& plug);
  virtual ~IXMLPreset() = default;
  IXMLPreset(const IXMLPreset&) = delete;
  IXMLPreset& operator=(const IXMLPreset&) = delete;

  // ---- Settings (construction) ----
  /** Texts written as PluginName / PluginVersion of preset files instead of the plug-in's
   *  own when not empty. */
  void SetNameOverride(const char* name) { mNameOverride.Set(name); }
  void SetVersionOverride(const char* version) { mVersionOverride.Set(version); }
  void SetDescriptorTable(const XMLParamDescriptor* table, bool filterEnabled)
  {
    mTable = table;
    mTableFilter = filterEnabled;
  }
  /** Other PluginName texts preset files may carry (null-terminated list, not copied). */
  void SetAltPluginNames(const char* const* names, bool enabled)
  {
    mAltNames = names;
    mAltNamesEnabled = enabled;
  }
  const XMLParamDescriptor* GetDescriptorTable() const { return mTable; }
  bool GetTableFilterEnabled() const { return mTableFilter; }

  // ---- State container ----
  /** Appends one container holding the document of the live values, named after preset 0. */
  bool WriteStateChunk(fx::IStateChunk& chunk) const;
  /** Reads one container at pos and applies its document to the parameters (values stepped,
   *  clamped, stored atomically; preset 0 takes its name; then OnParamReset(kPresetRecall)).
   *  With tableFilter only the table's parameters are taken. Returns the position after the
   *  container, or -1 with nothing changed. */
  int ReadStateChunk(const fx::IStateChunk& chunk, int pos, bool tableFilter = false,
                     const XMLParamDescriptor* table = nullptr);
  /** Appends one container holding the document of values (one double per parameter). */
  bool WritePresetsToChunk(const double* values, fx::IStateChunk& chunk, const char* presetName) const;
  /** Fills rec: initialised, named, its chunk replaced by one container whose document holds
   *  the named values and every other parameter's default. Values of bool, int and enum
   *  parameters are truncated to integers; pairs naming no parameter are ignored. */
  bool MakeFactoryPresetChunk(fx::IPreset& rec, const char* name,
                              std::initializer_list<std::pair<int, double>> values) const;
  /** Replaces the chunk of preset idx of the plug-in's list by a copy of rec's, marks it
   *  initialised and gives it rec's name. False for an index outside the list. */
  bool ClearPresetChunk(const fx::IPreset& rec, int idx) const;

  // ---- Preset files ----
  // Each file operation that fails can say why in a few words for the person ("the disk is
  // full", "it is not a preset file of ORBEX9") through its optional why argument.

  /** Writes the document of the live values to path (replacing it only once the new content is
   *  complete on disk; through a symbolic link to the file it leads to; never into a pipe or a
   *  device). tableFilter (with the filter enabled) writes only the table's parameters;
   *  withData adds a Data element holding data. */
  bool WritePresetFile(const char* path, const char* presetName, bool tableFilter = false, bool withData = false,
                       const char* data = nullptr, std::string* why = nullptr) const;
  /** <folder>/default.qvs */
  static std::string DefaultPresetPath(const char* folder);
  /** <folder>/default.qvs, preset name "Init"; folder is made first when it is missing. */
  bool SaveDefaultPreset(const char* folder, bool tableFilter = false, bool withData = false,
                         const char* data = nullptr, std::string* why = nullptr) const;
  /** Loads a preset file. Nothing changes unless the whole file is readable and valid. Then,
   *  with the table filter enabled and not validating, the table's parameters are reset to
   *  their defaults before the file's values are applied. skipFlagged skips parameters marked
   *  skip-at-start-up and only renames the current preset; validateOnly applies nothing; all
   *  modes off also refreshes the current preset, restores it and tells the host. */
  bool LoadPresetFile(const char* path, fx::FxString* nameOut = nullptr, bool skipFlagged = false,
                      bool validateOnly = false, bool tableFilter = false, bool wantData = false,
                      fx::FxString* dataOut = nullptr, std::string* why = nullptr);
  /** LoadPresetFile of <folder>/default.qvs in the skip-flagged mode. False when it was not
   *  loaded; why (when given) is then empty when there is no such file, and otherwise says why
   *  the file was not read. */
  bool LoadDefaultPresetFile(const char* folder, std::string* why = nullptr);
  /** Reads a valid preset file's values, unrounded, into values (one double per parameter);
   *  with the filter enabled the table's entries are first set to their defaults. False, with
   *  values and name untouched, for a missing or invalid file. */
  bool ReadPresetValues(const char* path, double* values, fx::FxString& name, bool tableFilter) const;
  /** Turns a preset file into rec: initialised, named after the file's preset, one container of
   *  its values (defaults where the file has none) appended to its chunk. False when the file
   *  was not valid (rec then holds the defaults with an empty name). */
  bool ImportPresetToSlot(fx::IPreset& rec, const char* path, bool tableFilter) const;
  /** Empties list, then appends a record for every valid preset file in folder (regular files
   *  whose name contains ".qvs"), in alphabetical order. Returns the number found. */
  int ScanPresetFolder(const char* folder, fx::FxPtrList<fx::IPreset>& list) const;

protected:
  presetdoc::Identity StateIdentity(fx::FxString& versionBuf) const;
  presetdoc::Identity FileIdentity(fx::FxString& versionBuf) const;
  bool BuildDocument(const presetdoc::Identity& id, const double* values, const char* presetName, bool tableFilter,
                     const char* data, std::string& out) const;
  presetdoc::EResult ParseFile(const char* path, presetdoc::Parsed& out, std::string* why = nullptr) const;
  /** Why a document was refused, in a few words for the person. */
  std::string ParseProblem(presetdoc::EResult result) const;
  bool FilterActive(bool tableFilter) const { return tableFilter && mTableFilter && mTable; }
  bool InTable(int paramIdx) const;

  fx::IPluginBase& mPlug;
  fx::FxString mNameOverride;
  fx::FxString mVersionOverride;
  const XMLParamDescriptor* mTable = nullptr;
  bool mTableFilter = false;
  const char* const* mAltNames = nullptr;
  bool mAltNamesEnabled = false;
};
