#pragma once
// Banks of fractional-delay FIR filters for the fractional interpolator: rows
// of Kaiser-windowed sinc taps, one row per fraction of a sample, shared
// process-wide. Whole-stepping banks hold one plain row per output phase;
// interpolating banks hold, per tap, three coefficients of a quadratic in the
// position between two neighbouring rows (stored for pairs of taps
// interleaved: c0 c0, c1 c1, c2 c2).
//
// Threads: Acquire and Release on any thread under the filter-bank lock (never
// on the audio path); a bank's table never changes once built, so any number
// of interpolators read it at once.

#include "resampler/CStdClassAllocator.h"
#include "resampler/RsmpStatus.h"

namespace rsmp {

class CFracDelayFilterBank : public CStdClassAllocator
{
public:
  // Design entry of a family: window shape, window power, attenuation (dB).
  struct SDesign
  {
    double Alpha;
    double Power;
    double Atten;
  };
  static constexpr int kPow2DesignCount = 12;
  static constexpr int kThirdDesignCount = 10;
  static const SDesign kPow2Designs[kPow2DesignCount];   // filter length 8 + 2d
  static const SDesign kThirdDesigns[kThirdDesignCount]; // filter length 6 + 2d
  static constexpr int kShortLivedLimit = 12;

  // Design index for a request: the first entry reaching ReqAtten, else the last.
  static int ChooseDesign(bool IsThird, double ReqAtten) noexcept;

  // Returns a bank for the request with its reference count raised, or nullptr
  // (status in *status when given) when memory runs out or the request cannot
  // be designed. FracCount: rows wanted (-1 for the attenuation's default);
  // Ct: 1 (plain rows) or 3 (quadratic coefficients); Guard: extra rows around
  // the FracCount ones (even, >= 2). LongLived banks stay for the life of the
  // process; the others are kept in last-use order, at most kShortLivedLimit
  // of them unless all are in use.
  static CFracDelayFilterBank* Acquire(int FracCount, int Ct, int Guard, bool IsThird, bool LongLived,
                                       double ReqAtten, EStatus* status = nullptr) noexcept;
  // Lowers the reference count of a bank obtained from Acquire.
  static void Release(CFracDelayFilterBank* bank) noexcept;

  // Number of short-lived banks cached, and a bank's reference count (tests).
  static int GetShortLivedCount() noexcept;
  static int GetRefCount(const CFracDelayFilterBank* bank) noexcept;

  // Element of fraction index i (1 - Guard/2 <= i < FracCount + Guard/2 + 1).
  const double* GetRow(int i) const noexcept { return Table + (i - 1 + Guard / 2) * ElementSize; }

  int FilterLen = 0;   // F, even
  int FracCount = 0;   // Q
  // Key.
  int ReqFracCount = 0;
  int Ct = 0;
  int Guard = 0;
  double Atten = 0.0;  // attenuation of the chosen design
  bool IsThird = false;
  int ElementSize = 0; // Ct * F doubles per fraction
  void* TableRaw = nullptr;
  double* Table = nullptr; // (Q + Guard) * ElementSize doubles, 64-byte aligned
  CFracDelayFilterBank* Next = nullptr;
  int RefCount = 1;
  bool LongLived = false;

  // Designs the table from the key fields. kOutOfMemory, or kInvalidArgument
  // for a fraction count or guard the table cannot hold.
  EStatus Build(double Alpha, double Power) noexcept;

  ~CFracDelayFilterBank();
};

} // namespace rsmp
