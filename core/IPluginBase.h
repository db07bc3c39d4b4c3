#pragma once
// The plug-in's identity (names, IDs, versions, host), its fixed list of presets and its
// state: the default state (one double per parameter), preset restore and creation, bank
// chunks, VST 2 program and bank files, preset source dumps and parameter helpers.
// Everything that moves state between a preset and the parameters goes through the virtual
// SerializeState / UnserializeState, so a product that overrides them changes the format of
// presets, banks and files too.
// Threads: main thread (or the thread the host uses for state), one call at a time.

#include "core/FxString.h"
#include "core/IFxConfig.h"
#include "core/IGEditorDelegate.h"
#include "core/IPreset.h"
#include "core/IStateChunk.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace fx {

class IParamShape;

class IPluginBase : public gfx::IGEditorDelegate
{
public:
  static constexpr int kMaxNameLen = 128;

  IPluginBase(int nParams, int nPresets);
  ~IPluginBase() override;

  // --- Host-facing hooks (overridden by the API adapter or the product) ---
  virtual void InformHostOfParameterListChange() {}
  /** Appends the plug-in's state. Default: SerializeParams. */
  virtual bool SerializeState(IStateChunk& chunk) const { return SerializeParams(chunk); }
  /** Reads the state at startPos; returns the position after it, or -1. Default: UnserializeParams. */
  virtual int UnserializeState(const IStateChunk& chunk, int startPos) { return UnserializeParams(chunk, startPos); }
  virtual bool SerializeAuxState(IStateChunk& /*chunk*/) const { return true; }
  virtual int UnserializeAuxState(const IStateChunk& /*chunk*/, int startPos) { return startPos; }
  virtual void InformHostOfPresetChange() {}
  virtual void OnPresetsModified() {}
  /** True when every parameter's value equals data[startIndex + i] in single precision
   *  (difference below 1e-05); true without parameters. data must hold that many doubles. */
  virtual bool CompareState(const double* data, int startIndex) const;
  virtual void OnHostVersionKnown() {}
  /** Appends 0 .. count-1 when 1 <= count < number of parameters; otherwise nothing. */
  virtual void ListParamIndices(int count, std::vector<int>& list) const;
  /** Main-thread idle work, called by the 20 ms timer. */
  virtual void OnIdle() {}
  virtual void LogBuildInfo() const {}

  // --- Identity ---
  const char* GetPluginName() const { return mPluginName.Get(); }
  const char* GetProductName() const { return mProductName.Get(); }
  const char* GetMfrName() const { return mMfrName.Get(); }
  const char* GetBundleID() const { return mBundleID.Get(); }
  const char* GetHostName() const { return mHostName.Get(); }
  int32_t GetUniqueID() const { return mUniqueID; }
  int32_t GetMfrID() const { return mMfrID; }
  int GetHost() const { return mHost; }
  EPluginAPI GetAPI() const { return mAPI; }
  bool HasUI() const { return mHasUI; }
  void SetHasUI(bool hasUI) { mHasUI = hasUI; }
  bool DoesStateChunks() const { return mStateChunks; }

  /** Version as stored (0xMMMMmmbb), or with decimal set major*1000 + minor*100 + bugfix*10. */
  int GetPluginVersion(bool decimal) const;
  /** "v2.1.17" style. */
  void GetPluginVersionStr(FxString& str) const;
  int GetHostVersion(bool decimal) const;
  void GetHostVersionStr(FxString& str) const;
  /** "VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB"; "" for any other code. */
  const char* GetAPIString() const;
  const char* GetArchString() const;
  /** "<name> version <v> <api> (<arch>), built on <date> at <hh:mm> ". */
  void GetBuildInfoStr(FxString& str, const char* date = __DATE__, const char* time = __TIME__) const;

  // --- Default state ---
  /** Appends each parameter's value as a double in index order. False when the chunk could
   *  not grow. */
  bool SerializeParams(IStateChunk& chunk) const;
  /** Reads one double per parameter from startPos. A chunk too short for all of them changes
   *  nothing and gives -1. OnParamReset(kPresetRecall) follows once. A negative startPos, or no
   *  parameters, returns startPos unchanged. */
  int UnserializeParams(const IStateChunk& chunk, int startPos);

  // --- Presets ---
  int NPresets() const { return mPresets.GetSize(); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  IPreset* GetPreset(int idx) const { return mPresets.Get(idx); }
  bool RestorePreset(int idx);
  bool RestorePresetByName(const char* name);
  /** Index of the first preset named name (byte comparison); -1 for none, a null or empty name. */
  int FindPresetIdx(const char* name) const;
  /** "" for an index out of range. */
  const char* GetPresetName(int idx) const;
  void ModifyCurrentPreset(const char* name = nullptr);
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  /** One value per parameter follows the name: int for bool, int and enum parameters, double
   *  for the rest. */
  void MakePreset(const char* name, ...);
  /** nParamsNamed pairs (int index, value) follow; every parameter not named keeps its current
   *  value. An index outside the list ends the list there (its value's type is unknown). */
  void MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
  void MakePresetFromChunk(const char* name, const IStateChunk& chunk);
  /** The base64 text is decoded into sizeOfChunk zero-filled bytes. */
  void MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  void EnsureDefaultPreset();
  void PruneUninitializedPresets();

  // --- Bank chunks ---
  /** Per preset: int32 name length, name, uint8 initialised, then its state when initialised. */
  bool SerializePresets(IStateChunk& chunk) const;
  /** Reads a bank written by SerializePresets into the presets and restores the current one.
   *  Any failure restores the plug-in's state and every preset as they were and gives -1. */
  int UnserializePresets(const IStateChunk& chunk, int startPos);

  // --- VST 2 program and bank files ---
  bool SavePresetAsFXP(const char* path) const;
  bool LoadPresetFromFXP(const char* path);
  /** Banks of parameter programs read each preset's values through UnserializeState and put the
   *  present state back afterwards. */
  bool SaveBankAsFXB(const char* path);
  bool LoadBankFromFXB(const char* path);

  /** The file images SavePresetAsFXP / SaveBankAsFXB write; false when the state could not be
   *  made. */
  bool MakeFXPImage(IStateChunk& out) const;
  bool MakeFXBImage(IStateChunk& out);
  /** Loads from a file image; on any failure nothing changes and false is returned. */
  bool LoadFXPImage(const uint8_t* data, int size);
  bool LoadFXBImage(const uint8_t* data, int size);

  // --- Preset source dumps (appended to the file; false when it cannot be written) ---
  bool DumpMakePresetSrc(const char* path) const;
  bool DumpMakePresetFromNamedParamsSrc(const char* path, int nParams, const char* const* paramEnumNames) const;
  bool DumpPresetBlob(const char* path) const;

  // --- Parameter helpers (indices outside the list are skipped) ---
  void InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr, double defaultVal,
                      double minVal, double maxVal, double step, const char* label, int flags,
                      const char* group, const IParamShape& shape, int unit);
  void CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr = "",
                       const char* replaceStr = "", const char* newGroup = "");
  void CopyParamValues(int startIdx, int destIdx, int nParams);
  void CopyParamValues(const char* inGroup, const char* outGroup);
  void ForParamInRange(int startIdx, int endIdx, const std::function<void(int, IParam&)>& func);
  void ForParamInGroup(const char* paramGroup, const std::function<void(int, IParam&)>& func);
  void DefaultParamValues();
  void DefaultParamValues(int startIdx, int endIdx);
  void DefaultParamValues(const char* paramGroup);
  void RandomiseParamValues();
  void RandomiseParamValues(int startIdx, int endIdx);
  void RandomiseParamValues(const char* paramGroup);
  void PrintParamValues();

protected:
  /** The first preset not yet initialised, or null. */
  IPreset* GetNextUninitializedPreset() const;
  /** Appends the normalised value of each parameter as a big-endian float. */
  void WriteParamProgramValues(IStateChunk& out) const;

  FxString mPluginName;
  FxString mProductName;
  FxString mMfrName;
  FxString mBundleID;
  FxString mHostName;
  int32_t mUniqueID = 0;
  int32_t mMfrID = 0;
  int32_t mVersion = 0;
  int32_t mHostVersion = 0;
  int mHost = -1;
  EPluginAPI mAPI = kAPIAU;
  bool mHasUI = false;
  bool mHostResize = false;
  bool mStateChunks = false;
  int mCurrentPresetIdx = 0;
  FxPtrList<IPreset> mPresets;
};

} // namespace fx
