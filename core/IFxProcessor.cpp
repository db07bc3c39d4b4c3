#include "core/IFxProcessor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fx {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Channel count of one bus text: "*" is the wildcard, a run of decimal digits its value; any
// other text, or a count above the limit, counts 0.
int ParseBus(const char* s, const char* end)
{
  if (end - s == 1 && *s == '*') return kWildcardChannels;
  if (s == end) return 0;
  long value = 0;
  for (const char* p = s; p < end; ++p)
  {
    if (*p < '0' || *p > '9') return 0;
    value = value * 10 + (*p - '0');
    if (value > IFxProcessor::kMaxBusChannels) return 0;
  }
  return static_cast<int>(value);
}

void ParsePart(const char* s, const char* end, int direction, IOConfig& config)
{
  while (true)
  {
    const char* dot = static_cast<const char*>(std::memchr(s, '.', end - s));
    const char* busEnd = dot ? dot : end;
    const int nChans = ParseBus(s, busEnd);
    if (nChans != 0) config.AddBus(direction, nChans);
    if (!dot) break;
    s = dot + 1;
  }
}

// Checks that a label format holds only "%%" and at most one %d / %i with flags and a width of
// up to two digits, so that it can be handed to the formatter with one int.
bool IsSafeIntFormat(const char* fmt)
{
  int conversions = 0;
  for (const char* p = fmt; *p; ++p)
  {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p == '-' || *p == '+' || *p == ' ' || *p == '0' || *p == '#') ++p;
    for (int digits = 0; *p >= '0' && *p <= '9'; ++p)
      if (++digits > 2) return false;
    if (*p != 'd' && *p != 'i') return false;
    if (++conversions > 1) return false;
  }
  return true;
}

} // namespace

IFxProcessor::IFxProcessor(const IFxConfig& config, EPluginAPI /*plugAPI*/)
  : mPlugType(config.plugType)
  , mDoesMIDIIn(config.plugDoesMidiIn)
  , mDoesMIDIOut(config.plugDoesMidiOut)
  , mDoesMPE(config.plugDoesMPE)
  , mLatency(std::max(0, config.latency))
{
  int maxIns = 0, maxOuts = 0, maxInBuses = 0, maxOutBuses = 0;
  ParseChannelIOStr(config.channelIOStr, mIOConfigs, maxIns, maxOuts, maxInBuses, maxOutBuses);

  if (!mInData.Resize(maxIns) || mInData.GetSize() != maxIns) maxIns = 0;
  if (!mOutData.Resize(maxOuts) || mOutData.GetSize() != maxOuts) maxOuts = 0;

  for (int direction : {kInput, kOutput})
  {
    FxTypedBuf<double*>& ptrs = direction == kInput ? mInData : mOutData;
    const int n = direction == kInput ? maxIns : maxOuts;
    for (int i = 0; i < n; ++i)
    {
      ptrs[i] = nullptr;
      ChannelData* ch = new ChannelData;
      ch->mData = ptrs.Get() + i;
      if (!Channels(direction).Add(ch))
      {
        delete ch;
        break;
      }
    }
  }
}

IFxProcessor::~IFxProcessor()
{
  mInChannels.Empty(true);
  mOutChannels.Empty(true);
  mIOConfigs.Empty(true);
}

// ---- Virtual operations ----------------------------------------------------------------------

void IFxProcessor::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  if (!outputs || nFrames <= 0) return;
  const int nIns = inputs ? NChannels(kInput) : 0;
  const int nOuts = NChannels(kOutput);
  for (int i = 0; i < nOuts; ++i)
  {
    double* out = outputs[i];
    if (!out) continue;
    const double* in = i < nIns ? inputs[i] : nullptr;
    if (in && in != out)
      std::memmove(out, in, sizeof(double) * nFrames);
    else if (!in)
      std::memset(out, 0, sizeof(double) * nFrames);
  }
}

void IFxProcessor::ProcessMidiMsg(const IMidiMsg& msg) { SendMidiMsg(msg); }
void IFxProcessor::ProcessSysEx(const SysExMsg&) {}
void IFxProcessor::OnReset() {}
void IFxProcessor::OnActivate(bool) {}
bool IFxProcessor::SendMidiMsg(const IMidiMsg&) { return false; }

bool IFxProcessor::SendMidiMsgs(std::span<const IMidiMsg> msgs)
{
  bool all = true;
  for (const IMidiMsg& msg : msgs) all = SendMidiMsg(msg) && all;
  return all;
}

bool IFxProcessor::SendSysEx(const SysExMsg&) { return false; }
double IFxProcessor::GetMeterValue() { return 0.0; }

void IFxProcessor::GetBusName(int direction, int busIdx, int nBuses, FxString& str) const
{
  constexpr int kMaxLen = 32;
  if (direction == kOutput)
  {
    if (nBuses == 1)
      str.Set("Output");
    else
      str.SetFormatted(kMaxLen, "Output %i", busIdx);
  }
  else if (direction == kInput)
  {
    if (nBuses == 1)
      str.Set("Input");
    else if (nBuses == 2)
      str.Set(busIdx == 0 ? "Main" : "Aux");
    else
      str.SetFormatted(kMaxLen, "Input %i", busIdx);
  }
}

void IFxProcessor::SetLatency(int samples) { mLatency.store(std::max(0, samples), std::memory_order_relaxed); }

// ---- Channel I/O configurations ----------------------------------------------------------------

int IFxProcessor::ParseChannelIOStr(const char* text, FxPtrList<IOConfig>& configs, int& maxIns, int& maxOuts,
                                    int& maxInBuses, int& maxOutBuses)
{
  maxIns = maxOuts = maxInBuses = maxOutBuses = 0;
  if (!text) return configs.GetSize();

  const char* p = text;
  while (*p)
  {
    while (IsBlank(*p)) ++p;
    if (!*p) break;
    const char* tokenStart = p;
    while (*p && !IsBlank(*p)) ++p;
    const char* tokenEnd = p;

    const char* dash = static_cast<const char*>(std::memchr(tokenStart, '-', tokenEnd - tokenStart));
    if (!dash || dash == tokenStart || dash + 1 == tokenEnd) continue;  // both parts must be present

    IOConfig* config = new IOConfig;
    ParsePart(tokenStart, dash, kInput, *config);
    ParsePart(dash + 1, tokenEnd, kOutput, *config);

    maxIns = std::max(maxIns, config->GetTotalNChannels(kInput));
    maxOuts = std::max(maxOuts, config->GetTotalNChannels(kOutput));
    maxInBuses = std::max(maxInBuses, config->NBuses(kInput));
    maxOutBuses = std::max(maxOutBuses, config->NBuses(kOutput));
    if (!configs.Add(config)) delete config;
  }
  return configs.GetSize();
}

bool IFxProcessor::IsLegalIO(int nIns, int nOuts) const
{
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig* c = GetIOConfig(i);
    if ((nIns < 0 || c->GetTotalNChannels(kInput) == nIns) && (nOuts < 0 || c->GetTotalNChannels(kOutput) == nOuts))
      return true;
  }
  return false;
}

int IFxProcessor::MaxNBuses(int direction, int* configIdx) const
{
  int maxBuses = 0;
  int idx = -1;
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const int n = GetIOConfig(i)->NBuses(direction);
    if (n >= maxBuses)
    {
      maxBuses = n;
      idx = i;
    }
  }
  if (configIdx) *configIdx = idx;
  return maxBuses;
}

int IFxProcessor::MaxNChannelsForBus(int direction, int busIdx) const
{
  if (!IsValidRoute(direction) || NIOConfigs() == 0) return 0;
  if (GetIOConfig(0)->ContainsWildcard(direction)) return -1;
  int maxChans = 0;
  for (int i = 0; i < NIOConfigs(); ++i) maxChans = std::max(maxChans, GetIOConfig(i)->NChansOnBus(direction, busIdx));
  return maxChans;
}

int IFxProcessor::GetIOConfigWithChanCounts(std::span<const int> inBusChans, std::span<const int> outBusChans) const
{
  for (int i = 0; i < NIOConfigs(); ++i)
  {
    const IOConfig* c = GetIOConfig(i);
    auto matches = [c](int direction, std::span<const int> chans) {
      if (c->NBuses(direction) != static_cast<int>(chans.size())) return false;
      for (size_t b = 0; b < chans.size(); ++b)
        if (c->NChansOnBus(direction, static_cast<int>(b)) != chans[b]) return false;
      return true;
    };
    if (matches(kInput, inBusChans) && matches(kOutput, outBusChans)) return i;
  }
  return -1;
}

int32_t IFxProcessor::GetAUPluginType() const
{
  switch (mPlugType)
  {
    case kPlugTypeMIDIEffect: return MakeFourCC("aumi");
    case kPlugTypeInstrument: return MakeFourCC("aumu");
    case kPlugTypeEffect: return mDoesMIDIIn ? MakeFourCC("aumf") : MakeFourCC("aufx");
    default: return MakeFourCC("aufx");
  }
}

// ---- Channels ----------------------------------------------------------------------------------

ChannelData* IFxProcessor::Channel(int direction, int idx) const
{
  return IsValidRoute(direction) ? Channels(direction).Get(idx) : nullptr;
}

int IFxProcessor::NChannels(int direction) const { return IsValidRoute(direction) ? Channels(direction).GetSize() : 0; }

int IFxProcessor::NChannelsConnected(int direction) const
{
  int n = 0;
  for (int i = 0; i < NChannels(direction); ++i) n += Channel(direction, i)->mConnected ? 1 : 0;
  return n;
}

bool IFxProcessor::IsChannelConnected(int direction, int chIdx) const
{
  const ChannelData* ch = Channel(direction, chIdx);
  return ch && ch->mConnected;
}

const char* IFxProcessor::GetChannelLabel(int direction, int chIdx) const
{
  const ChannelData* ch = Channel(direction, chIdx);
  return ch ? ch->mLabel.Get() : "";
}

bool IFxProcessor::SetChannelLabel(int direction, int chIdx, const char* format, bool zeroBased)
{
  ChannelData* ch = Channel(direction, chIdx);
  if (!ch || !format || !IsSafeIntFormat(format)) return false;
  char text[33];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::snprintf(text, sizeof(text), format, zeroBased ? chIdx : chIdx + 1);
#pragma GCC diagnostic pop
  ch->mLabel.Set(text);
  return true;
}

// ---- Settings ----------------------------------------------------------------------------------

double IFxProcessor::GetSamplesPerBeat() const
{
  const double tempo = mTimeInfo.mTempo;
  return tempo > 0.0 ? GetSampleRate() * 60.0 / tempo : 0.0;
}

bool IFxProcessor::SetBlockSize(int blockSize)
{
  if (blockSize == GetBlockSize()) return true;
  if (blockSize < 0)
  {
    mBlockSize.store(0, std::memory_order_relaxed);
    return false;
  }

  bool ok = true;
  for (int direction : {kInput, kOutput})
  {
    for (int i = 0; i < NChannels(direction); ++i)
    {
      ChannelData* ch = Channel(direction, i);
      double* buf = ch->mScratchBuf.Resize(blockSize, true);
      if (blockSize > 0 && (!buf || ch->mScratchBuf.GetSize() != blockSize))
        ok = false;
      else if (buf)
        std::memset(buf, 0, sizeof(double) * blockSize);
      *ch->mData = ch->mScratchBuf.Get();
      ch->Detach();
    }
  }
  const int nDelayChannels = std::min(NChannels(kInput), NChannels(kOutput));
  if (ok) mLatencyDelay.Prepare(nDelayChannels, std::max(GetLatency(), kLatencyDelayReserve), blockSize);
  mBlockSize.store(ok ? blockSize : 0, std::memory_order_relaxed);
  return ok;
}

} // namespace fx
