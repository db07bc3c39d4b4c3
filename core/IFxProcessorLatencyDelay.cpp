#include "core/IFxProcessorLatencyDelay.h"

#include <algorithm>
#include <cstring>

namespace fx {

namespace {
constexpr long kMaxCapacity = 1L << 24;  // samples per channel
}

bool IFxLatencyDelay::Prepare(int nChannels, int maxDelay, int maxBlock)
{
  mNChannels = mCapacity = mMaxDelay = mMaxBlock = mWritePos = 0;
  mHistory.Clear();
  if (nChannels < 0 || maxDelay < 0 || maxBlock < 0) return false;
  if (nChannels == 0 || maxBlock == 0) return true;

  long capacity = 1;
  while (capacity < static_cast<long>(maxDelay) + maxBlock) capacity <<= 1;
  if (capacity > kMaxCapacity || capacity * nChannels > 0x7fffffffL / static_cast<long>(sizeof(double)))
    return false;
  const int total = static_cast<int>(capacity * nChannels);
  if (!mHistory.Resize(total) || mHistory.GetSize() != total)
  {
    mHistory.Clear();
    return false;
  }
  mNChannels = nChannels;
  mCapacity = static_cast<int>(capacity);
  mMaxBlock = maxBlock;
  mMaxDelay = mCapacity - maxBlock;
  Reset();
  return true;
}

void IFxLatencyDelay::Reset()
{
  if (mCapacity > 0) std::memset(mHistory.Get(), 0, sizeof(double) * mHistory.GetSize());
  mWritePos = 0;
}

void IFxLatencyDelay::Write(double* const* inputs, int nChannels, int offset, int n)
{
  for (int ch = 0; ch < nChannels; ++ch)
  {
    double* hist = Channel(ch);
    const double* in = inputs ? inputs[ch] : nullptr;
    // At most two contiguous runs in the ring.
    const int first = std::min(n, mCapacity - mWritePos);
    if (in)
    {
      std::memcpy(hist + mWritePos, in + offset, sizeof(double) * first);
      std::memcpy(hist, in + offset + first, sizeof(double) * (n - first));
    }
    else
    {
      std::memset(hist + mWritePos, 0, sizeof(double) * first);
      std::memset(hist, 0, sizeof(double) * (n - first));
    }
  }
}

void IFxLatencyDelay::Push(double* const* inputs, int nChannels, int n)
{
  if (!IsPrepared() || n <= 0) return;
  nChannels = std::clamp(nChannels, 0, mNChannels);
  for (int offset = 0; offset < n;)
  {
    const int piece = std::min(n - offset, mMaxBlock);
    Write(inputs, nChannels, offset, piece);
    mWritePos = (mWritePos + piece) & (mCapacity - 1);
    offset += piece;
  }
}

void IFxLatencyDelay::Process(double* const* inputs, double* const* outputs, int nChannels, int n, int delay)
{
  if (!IsPrepared() || n <= 0) return;
  nChannels = std::clamp(nChannels, 0, mNChannels);
  delay = std::clamp(delay, 0, mMaxDelay);
  const int mask = mCapacity - 1;
  for (int offset = 0; offset < n;)
  {
    const int piece = std::min(n - offset, mMaxBlock);
    // Every input of this piece goes into the history before any output is written, so an
    // output that shares memory with an input never overwrites samples still to be read.
    Write(inputs, nChannels, offset, piece);
    const int readPos = (mWritePos - delay) & mask;
    for (int ch = 0; ch < nChannels; ++ch)
    {
      double* out = outputs ? outputs[ch] : nullptr;
      if (!out) continue;
      const double* hist = Channel(ch);
      const int first = std::min(piece, mCapacity - readPos);
      std::memcpy(out + offset, hist + readPos, sizeof(double) * first);
      std::memcpy(out + offset + first, hist, sizeof(double) * (piece - first));
    }
    mWritePos = (mWritePos + piece) & mask;
    offset += piece;
  }
}

} // namespace fx
