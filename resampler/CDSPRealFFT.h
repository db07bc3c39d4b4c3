#pragma once
// In-place real FFT of power-of-two length n = 2^b with the packed spectrum
// layout the convolver and the filter designer work in:
//   forward:  a[0] = sum x[j], a[1] = sum x[j](-1)^j,
//             a[2k] = sum x[j]cos(2 pi jk/n), a[2k+1] = sum x[j]sin(2 pi jk/n)
//             for 1 <= k < n/2;
//   inverse:  x[j] = (a[0] + a[1](-1)^j)/2
//                    + sum_{k=1}^{n/2-1} (a[2k]cos(2 pi jk/n) + a[2k+1]sin(2 pi jk/n)).
// Neither direction scales: forward then inverse multiplies by n/2, which
// GetInvScale() (2/n) undoes.
//
// Objects come from the process-wide pool (CFFTPool). The tables of a length
// are built by the first object of that length and shared by all later ones
// (kept until the process ends), so a transform only reads them.
// Threads: Transform runs on the thread that holds the object (audio thread
// for convolver stages); it never allocates or locks.

#include "resampler/CStdClassAllocator.h"

namespace rsmp {

class CDSPRealFFT : public CStdClassAllocator
{
public:
  // Builds an object for n = 2^bits (0 <= bits <= 30); nullptr on allocation
  // failure or an out-of-range bits value. allowWide = false keeps to the
  // baseline instruction set even where wider vectors exist (both give
  // identical results; tests compare them).
  static CDSPRealFFT* Create(int bits, bool allowWide = true) noexcept;
  static void Destroy(CDSPRealFFT* f) noexcept;

  int GetLenBits() const { return mBits; }
  int GetLen() const { return mLen; }
  double GetInvScale() const { return mInvScale; }

  void Forward(double* a) const noexcept;
  void Inverse(double* a) const noexcept;
  // direction +1 forward, -1 inverse.
  void Transform(double* a, int direction) const noexcept
  {
    if(direction >= 0)
      Forward(a);
    else
      Inverse(a);
  }

  // Pieces of Forward and Inverse for callers that work on the complex
  // spectrum of half length directly (the block convolver's fused 2x paths),
  // in scratch arrays of the caller's (n/2 doubles each). Only for n >= 8.
  // ForwardComplex transforms z[j] = a[2j] + i a[2j+1], j < n/2, into re/im
  // (natural order, kernel exp(+i)); Forward then combines bins k and
  // n/2 - k of it into the packed real spectrum. InverseComplex runs the
  // backward complex transform of tr/ti, which hold what Inverse's split step
  // would leave, through re/im and interleaves the result into a; tr/ti may
  // lie inside a (they are read before a is written).
  void ForwardComplex(const double* a, double* re, double* im) const noexcept;
  void InverseComplex(const double* tr, const double* ti, double* re, double* im, double* a) const noexcept;
  // Twiddles of the split steps, cos(2 pi k / n) and sin(2 pi k / n), k = 0 .. n/4.
  const double* SplitCos() const { return mSplitCos; }
  const double* SplitSin() const { return mSplitSin; }
  // True when this object runs the 256-bit kernels.
  bool IsWide() const { return mAvx2; }

  CDSPRealFFT* mNext = nullptr; // pool free-list link

private:
  CDSPRealFFT() = default;
  ~CDSPRealFFT() = default;

  // Complex transform of n/2 points read in bit-reversed order from sr/si
  // (stride 2: interleaved, 1: separate arrays) into separate real and
  // imaginary arrays in natural order. With out given, the wide inverse may
  // write its last pass interleaved into out instead; returns true when it
  // did.
  template <bool Inv>
  bool ComplexPass(const double* sr, const double* si, int stride, double* re, double* im,
                   double* out = nullptr) const noexcept;

  int mBits = 0;
  int mLen = 0;
  double mInvScale = 1.0;
  bool mAvx2 = false;            // wide passes available on this processor
  // Tables shared by all objects of this length (see CDSPRealFFT.cpp).
  const int* mRev = nullptr;           // rev[j]: bit-reversed index of j, j < n/2
  const double* mStageTw = nullptr;    // per radix-4 pass of span L: w^j, w^2j, w^3j as
                                       // six arrays of L (re, im, re, im, re, im)
  const double* mSplitTw = nullptr;    // cos/sin(2 pi k/n) for 0 <= k <= n/4
  const double* mSplitCos = nullptr;   // the same as two arrays
  const double* mSplitSin = nullptr;
  void* mTableRaw = nullptr;           // the transform's scratch
  double* mRe = nullptr;         // scratch: n/2 real parts
  double* mIm = nullptr;         // scratch: n/2 imaginary parts
  double* mTRe = nullptr;        // scratch of the inverse's split step
  double* mTIm = nullptr;
};

} // namespace rsmp
