#pragma once
// Process-wide pool of FFT objects: one free list per length bits 0 .. 30.
// Acquire pops an idle object of the wanted length or builds a new one;
// Release pushes it back. Objects are kept until the process ends (the free
// lists are emptied by an exit handler). An object is handed to one holder at
// a time, so concurrent transforms of one length use different objects.
// Threads: any thread, under the FFT pool lock; never on the audio path.

#include "resampler/CDSPRealFFT.h"

namespace rsmp {

class CFFTPool
{
public:
  // nullptr when bits is outside 0 .. 30 or memory runs out.
  static CDSPRealFFT* Acquire(int bits) noexcept;
  static void Release(CDSPRealFFT* f) noexcept;
  // Number of idle objects of a length (tests and diagnostics).
  static int IdleCount(int bits) noexcept;

  static constexpr int kMaxBits = 30;
};

// Owns one pooled FFT object and returns it to the pool when destroyed.
class CFFTHolder
{
public:
  CFFTHolder() = default;
  explicit CFFTHolder(int bits) noexcept : mFFT(CFFTPool::Acquire(bits)) {}
  ~CFFTHolder() { Reset(); }
  CFFTHolder(const CFFTHolder&) = delete;
  CFFTHolder& operator=(const CFFTHolder&) = delete;

  bool Acquire(int bits) noexcept
  {
    Reset();
    mFFT = CFFTPool::Acquire(bits);
    return mFFT != nullptr;
  }
  void Reset() noexcept
  {
    if(mFFT)
      CFFTPool::Release(mFFT);
    mFFT = nullptr;
  }
  CDSPRealFFT* Get() const { return mFFT; }
  CDSPRealFFT* operator->() const { return mFFT; }
  explicit operator bool() const { return mFFT != nullptr; }

private:
  CDSPRealFFT* mFFT = nullptr;
};

} // namespace rsmp
