// VST 2 program (.fxp) and bank (.fxb) files. Integer and float fields are big-endian; the
// byte-size field holds the number of bytes that follow it. Readers check every length against
// the file and change nothing unless the whole file is acceptable.

#include "core/IPluginBase.h"

#include "core/IParam.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace fx {

namespace {

constexpr int kProgramHeaderSize = 56;  // through the 28-byte program name
constexpr int kBankHeaderSize = 156;    // through the reserved bytes
constexpr int kProgramNameSize = 28;
constexpr int32_t kStateMagicVersion = 65536;
constexpr int64_t kMaxFileSize = 256 * 1024 * 1024;

void PutBE32(IStateChunk& out, uint32_t v)
{
  const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v)};
  out.PutBytes(b, 4);
}

void PutBEFloat(IStateChunk& out, float f)
{
  uint32_t v;
  std::memcpy(&v, &f, 4);
  PutBE32(out, v);
}

void PutTag(IStateChunk& out, const char* tag)
{
  out.PutBytes(tag, 4);
}

uint32_t GetBE32(const uint8_t* p)
{
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

int32_t GetBEInt(const uint8_t* p)
{
  return static_cast<int32_t>(GetBE32(p));
}

float GetBEFloat(const uint8_t* p)
{
  const uint32_t v = GetBE32(p);
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}

bool TagIs(const uint8_t* p, const char* tag)
{
  return std::memcmp(p, tag, 4) == 0;
}

void PutProgramName(IStateChunk& out, const char* name)
{
  char buf[kProgramNameSize] = {};
  if (name) std::memcpy(buf, name, strnlen(name, kProgramNameSize - 1));
  out.PutBytes(buf, kProgramNameSize);
}

// The state after an optional "tffp" + int32 header. False when the header is cut short.
bool StripStateHeader(const uint8_t*& p, int32_t& len)
{
  if (len >= 4 && TagIs(p, "tffp"))
  {
    if (len < 8) return false;
    p += 8;
    len -= 8;
  }
  return true;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes)
{
  if (!path || !*path) return false;
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = ok && size >= 0 && size <= kMaxFileSize && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok)
  {
    bytes.resize(static_cast<size_t>(size));
    ok = size == 0 || std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  }
  std::fclose(f);
  return ok;
}

bool WriteWholeFile(const char* path, const IStateChunk& image)
{
  if (!path || !*path) return false;
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const size_t n = static_cast<size_t>(image.Size());
  bool ok = n == 0 || std::fwrite(image.GetData(), 1, n, f) == n;
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

} // namespace

void IPluginBase::WriteParamProgramValues(IStateChunk& out) const
{
  for (int i = 0; i < NParams(); ++i) PutBEFloat(out, static_cast<float>(GetParamNormalized(i)));
}

bool IPluginBase::MakeFXPImage(IStateChunk& out) const
{
  out.Clear();
  IStateChunk state;
  if (mStateChunks)
  {
    PutTag(state, "tffp");
    state.Put(&kStateMagicVersion);
    if (!SerializeState(state) || state.Size() < 8) return false;
  }

  const int bodySize = mStateChunks ? 4 + state.Size() : 4 * NParams();
  PutTag(out, "CcnK");
  PutBE32(out, static_cast<uint32_t>(kProgramHeaderSize - 8 + bodySize));
  PutTag(out, mStateChunks ? "FPCh" : "FxCk");
  PutBE32(out, 1);
  PutBE32(out, static_cast<uint32_t>(mUniqueID));
  PutBE32(out, static_cast<uint32_t>(GetPluginVersion(true)));
  PutBE32(out, static_cast<uint32_t>(NParams()));
  PutProgramName(out, GetPresetName(mCurrentPresetIdx));
  if (mStateChunks)
  {
    PutBE32(out, static_cast<uint32_t>(state.Size()));
    out.PutChunk(&state);
  }
  else
    WriteParamProgramValues(out);

  return out.Size() == kProgramHeaderSize + bodySize;
}

bool IPluginBase::MakeFXBImage(IStateChunk& out)
{
  out.Clear();
  IStateChunk body;
  if (mStateChunks)
  {
    IStateChunk state;
    PutTag(state, "tffp");
    state.Put(&kStateMagicVersion);
    if (!SerializePresets(state) || state.Size() < 8) return false;
    PutBE32(body, static_cast<uint32_t>(state.Size()));
    body.PutChunk(&state);
  }
  else
  {
    // One parameter program per preset, its values read through the plug-in's own state reader.
    // A preset without a readable state carries the present values (as restoring an empty
    // preset takes the present state), never what the preset before it left in the parameters.
    IStateChunk present;
    const bool havePresent = SerializeState(present);
    IStateChunk presentValues;
    WriteParamProgramValues(presentValues);
    for (int p = 0; p < NPresets(); ++p)
    {
      const IPreset* preset = mPresets.Get(p);
      const bool ownValues = preset->mInitialized && UnserializeState(preset->mChunk, 0) >= 1;
      PutTag(body, "CcnK");
      PutBE32(body, static_cast<uint32_t>(kProgramHeaderSize - 8 + 4 * NParams()));
      PutTag(body, "FxCk");
      PutBE32(body, 1);
      PutBE32(body, static_cast<uint32_t>(mUniqueID));
      PutBE32(body, static_cast<uint32_t>(GetPluginVersion(true)));
      PutBE32(body, static_cast<uint32_t>(NParams()));
      PutProgramName(body, preset->mName);
      if (ownValues)
        WriteParamProgramValues(body);
      else
        body.PutChunk(&presentValues);
    }
    if (havePresent) UnserializeState(present, 0);
    if (body.Size() != NPresets() * (kProgramHeaderSize + 4 * NParams())) return false;
  }

  PutTag(out, "CcnK");
  PutBE32(out, static_cast<uint32_t>(kBankHeaderSize - 8 + body.Size()));
  PutTag(out, mStateChunks ? "FBCh" : "FxBk");
  PutBE32(out, 2);
  PutBE32(out, static_cast<uint32_t>(mUniqueID));
  PutBE32(out, static_cast<uint32_t>(GetPluginVersion(true)));
  PutBE32(out, static_cast<uint32_t>(NPresets()));
  PutBE32(out, static_cast<uint32_t>(mCurrentPresetIdx));
  const uint8_t reserved[kBankHeaderSize - 32] = {};
  out.PutBytes(reserved, sizeof(reserved));
  out.PutChunk(&body);
  return out.Size() == kBankHeaderSize + body.Size();
}

bool IPluginBase::LoadFXPImage(const uint8_t* data, int size)
{
  if (!data || size < kProgramHeaderSize) return false;
  if (!TagIs(data, "CcnK") || GetBEInt(data + 12) != 1 || GetBEInt(data + 16) != mUniqueID) return false;

  char name[kProgramNameSize];
  std::memcpy(name, data + 28, kProgramNameSize);
  name[kProgramNameSize - 1] = '\0';

  if (TagIs(data + 8, "FPCh"))
  {
    if (!mStateChunks || size < kProgramHeaderSize + 4) return false;
    int32_t len = GetBEInt(data + kProgramHeaderSize);
    if (len < 0 || static_cast<int64_t>(kProgramHeaderSize) + 4 + len > size) return false;
    const uint8_t* p = data + kProgramHeaderSize + 4;
    if (!StripStateHeader(p, len)) return false;

    IStateChunk state;
    if (state.PutBytes(p, len) != len) return false;
    IStateChunk before;
    const bool haveBefore = SerializeState(before);
    if (UnserializeState(state, 0) < 1)
    {
      if (haveBefore) UnserializeState(before, 0);
      return false;
    }
  }
  else if (TagIs(data + 8, "FxCk"))
  {
    const int32_t count = GetBEInt(data + 24);
    if (count != NParams() || static_cast<int64_t>(kProgramHeaderSize) + 4 * static_cast<int64_t>(count) > size)
      return false;
    std::vector<float> values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
    {
      values[static_cast<size_t>(i)] = GetBEFloat(data + kProgramHeaderSize + 4 * i);
      if (!std::isfinite(values[static_cast<size_t>(i)])) return false;
    }
    for (int i = 0; i < count; ++i) StoreParamNormalized(i, values[static_cast<size_t>(i)]);
    if (!GetPreset(mCurrentPresetIdx)) OnParamReset(kPresetRecall);
  }
  else
    return false;

  if (IPreset* preset = GetPreset(mCurrentPresetIdx))
  {
    IStateChunk state;
    if (SerializeState(state))
    {
      preset->mChunk = std::move(state);
      preset->mInitialized = true;
    }
    if (name[0]) preset->SetName(name);
    RestorePreset(mCurrentPresetIdx);
  }
  InformHostOfPresetChange();
  return true;
}

bool IPluginBase::LoadFXBImage(const uint8_t* data, int size)
{
  if (!data || size < kBankHeaderSize) return false;
  const int32_t version = GetBEInt(data + 12);
  if (!TagIs(data, "CcnK") || (version != 1 && version != 2) || GetBEInt(data + 16) != mUniqueID) return false;

  if (TagIs(data + 8, "FBCh"))
  {
    if (!mStateChunks || size < kBankHeaderSize + 4) return false;
    int32_t len = GetBEInt(data + kBankHeaderSize);
    if (len < 0 || static_cast<int64_t>(kBankHeaderSize) + 4 + len > size) return false;
    const uint8_t* p = data + kBankHeaderSize + 4;
    if (!StripStateHeader(p, len)) return false;
    IStateChunk bank;
    if (bank.PutBytes(p, len) != len) return false;
    if (UnserializePresets(bank, 0) < 0) return false;
    InformHostOfPresetChange();
    return true;
  }

  if (!TagIs(data + 8, "FxBk")) return false;

  const int32_t nPrograms = GetBEInt(data + 24);
  const int32_t current = GetBEInt(data + 28);
  if (nPrograms != NPresets() || current < 0 || (NPresets() > 0 && current >= NPresets())) return false;

  const int64_t programSize = kProgramHeaderSize + 4 * static_cast<int64_t>(NParams());
  if (kBankHeaderSize + programSize * nPrograms > size) return false;

  // Check every program before anything is applied.
  std::vector<float> values(static_cast<size_t>(nPrograms) * static_cast<size_t>(NParams()));
  for (int p = 0; p < nPrograms; ++p)
  {
    const uint8_t* prog = data + kBankHeaderSize + programSize * p;
    if (!TagIs(prog, "CcnK") || !TagIs(prog + 8, "FxCk") || GetBEInt(prog + 12) != 1 ||
        GetBEInt(prog + 16) != mUniqueID || GetBEInt(prog + 24) != NParams())
      return false;
    for (int i = 0; i < NParams(); ++i)
    {
      const float v = GetBEFloat(prog + kProgramHeaderSize + 4 * i);
      if (!std::isfinite(v)) return false;
      values[static_cast<size_t>(p) * static_cast<size_t>(NParams()) + static_cast<size_t>(i)] = v;
    }
  }

  for (int p = 0; p < nPrograms; ++p)
  {
    const uint8_t* prog = data + kBankHeaderSize + programSize * p;
    IPreset* preset = mPresets.Get(p);
    RestorePreset(p);
    for (int i = 0; i < NParams(); ++i)
      StoreParamNormalized(i, values[static_cast<size_t>(p) * static_cast<size_t>(NParams()) + static_cast<size_t>(i)]);
    IStateChunk state;
    if (SerializeState(state))
    {
      preset->mChunk = std::move(state);
      preset->mInitialized = true;
    }
    char name[kProgramNameSize];
    std::memcpy(name, prog + 28, kProgramNameSize);
    name[kProgramNameSize - 1] = '\0';
    preset->SetName(name);
  }
  RestorePreset(current);
  InformHostOfPresetChange();
  return true;
}

bool IPluginBase::SavePresetAsFXP(const char* path) const
{
  if (!path || !*path) return false;
  IStateChunk image;
  return MakeFXPImage(image) && WriteWholeFile(path, image);
}

bool IPluginBase::SaveBankAsFXB(const char* path)
{
  if (!path || !*path) return false;
  IStateChunk image;
  return MakeFXBImage(image) && WriteWholeFile(path, image);
}

bool IPluginBase::LoadPresetFromFXP(const char* path)
{
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  return LoadFXPImage(bytes.data(), static_cast<int>(bytes.size()));
}

bool IPluginBase::LoadBankFromFXB(const char* path)
{
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  return LoadFXBImage(bytes.data(), static_cast<int>(bytes.size()));
}

} // namespace fx
