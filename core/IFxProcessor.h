#pragma once
// The audio side of a plug-in: its channel I/O configurations, one record per input and
// output channel with a double-precision scratch buffer, the channel-pointer arrays handed to
// the block processing, latency (with the delay line that keeps a bypassed signal aligned),
// sample rate, block size and the host's time information. The host adapter derives from it
// beside the IFxAPIBase chain, attaches the host's buffers, runs the block and converts back.
//
// Threads: construction, queries of the configurations and SetBlockSize run outside rendering
// (SetBlockSize allocates). Connecting, attaching, processing and pass-through run on the
// render thread and never allocate, lock or throw.

#include "core/ChannelData.h"
#include "core/FxPtrList.h"
#include "core/FxString.h"
#include "core/FxTypedBuf.h"
#include "core/IFxConfig.h"
#include "core/IFxProcessorLatencyDelay.h"
#include "core/IFxProcessorTypes.h"
#include "core/IMidiMsg.h"
#include "core/ITimeInfo.h"
#include "core/SysExData.h"

#include <atomic>
#include <cstdint>
#include <span>

namespace fx {

class IFxProcessor
{
public:
  /** A bypassed block is delayed by the latency; the delay line holds at least this many
   *  samples of latency (more when the latency is larger when SetBlockSize runs). */
  static constexpr int kLatencyDelayReserve = 8192;
  /** A bus of more channels than this in a channel I/O string counts as 0 channels. */
  static constexpr int kMaxBusChannels = 1024;

  // Thread that creates the plug-in.
  IFxProcessor(const IFxConfig& config, EPluginAPI plugAPI);
  virtual ~IFxProcessor();
  IFxProcessor(const IFxProcessor&) = delete;
  IFxProcessor& operator=(const IFxProcessor&) = delete;

  // ---- Virtual operations ------------------------------------------------------------------

  /** Render thread. The product's block processing. The default copies input i to output i
   *  for every i below both channel counts and zeroes the remaining outputs. */
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  /** Render thread. Default: passes the message on through SendMidiMsg. */
  virtual void ProcessMidiMsg(const IMidiMsg& msg);
  /** Render thread. Default: nothing. */
  virtual void ProcessSysEx(const SysExMsg& msg);
  /** Outside rendering, after a sample rate, block size, bypass or offline change. Default: nothing. */
  virtual void OnReset();
  /** Outside rendering. Default: nothing. */
  virtual void OnActivate(bool active);
  /** Render thread. Supplied by the adapter; the base sends nothing and answers false. */
  virtual bool SendMidiMsg(const IMidiMsg& msg);
  /** Render thread. SendMidiMsg for every message in order; true when all were sent (and for none). */
  virtual bool SendMidiMsgs(std::span<const IMidiMsg> msgs);
  /** Render thread. Default: false. */
  virtual bool SendSysEx(const SysExMsg& msg);
  /** Main thread. Default: 0. */
  virtual double GetMeterValue();
  /** Main thread. Name of a bus, at most 32 characters: "Input", "Main"/"Aux", "Input 3",
   *  "Output", "Output 1". Nothing is written for a direction that is neither input nor output. */
  virtual void GetBusName(int direction, int busIdx, int nBuses, FxString& str) const;
  /** Any thread. Stores the latency in samples (negative values are stored as 0); the adapter
   *  also tells the host. */
  virtual void SetLatency(int samples);

  // ---- Channel I/O configurations (any thread after construction) ---------------------------

  /** Parses a channel I/O string ("1-1 2-2", "*-*", "2.2-2", "0-2") and appends one
   *  configuration per token whose input and output parts are both present. The four maxima are
   *  the largest channel totals and bus counts seen (starting at 0). Returns the number of
   *  configurations in the list. A null text adds nothing. */
  static int ParseChannelIOStr(const char* text, FxPtrList<IOConfig>& configs, int& maxIns, int& maxOuts,
                               int& maxInBuses, int& maxOutBuses);

  int NIOConfigs() const { return mIOConfigs.GetSize(); }
  const IOConfig* GetIOConfig(int idx) const { return mIOConfigs.Get(idx); }
  /** True when some configuration has exactly nIns input and nOuts output channels in total;
   *  a negative count leaves that side unchecked. False without configurations. */
  bool IsLegalIO(int nIns, int nOuts) const;
  /** Largest bus count of a direction; configIdx receives the last configuration with it (-1
   *  without configurations). */
  int MaxNBuses(int direction, int* configIdx = nullptr) const;
  /** -1 when the first configuration has a wildcard bus in that direction, else the largest
   *  channel count of bus busIdx over all configurations (missing buses count 0). */
  int MaxNChannelsForBus(int direction, int busIdx) const;
  /** First configuration whose buses have exactly these channel counts, or -1. */
  int GetIOConfigWithChanCounts(std::span<const int> inBusChans, std::span<const int> outBusChans) const;
  /** 'aumi' for a MIDI effect, 'aumu' for an instrument, 'aumf' for an effect taking MIDI, else 'aufx'. */
  int32_t GetAUPluginType() const;

  // ---- Channels (render thread unless said otherwise) ---------------------------------------

  /** Number of channel records of a direction (the largest total of any configuration). */
  int NChannels(int direction) const;
  int NChannelsConnected(int direction) const;
  bool IsChannelConnected(int direction, int chIdx) const;
  /** Main thread. "" for a channel that does not exist. */
  const char* GetChannelLabel(int direction, int chIdx) const;
  /** Main thread. Sets a label from a format holding at most one integer conversion (%d or %i,
   *  with flags and a width of up to two digits) and "%%"; the integer is chIdx, or chIdx + 1
   *  when zeroBased is clear; at most 32 characters are kept. False (nothing changed) for a
   *  channel that does not exist or a format with any other conversion. */
  bool SetChannelLabel(int direction, int chIdx, const char* format, bool zeroBased = true);

  /** Marks channels firstIdx .. firstIdx + count - 1 (clipped to the existing ones) connected or
   *  not. A channel set not connected forgets its host buffer and reads its own (silent)
   *  scratch buffer. */
  void SetChannelConnections(int direction, int firstIdx, int count, bool connected);
  /** Marks every input and output channel from index 2 on not connected. */
  void DisconnectExtraInputs();
  /** Attaches single-precision host buffers of nFrames samples: each connected channel of the
   *  range takes the next of the count buffers. A null array or a null buffer is silence for
   *  an input and receives nothing for an output. Inputs are converted when the block runs. */
  void AttachBuffers(int direction, int firstIdx, int count, float** data, int nFrames);
  /** As AttachBuffers for double-precision host buffers, which the block reads and writes in place. */
  void AttachBuffersDouble(int direction, int firstIdx, int count, double** data);

  /** Runs ProcessBlock over nFrames samples of the attached buffers, in pieces of at most the
   *  block size, converting to and from single-precision host buffers; ProcessBuffersAccumulating
   *  adds to the single-precision outputs instead of replacing them; ProcessBuffersDouble is the
   *  same call for double-precision buffers. False when nothing could run (no block size set):
   *  the attached outputs then receive silence (the accumulating variant leaves them). */
  bool ProcessBuffers(int nFrames);
  bool ProcessBuffersAccumulating(int nFrames);
  bool ProcessBuffersDouble(int nFrames);
  /** Bypass: output channel i receives input channel i delayed by the latency (so the signal
   *  stays where the processed one was; the delay line is fed by every processed block as well),
   *  remaining outputs are silent. False (outputs silent) when no block size is set. */
  bool PassThroughBuffers(int nFrames);
  /** Zeroes every scratch buffer and the latency delay line. */
  void ZeroScratchBuffers();

  // ---- Settings -----------------------------------------------------------------------------

  /** Outside rendering. Maximum frames per block: nothing when unchanged; else every scratch
   *  buffer is resized to n samples and zeroed, and the latency delay line rebuilt. False (block
   *  size 0, nothing will be processed) for a negative size or when memory runs out. */
  bool SetBlockSize(int blockSize);
  int GetBlockSize() const { return mBlockSize.load(std::memory_order_relaxed); }
  double GetSampleRate() const { return mSampleRate.load(std::memory_order_relaxed); }
  void SetSampleRate(double sampleRate) { mSampleRate.store(sampleRate, std::memory_order_relaxed); }
  int GetLatency() const { return mLatency.load(std::memory_order_relaxed); }
  int GetTailSize() const { return mTailSize; }
  bool GetBypassed() const { return mBypassed.load(std::memory_order_relaxed); }
  void SetBypassed(bool bypassed) { mBypassed.store(bypassed, std::memory_order_relaxed); }
  bool GetRenderingOffline() const { return mRenderingOffline.load(std::memory_order_relaxed); }
  void SetRenderingOffline(bool offline) { mRenderingOffline.store(offline, std::memory_order_relaxed); }
  int GetPlugType() const { return mPlugType; }
  bool DoesMIDIIn() const { return mDoesMIDIIn; }
  bool DoesMIDIOut() const { return mDoesMIDIOut; }
  bool DoesMPE() const { return mDoesMPE; }

  /** Render thread: the adapter fills it before each block, the product reads it. */
  ITimeInfo& GetTimeInfo() { return mTimeInfo; }
  const ITimeInfo& GetTimeInfo() const { return mTimeInfo; }
  /** Sample rate * 60 / tempo; 0 when the tempo is not above 0. */
  double GetSamplesPerBeat() const;

  /** Largest latency a bypassed block is delayed by (0 before the block size is set). */
  int GetMaxBypassDelay() const { return mLatencyDelay.GetMaxDelay(); }

private:
  ChannelData* Channel(int direction, int idx) const;
  FxPtrList<ChannelData>& Channels(int direction) { return direction == kInput ? mInChannels : mOutChannels; }
  const FxPtrList<ChannelData>& Channels(int direction) const
  {
    return direction == kInput ? mInChannels : mOutChannels;
  }
  bool CanProcess() const;
  void PrepareSlice(int offset, int n);
  void FinishSlice(int offset, int n, bool accumulate);
  void SilenceAttachedOutputs(int nFrames);
  bool RunBlocks(int nFrames, bool accumulate);

  int32_t mPlugType = kPlugTypeEffect;
  bool mDoesMIDIIn = false;
  bool mDoesMIDIOut = false;
  bool mDoesMPE = false;
  std::atomic<int> mLatency{0};
  std::atomic<double> mSampleRate{44100.0};
  std::atomic<int> mBlockSize{0};
  int mTailSize = 0;
  std::atomic<bool> mBypassed{false};
  std::atomic<bool> mRenderingOffline{false};
  FxPtrList<IOConfig> mIOConfigs;
  FxTypedBuf<double*> mInData;
  FxTypedBuf<double*> mOutData;
  FxPtrList<ChannelData> mInChannels;
  FxPtrList<ChannelData> mOutChannels;
  ITimeInfo mTimeInfo;
  IFxLatencyDelay mLatencyDelay;
};

} // namespace fx
