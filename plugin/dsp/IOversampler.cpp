#include "plugin/dsp/IOversampler.h"

#include "resampler/CDSPResampler.h"

#include <climits>
#include <cmath>

namespace {

constexpr int kFactors[IOversampler::kNumFactors] = {1, 2, 4, 8, 16, 32, 64, 128, 256};

// Calls a converter may take to deliver its first sample before the
// measurement gives up (far beyond any chain this set builds).
constexpr int kMaxMeasureCalls = 1 << 24;

} // namespace

IOversampler::IOversampler()
{
  for (auto& l : mMeasuredLatency)
    l.store(0, std::memory_order_relaxed);
}

IOversampler::~IOversampler()
{
  Release();
}

int IOversampler::FactorSlot(int k) noexcept
{
  for (int i = 0; i < kNumFactors; ++i)
    if (kFactors[i] == k)
      return i;
  return -1;
}

int IOversampler::MeasuredLatency(int k) const noexcept
{
  const int slot = FactorSlot(k);
  return slot < 0 ? 0 : mMeasuredLatency[static_cast<size_t>(slot)].load(std::memory_order_relaxed);
}

IOversampler::EStatus IOversampler::Setup(int factor, int maxFactor, int blockLength,
                                          int inputChannels, int outputChannels,
                                          int oversampledRows, double sampleRate)
{
  if (maxFactor > kLargestFactor)
    return EStatus::kInvalidArgument;
  if (maxFactor < 1 || blockLength < 1 || inputChannels < 1 || outputChannels < 1 ||
      oversampledRows < 1 || !std::isfinite(sampleRate) || sampleRate <= 0.0 ||
      blockLength > INT_MAX / kLargestFactor)
    return EStatus::kInvalidArgument;

  if (mBuilt && mBlockLength == blockLength && mInputChannels == inputChannels &&
      mOutputChannels == outputChannels && mMaxFactor == maxFactor &&
      std::trunc(mSampleRate) == std::trunc(sampleRate))
  {
    SetFactor(factor);
    return EStatus::kOK;
  }

  Release();
  mOversampledRows = oversampledRows;
  const EStatus s = Build(maxFactor, blockLength, inputChannels, outputChannels, sampleRate);
  if (s != EStatus::kOK)
  {
    Release();
    return s;
  }
  mSelectedSlot = 0;
  mCurrentFactor.store(-1, std::memory_order_relaxed);
  SetFactor(factor);
  return EStatus::kOK;
}

IOversampler::EStatus IOversampler::Build(int maxFactor, int blockLength, int inputChannels,
                                          int outputChannels, double sampleRate)
{
  mMaxFactor = maxFactor;
  mBlockLength = blockLength;
  mSampleRate = sampleRate;
  mInputChannels = inputChannels;
  mOutputChannels = outputChannels;
  mOversampledLength = maxFactor * blockLength;
  const double band = sampleRate <= 44100.0 ? 3.0 : 8.0;

  try
  {
    mUpOutputs.assign(static_cast<size_t>(inputChannels), nullptr);
    mDownOutputs.assign(static_cast<size_t>(outputChannels), nullptr);
    mUpRows.resize(static_cast<size_t>(inputChannels));
    mDownRows.resize(static_cast<size_t>(outputChannels));
    mUp.resize(static_cast<size_t>(inputChannels));
    mDown.resize(static_cast<size_t>(outputChannels));
  }
  catch (...)
  {
    return EStatus::kOutOfMemory;
  }
  mBuilt = true;

  for (int c = 0; c < inputChannels; ++c)
  {
    if (!mUpRows[static_cast<size_t>(c)].Allocate(static_cast<size_t>(blockLength)))
      return EStatus::kOutOfMemory;
    for (int i = 0; i < kNumFactors && kFactors[i] <= maxFactor; ++i)
    {
      const int k = kFactors[i];
      auto up = std::unique_ptr<Converter>(
        new Converter(sampleRate, k * sampleRate, blockLength, band, kAttenuation, 0));
      if (!up)
        return EStatus::kOutOfMemory;
      if (up->GetStatus() != rsmp::EStatus::kOK)
        return up->GetStatus() == rsmp::EStatus::kOutOfMemory ? EStatus::kOutOfMemory
                                                               : EStatus::kResamplerFailed;
      up->ClearState();
      mUp[static_cast<size_t>(c)][static_cast<size_t>(i)] = std::move(up);
    }
  }

  mMeasuredLatency[0].store(0, std::memory_order_relaxed);
  for (int c = 0; c < outputChannels; ++c)
  {
    if (!mDownRows[static_cast<size_t>(c)].Allocate(static_cast<size_t>(mOversampledLength)))
      return EStatus::kOutOfMemory;
    for (int i = 0; i < kNumFactors && kFactors[i] <= maxFactor; ++i)
    {
      const int k = kFactors[i];
      auto down = std::unique_ptr<Converter>(
        new Converter(k * sampleRate, sampleRate, mOversampledLength, band, kAttenuation, 0));
      if (!down)
        return EStatus::kOutOfMemory;
      if (down->GetStatus() != rsmp::EStatus::kOK)
        return down->GetStatus() == rsmp::EStatus::kOutOfMemory ? EStatus::kOutOfMemory
                                                                 : EStatus::kResamplerFailed;
      down->ClearState();
      // Every channel's converters are identical, so channel 0's measurement
      // stands for all of them.
      if (c == 0 && k >= 2)
      {
        const int latency = MeasureDownLatency(*down, k);
        if (latency < 0)
          return EStatus::kResamplerFailed;
        mMeasuredLatency[static_cast<size_t>(i)].store(latency, std::memory_order_relaxed);
      }
      mDown[static_cast<size_t>(c)][static_cast<size_t>(i)] = std::move(down);
    }
  }
  return EStatus::kOK;
}

int IOversampler::MeasureDownLatency(Converter& down, int factor) noexcept
{
  // Feeds single zero samples until one comes out; the number of silent calls
  // at the oversampled rate, halved per factor, stands for the delay of the
  // up and the down converter together at the base rate.
  double zero = 0.0;
  int silent = 0;
  for (; silent < kMaxMeasureCalls; ++silent)
  {
    double* op = nullptr;
    const int n = down.ProcessSamples(&zero, 1, op);
    if (n >= 1)
      break;
    if (n < 0)
      return -1;
  }
  down.ClearState();
  if (silent >= kMaxMeasureCalls)
    return -1;
  return silent / (factor / 2);
}

void IOversampler::SetFactor(int k) noexcept
{
  if (k == mCurrentFactor.load(std::memory_order_relaxed) || k > mMaxFactor)
    return;
  mCurrentFactor.store(k, std::memory_order_relaxed);
  const int slot = FactorSlot(k);
  mSelectedSlot = slot >= 1 ? slot : 0;
  ClearAll();
}

void IOversampler::ClearAll() noexcept
{
  for (ConverterSet& set : mUp)
    for (auto& r : set)
      if (r)
        r->ClearState();
  for (ConverterSet& set : mDown)
    for (auto& r : set)
      if (r)
        r->ClearState();
}

void IOversampler::Release() noexcept
{
  mUp.clear();
  mDown.clear();
  mUpRows.clear();
  mDownRows.clear();
  mUpOutputs.clear();
  mDownOutputs.clear();
  mBuilt = false;
  mSelectedSlot = 0;
  mBlockLength = 0;
  mOversampledLength = 0;
  mInputChannels = 0;
  mOutputChannels = 0;
  mSampleRate = -1.0;
  mCurrentFactor.store(-1, std::memory_order_relaxed);
  for (auto& l : mMeasuredLatency)
    l.store(0, std::memory_order_relaxed);
}

int IOversampler::Up(int c, int n, double*& out) noexcept
{
  // Channels that do not exist and lengths beyond the row give no output.
  if (c < 0 || c >= static_cast<int>(mUp.size()) || n < 0 || n > mBlockLength)
  {
    out = nullptr;
    return 0;
  }
  Converter* r = mUp[static_cast<size_t>(c)][static_cast<size_t>(mSelectedSlot)].get();
  double* op = nullptr;
  const int produced = r ? r->ProcessSamples(mUpRows[static_cast<size_t>(c)].Data(), n, op) : -1;
  if (produced <= 0)
  {
    out = mUpRows[static_cast<size_t>(c)].Data();
    mUpOutputs[static_cast<size_t>(c)] = out;
    return 0;
  }
  out = op;
  mUpOutputs[static_cast<size_t>(c)] = op;
  return produced;
}

int IOversampler::Down(int c, int n, double*& out) noexcept
{
  if (c < 0 || c >= static_cast<int>(mDown.size()) || n < 0 || n > mOversampledLength)
  {
    out = nullptr;
    return 0;
  }
  Converter* r = mDown[static_cast<size_t>(c)][static_cast<size_t>(mSelectedSlot)].get();
  double* op = nullptr;
  const int produced = r ? r->ProcessSamples(mDownRows[static_cast<size_t>(c)].Data(), n, op) : -1;
  if (produced <= 0)
  {
    out = mDownRows[static_cast<size_t>(c)].Data();
    mDownOutputs[static_cast<size_t>(c)] = out;
    return 0;
  }
  out = op;
  mDownOutputs[static_cast<size_t>(c)] = op;
  return produced;
}
