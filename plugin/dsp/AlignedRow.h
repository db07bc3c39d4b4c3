#pragma once
// An owned row of doubles whose start is 64-byte aligned. Allocation never
// throws: a failed Allocate leaves the row empty and returns false.

#include <cstddef>
#include <cstring>
#include <new>

class AlignedRow
{
public:
  static constexpr std::size_t kAlign = 64;

  AlignedRow() = default;
  ~AlignedRow() { Free(); }
  AlignedRow(const AlignedRow&) = delete;
  AlignedRow& operator=(const AlignedRow&) = delete;
  AlignedRow(AlignedRow&& o) noexcept : mData(o.mData), mSize(o.mSize)
  {
    o.mData = nullptr;
    o.mSize = 0;
  }
  AlignedRow& operator=(AlignedRow&& o) noexcept
  {
    if (this != &o)
    {
      Free();
      mData = o.mData;
      mSize = o.mSize;
      o.mData = nullptr;
      o.mSize = 0;
    }
    return *this;
  }

  // Allocates n zeroed doubles (replacing the old contents).
  bool Allocate(std::size_t n) noexcept
  {
    Free();
    if (n == 0)
      return true;
    mData = static_cast<double*>(::operator new(n * sizeof(double), std::align_val_t(kAlign), std::nothrow));
    if (!mData)
      return false;
    mSize = n;
    std::memset(mData, 0, n * sizeof(double));
    return true;
  }

  void Free() noexcept
  {
    if (mData)
      ::operator delete(mData, std::align_val_t(kAlign));
    mData = nullptr;
    mSize = 0;
  }

  double* Data() noexcept { return mData; }
  const double* Data() const noexcept { return mData; }
  std::size_t Size() const noexcept { return mSize; }

private:
  double* mData = nullptr;
  std::size_t mSize = 0;
};
