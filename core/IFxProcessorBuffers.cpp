// Attaching host buffers, running blocks in pieces of the block size, conversion between the
// hosts' single-precision buffers and the double-precision scratch buffers, pass-through.
// Everything here runs on the render thread and neither allocates nor locks.

#include "core/IFxProcessor.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace fx {

// Conversions rely on IEEE 754 behaviour: NaN and infinities pass through, a finite double
// beyond the float range becomes an infinity, nothing traps.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

void IFxProcessor::SetChannelConnections(int direction, int firstIdx, int count, bool connected)
{
  if (!IsValidRoute(direction) || firstIdx < 0 || count <= 0) return;
  const int end = static_cast<int>(std::min<long>(static_cast<long>(firstIdx) + count, NChannels(direction)));
  for (int i = firstIdx; i < end; ++i)
  {
    ChannelData* ch = Channel(direction, i);
    ch->mConnected = connected;
    if (!connected)
    {
      ch->Detach();
      *ch->mData = ch->mScratchBuf.Get();
    }
  }
}

void IFxProcessor::DisconnectExtraInputs()
{
  SetChannelConnections(kInput, 2, NChannels(kInput) - 2, false);
  SetChannelConnections(kOutput, 2, NChannels(kOutput) - 2, false);
}

void IFxProcessor::AttachBuffers(int direction, int firstIdx, int count, float** data, int nFrames)
{
  if (!IsValidRoute(direction) || firstIdx < 0 || count <= 0) return;
  nFrames = std::max(0, nFrames);
  const int end = static_cast<int>(std::min<long>(static_cast<long>(firstIdx) + count, NChannels(direction)));
  int next = 0;
  for (int i = firstIdx; i < end; ++i)
  {
    ChannelData* ch = Channel(direction, i);
    if (!ch->mConnected) continue;
    float* buf = data ? data[next] : nullptr;
    ++next;
    ch->Detach();
    ch->mFloatBuf = buf;
    ch->mFloatFrames = buf ? nFrames : 0;
    *ch->mData = ch->mScratchBuf.Get();
  }
}

void IFxProcessor::AttachBuffersDouble(int direction, int firstIdx, int count, double** data)
{
  if (!IsValidRoute(direction) || firstIdx < 0 || count <= 0) return;
  const int end = static_cast<int>(std::min<long>(static_cast<long>(firstIdx) + count, NChannels(direction)));
  int next = 0;
  for (int i = firstIdx; i < end; ++i)
  {
    ChannelData* ch = Channel(direction, i);
    if (!ch->mConnected) continue;
    double* buf = data ? data[next] : nullptr;
    ++next;
    ch->Detach();
    ch->mDoubleBuf = buf;
    *ch->mData = buf ? buf : ch->mScratchBuf.Get();
  }
}

bool IFxProcessor::CanProcess() const
{
  return GetBlockSize() > 0;
}

// Points every channel at the samples offset .. offset + n - 1 of the block: double host
// buffers directly, everything else through its scratch buffer (converted from a float input,
// silence for an input without a buffer or not connected).
void IFxProcessor::PrepareSlice(int offset, int n)
{
  for (int i = 0; i < NChannels(kInput); ++i)
  {
    ChannelData* ch = Channel(kInput, i);
    double* scratch = ch->mScratchBuf.Get();
    if (ch->mConnected && ch->mDoubleBuf)
    {
      *ch->mData = ch->mDoubleBuf + offset;
      continue;
    }
    int converted = 0;
    if (ch->mConnected && ch->mFloatBuf)
    {
      converted = std::clamp(ch->mFloatFrames - offset, 0, n);
      const float* src = ch->mFloatBuf + offset;
      for (int s = 0; s < converted; ++s) scratch[s] = static_cast<double>(src[s]);
    }
    std::memset(scratch + converted, 0, sizeof(double) * (n - converted));
    *ch->mData = scratch;
  }
  for (int i = 0; i < NChannels(kOutput); ++i)
  {
    ChannelData* ch = Channel(kOutput, i);
    *ch->mData = (ch->mConnected && ch->mDoubleBuf) ? ch->mDoubleBuf + offset : ch->mScratchBuf.Get();
  }
}

// Converts the scratch results of connected float outputs into their host buffers.
void IFxProcessor::FinishSlice(int offset, int n, bool accumulate)
{
  for (int i = 0; i < NChannels(kOutput); ++i)
  {
    ChannelData* ch = Channel(kOutput, i);
    if (!ch->mConnected || !ch->mFloatBuf) continue;
    const int count = std::clamp(ch->mFloatFrames - offset, 0, n);
    const double* src = ch->mScratchBuf.Get();
    float* dst = ch->mFloatBuf + offset;
    if (accumulate)
      for (int s = 0; s < count; ++s) dst[s] = static_cast<float>(static_cast<double>(dst[s]) + src[s]);
    else
      for (int s = 0; s < count; ++s) dst[s] = static_cast<float>(src[s]);
  }
}

void IFxProcessor::SilenceAttachedOutputs(int nFrames)
{
  for (int i = 0; i < NChannels(kOutput); ++i)
  {
    ChannelData* ch = Channel(kOutput, i);
    if (!ch->mConnected) continue;
    if (ch->mFloatBuf)
      std::memset(ch->mFloatBuf, 0, sizeof(float) * std::min(nFrames, ch->mFloatFrames));
    else if (ch->mDoubleBuf)
      std::memset(ch->mDoubleBuf, 0, sizeof(double) * nFrames);
  }
}

bool IFxProcessor::RunBlocks(int nFrames, bool accumulate)
{
  if (nFrames <= 0) return nFrames == 0;
  if (!CanProcess())
  {
    if (!accumulate) SilenceAttachedOutputs(nFrames);
    return false;
  }
  const int blockSize = GetBlockSize();
  const int nDelayChannels = std::min(NChannels(kInput), NChannels(kOutput));
  for (int offset = 0; offset < nFrames; offset += blockSize)
  {
    const int n = std::min(blockSize, nFrames - offset);
    PrepareSlice(offset, n);
    // The delay line follows the input so that a later bypass continues where processing left off.
    mLatencyDelay.Push(mInData.Get(), nDelayChannels, n);
    ProcessBlock(mInData.Get(), mOutData.Get(), n);
    FinishSlice(offset, n, accumulate);
  }
  return true;
}

bool IFxProcessor::ProcessBuffers(int nFrames) { return RunBlocks(nFrames, false); }
bool IFxProcessor::ProcessBuffersAccumulating(int nFrames) { return RunBlocks(nFrames, true); }
bool IFxProcessor::ProcessBuffersDouble(int nFrames) { return RunBlocks(nFrames, false); }

bool IFxProcessor::PassThroughBuffers(int nFrames)
{
  if (nFrames <= 0) return nFrames == 0;
  if (!CanProcess())
  {
    SilenceAttachedOutputs(nFrames);
    return false;
  }
  const int blockSize = GetBlockSize();
  const int nIns = NChannels(kInput);
  const int nOuts = NChannels(kOutput);
  const int nPass = std::min(nIns, nOuts);
  for (int offset = 0; offset < nFrames; offset += blockSize)
  {
    const int n = std::min(blockSize, nFrames - offset);
    PrepareSlice(offset, n);
    double** ins = mInData.Get();
    double** outs = mOutData.Get();
    if (mLatencyDelay.IsPrepared())
      mLatencyDelay.Process(ins, outs, nPass, n, GetLatency());
    else
      for (int i = 0; i < nPass; ++i)
        if (ins[i] != outs[i]) std::memmove(outs[i], ins[i], sizeof(double) * n);
    for (int i = nPass; i < nOuts; ++i) std::memset(outs[i], 0, sizeof(double) * n);
    FinishSlice(offset, n, false);
  }
  return true;
}

void IFxProcessor::ZeroScratchBuffers()
{
  const int blockSize = GetBlockSize();
  for (int direction : {kInput, kOutput})
    for (int i = 0; i < NChannels(direction); ++i)
    {
      ChannelData* ch = Channel(direction, i);
      const int n = std::min(blockSize, ch->mScratchBuf.GetSize());
      if (n > 0) std::memset(ch->mScratchBuf.Get(), 0, sizeof(double) * n);
    }
  mLatencyDelay.Reset();
}

} // namespace fx
