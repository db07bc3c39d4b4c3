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

// re/im: the complex spectrum of the n/2 input samples (ForwardComplex of
// in, the length-n/2 object); tr0/ti0 (n/2 values each) receive the inverse
// split step's result for out, the length-n object; kernel: packed spectrum
// of length n (zero-phase: each real gain stored twice). Needs n >= 32.
void FusedUp2(const double* re, const double* im, const CDSPRealFFT& in, const CDSPRealFFT& out, const double* kernel,
              bool zeroPhase, double* tr0, double* ti0) noexcept;

// re/im: the complex spectrum of the n input samples (ForwardComplex of in,
// the length-n object); tr0/ti0 (n/4 values each) for out, the length-n/2
// object; kernel: packed spectrum of length n (its first n/2 + 2 values are
// read). Needs n >= 32.
void FusedDown2(const double* re, const double* im, const CDSPRealFFT& in, const CDSPRealFFT& out,
                const double* kernel, bool zeroPhase, double* tr0, double* ti0) noexcept;

} // namespace rsmp
