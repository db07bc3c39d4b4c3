#pragma once
// Low-pass FIR filter shared by the block convolvers: a Kaiser-windowed sinc
// designed from (cutoff, transition band, attenuation, phase, gain) and kept
// as a ready-made packed spectrum (CDSPRealFFT layout) of length 2 << bits.
// Objects are owned by CLowPassCache; their data never changes after design,
// so any number of stages read one at once.
//
// Threads: designed on a constructing thread under the filter-cache lock;
// read-only afterwards (audio thread).

#include "resampler/CStdClassAllocator.h"
#include "resampler/RsmpStatus.h"

namespace rsmp {

struct CLowPassFilter : public CStdClassAllocator
{
  // Request.
  double Cutoff = 0.0;   // fraction of the Nyquist frequency of the rate the filter runs at
  double Band = 0.0;     // transition band, percent
  double Atten = 0.0;    // stop-band attenuation, dB
  int Phase = 0;         // 0 = linear phase, else minimum phase
  double Gain = 1.0;     // DC gain

  CLowPassFilter* Next = nullptr; // cache list link
  int RefCount = 0;               // stages using it (guarded by the filter-cache lock)

  bool IsZeroPhase = true;  // linear phase: kernel stored centred on index 0
  int Latency = 0;          // whole latency, samples of the filter's rate
  double FracLatency = 0.0;
  int KernelLen = 0;        // K = 2h + 1
  int BlockLenBits = 0;     // spectrum holds 2 << BlockLenBits values
  void* KernelRaw = nullptr;
  double* KernelBlock = nullptr; // 64-byte aligned packed spectrum

  ~CLowPassFilter();
};

// Fills latency, K, block bits and the kernel block from the request fields.
// kInvalidArgument for requests a design cannot serve (non-finite or
// non-positive cutoff, band or attenuation, cutoff above 1, a kernel too long
// to transform), kOutOfMemory when a buffer cannot be had. Takes the FFT pool
// lock (so callers holding the filter-cache lock keep the lock order).
EStatus DesignLowPassFIR(CLowPassFilter& f) noexcept;

// Converts a linear-phase kernel of K taps to minimum phase in place, working
// on a transform of at least K * multiplier points, and reports the resulting
// DC group delay in latency. Without final scaling the result carries the
// transform's factor n/2 (callers normalise). kInvalidArgument for K < 1 or
// multiplier < 1, kOutOfMemory when buffers cannot be had.
EStatus ToMinimumPhase(double* kernel, int K, int multiplier, bool finalScaling, double& latency) noexcept;

// Modified Bessel function of order 0 by the polynomial approximations
// 9.8.1 (|x| < 3.75) and 9.8.2 (|x| >= 3.75) of Abramowitz and Stegun.
double BesselI0(double x) noexcept;

// The fitted design figures for a request, before the kernel is computed
// (exposed for tests and the table generator).
struct LowPassDesignFigures
{
  double A = 0.0;        // corrected attenuation measure a (negative dB)
  double Power = 0.0;    // window power P
  double Lambda = 0.0;   // length measure
  double Shift = 0.0;    // cutoff shift f
  double HalfLen = 0.0;  // H
  int H = 0;             // floor(H)
  double Omega = 0.0;    // angular cutoff
  int BlockLenBits = 0;
};
EStatus ComputeLowPassFigures(double cutoff, double band, double atten, LowPassDesignFigures& out) noexcept;

} // namespace rsmp
