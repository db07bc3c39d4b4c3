#pragma once
// Wide (256-bit, AVX2) kernels of CDSPRealFFT, chosen per object when the
// processor has them. Each does, lane by lane, the operations of the baseline
// code in the same order, so both give identical results. Internal to the
// FFT. Threads: any; no state.

#if defined(__GNUC__) && defined(__x86_64__)
#define RSMP_FFT_AVX2 1
#else
#define RSMP_FFT_AVX2 0
#endif

#if RSMP_FFT_AVX2

namespace rsmp {

bool HasAvx2() noexcept;

// Radix-4 passes from span L up to N complex points (separate re/im arrays,
// twiddles as CDSPRealFFT lays them out).
void Radix4PassesAvx2Fwd(double* re, double* im, const double* tw, int N, int L) noexcept;
void Radix4PassesAvx2Inv(double* re, double* im, const double* tw, int N, int L) noexcept;
// The inverse passes with the last one (L < N required) writing its result
// interleaved into out (out[2j] = re[j], out[2j+1] = im[j]) instead of re/im.
void Radix4PassesAvx2InvTo(double* re, double* im, const double* tw, int N, int L, double* out) noexcept;

// Real split steps four bins at a time from bin k (q = N - k); return the
// next k to do.
int SplitForwardAvx2(const double* re, const double* im, const double* w, double* a, int k, int q) noexcept;
int SplitInverseAvx2(const double* a, const double* w, double* tr0, double* ti0, int k, int q) noexcept;

// First pass of the complex transform, reading its inputs in bit-reversed
// order from sr/si (stride 2: interleaved, 1: separate arrays) into re/im:
// radix-4 without twiddles when log2 N is even, the fused radix-2 and span-2
// radix-4 (one radix-8 butterfly per group of eight) when it is odd. Four
// groups per step, the groups taken in the order of their sources so the
// loads are contiguous. Needs N >= 16 (even) or N >= 32 (odd); returns the
// span of the passes still to do, or 0 when N is too small.
int FirstPassAvx2Fwd(const double* sr, const double* si, int stride, const int* rev, double* re, double* im,
                     int N) noexcept;
int FirstPassAvx2Inv(const double* sr, const double* si, int stride, const int* rev, double* re, double* im,
                     int N) noexcept;

// a[2j] = re[j], a[2j+1] = im[j] for j < N (N a multiple of 4).
void InterleaveAvx2(const double* re, const double* im, double* a, int N) noexcept;

} // namespace rsmp

#endif
