#pragma once
// Spectral middle of the block convolver's two 2x shapes in one pass.
//
// Upsampling by 2 (U = 2, D = 1): the input block has n/2 samples and the
// output block n. The generic path runs Forward on the input, replicates its
// spectrum to length n (the spectrum of the zero-inserted block), multiplies
// by the kernel spectrum and runs Inverse of length n. Bin k and bin n/2 - k
// of the replicated spectrum are the same input bin and its conjugate, so one
// pass over the input's complex spectrum can produce both and hand them to
// the inverse split step.
//
// Downsampling by 2 (U = 1, D = 2): the input block has n samples and the
// output block n/2. Truncating the spectrum keeps bins 0 .. n/4, so only half
// of the forward split step's outputs are ever used; the pass computes those,
// multiplies them and feeds the inverse split step of the shorter transform.
//
// Both do the generic path's arithmetic in its order, so the results are the
// same. Threads: the caller's (audio thread); no allocation, no lock.

#include "resampler/CDSPRealFFT.h"

namespace rsmp {

// The kernel spectrum in the split form the fused passes read: kr[b], ki[b]
// the two values of bin b of the packed layout (kr[0] the DC gain, ki[0]
// the Nyquist slot), for b < bins.
void SplitKernel(const double* packed, int bins, double* kr, double* ki) noexcept;

// re/im: the complex spectrum of the n/2 input samples (ForwardComplex of
// in, the length-n/2 object); tr0/ti0 (n/2 values each) receive the inverse
// split step's result for out, the length-n object; kr/ki: the split kernel
// spectrum, n/2 bins (zero-phase: real gains, kr = ki). Needs n >= 32.
void FusedUp2(const double* re, const double* im, const CDSPRealFFT& in, const CDSPRealFFT& out, const double* kr,
              const double* ki, bool zeroPhase, double* tr0, double* ti0) noexcept;

// re/im: the complex spectrum of the n input samples (ForwardComplex of in,
// the length-n object); tr0/ti0 (n/4 values each) for out, the length-n/2
// object; kr/ki: the split kernel spectrum, n/4 + 1 bins. Needs n >= 32.
void FusedDown2(const double* re, const double* im, const CDSPRealFFT& in, const CDSPRealFFT& out, const double* kr,
                const double* ki, bool zeroPhase, double* tr0, double* ti0) noexcept;

} // namespace rsmp
