#pragma once
// Overlap-save block convolver stage: filters the stream with a long low-pass
// FIR in the frequency domain, block by block, while upsampling by U (zero
// insertion, done by replicating the spectrum when U is a power of two) and
// downsampling by D (done by truncating the spectrum when D is a power of
// two). Built on a filter from CLowPassCache and FFT objects from CFFTPool.
//
// Threads: construction and destruction on any thread (they take the filter
// cache and FFT pool locks); the CDSPProcessor operations on one audio thread
// at a time, without allocation, locks or exceptions.

#include "resampler/CDSPProcessor.h"
#include "resampler/CFFTPool.h"
#include "resampler/CLowPassFilter.h"

namespace rsmp {

class CDSPBlockConvolver : public CDSPProcessor
{
public:
  // Takes over one reference to filter (obtained from CLowPassCache::Get)
  // and gives it back when destroyed, also when construction fails.
  // PrevLatency: the fractional latency the previous stage passes on.
  // Check GetStatus(): kInvalidArgument for a null filter or factors < 1,
  // kOutOfMemory when the FFT objects or the work block cannot be had.
  CDSPBlockConvolver(CLowPassFilter* filter, int UpFactor, int DownFactor, double PrevLatency,
                     bool ConsumeLatency);
  ~CDSPBlockConvolver() override;

  int GetIntLatency() const override { return mConsume ? 0 : mLatency; }
  double GetFracLatency() const override { return mFracLatency; }
  int GetMaxOutputLength(int l) const override;
  void ClearState() override;
  int ProcessSamples(double* ip, int l, double*& op) override;
  EStatus GetStatus() const override { return mStatus; }

  // Inspection (tests, diagnostics).
  int GetUpFactor() const { return mUp; }
  int GetDownFactor() const { return mDown; }
  int GetLatency() const { return mLatency; }
  int GetBlockLen() const { return mBlockLen; }
  int GetInputLen() const { return mInLen; }
  int GetHistoryLen() const { return mHistLen; }
  const CLowPassFilter* GetFilter() const { return mFilter; }

private:
  void Fill(int pos, int count, const double*& ip) noexcept;
  void ConvolveBlock() noexcept;
  void CopyToOutput(int q, int b, double*& out, int& count) noexcept;

  CLowPassFilter* mFilter = nullptr;
  CFFTHolder mFFTIn;
  CFFTHolder mFFTOut;
  CDSPRealFFT* mOutFFT = nullptr;   // mFFTIn's object when both lengths agree
  int mUp = 1;
  int mDown = 1;
  bool mConsume = true;
  int mBlockLen = 0;     // L2: the filter's spectrum length
  int mOutOffset = 0;    // filter latency for zero-phase filters, else 0
  int mHistLen = 0;      // P
  int mInLen = 0;        // I: new upsampled positions per block
  int mLatency = 0;
  double mFracLatency = 0.0;
  int mUpShift = 0;      // log2 U, -1 when U is not a power of two
  int mDownShift = 0;    // log2 D, -1 when D is not a power of two
  int mLeadZeros = 0;    // Z
  int mFused = 0;        // 2: upsampling by 2 in one spectral pass, -2: downsampling by 2, 0: generic
  void* mWorkRaw = nullptr;
  double* mWork = nullptr;     // aligned start: two blocks, then the history
  double* mInBlock = nullptr;
  double* mOutBlock = nullptr;
  double* mHistory = nullptr;
  // Scratch of the fused 2x shapes, inside the work block.
  double* mSpecRe = nullptr;   // complex spectrum (and the inverse's passes)
  double* mSpecIm = nullptr;
  double* mSplitRe = nullptr;  // inverse split step's result
  double* mSplitIm = nullptr;
  double* mKernelRe = nullptr; // kernel spectrum in split form
  double* mKernelIm = nullptr;
  int mMissing = 0;      // positions still missing for the current block
  int mWithhold = 0;     // positions still to withhold
  int mPendingZeros = 0; // zeros of an unfinished upsampling group
  int mDecimSkip = 0;
  int mInitDecimSkip = 0;
  EStatus mStatus = EStatus::kOK;
};

} // namespace rsmp
