#include "core/FxHeapBuf.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace fx {

namespace {
constexpr int64_t kPage = 4096;
constexpr int64_t kHeader = 96;
constexpr int64_t kMaxPageStep = 4194304;
} // namespace

FxHeapBuf::FxHeapBuf(int granularity) noexcept
  : mGranularity(granularity > 0 ? granularity : kDefaultGranularity)
{
}

FxHeapBuf::~FxHeapBuf() { std::free(mBuf); }

FxHeapBuf::FxHeapBuf(const FxHeapBuf& other) noexcept : mGranularity(other.mGranularity)
{
  if (other.mUsed > 0 && Resize(other.mUsed) && mUsed == other.mUsed)
    std::memcpy(mBuf, other.mBuf, static_cast<size_t>(other.mUsed));
}

FxHeapBuf& FxHeapBuf::operator=(const FxHeapBuf& other) noexcept
{
  if (this == &other) return *this;
  // Keep our own buffer when it is big enough; a failed growth leaves us unchanged.
  Resize(other.mUsed);
  if (mUsed == other.mUsed && other.mUsed > 0) std::memcpy(mBuf, other.mBuf, static_cast<size_t>(other.mUsed));
  return *this;
}

FxHeapBuf::FxHeapBuf(FxHeapBuf&& other) noexcept
  : mBuf(std::exchange(other.mBuf, nullptr)),
    mAllocated(std::exchange(other.mAllocated, 0)),
    mUsed(std::exchange(other.mUsed, 0)),
    mGranularity(other.mGranularity)
{
}

FxHeapBuf& FxHeapBuf::operator=(FxHeapBuf&& other) noexcept
{
  if (this == &other) return *this;
  std::free(mBuf);
  mBuf = std::exchange(other.mBuf, nullptr);
  mAllocated = std::exchange(other.mAllocated, 0);
  mUsed = std::exchange(other.mUsed, 0);
  mGranularity = other.mGranularity;
  return *this;
}

int64_t FxHeapBuf::AllocationSizeFor(int64_t n, int granularity) noexcept
{
  if (n < 1) return 0;
  const int64_t step = std::max<int64_t>(n / 2, granularity);
  int64_t size;
  if (granularity > 4095)
  {
    int64_t pageStep = std::min(step / kPage * kPage, kMaxPageStep);
    if (pageStep == 0) pageStep = kPage;
    size = (n + pageStep + kHeader) / kPage * kPage - kHeader;
  }
  else
  {
    size = n + step;
  }
  return size > INT_MAX ? -1 : size;
}

void* FxHeapBuf::Resize(int n, bool allowShrink) noexcept
{
  if (n < 0) n = 0;
  if (n == mUsed) return n < 1 ? nullptr : mBuf;

  int64_t threshold = 0;
  if (n < mUsed && allowShrink)
    threshold = std::max<int64_t>(1, std::min<int64_t>(int64_t(mAllocated) - 4 * int64_t(mGranularity), mAllocated / 2));

  if (threshold <= n && n <= mAllocated)
  {
    mUsed = n;
    return n < 1 ? nullptr : mBuf;
  }

  const int64_t size = AllocationSizeFor(n, mGranularity);
  if (size < 0) return mUsed < 1 ? nullptr : mBuf; // too large to represent: refused

  if (size == 0)
  {
    std::free(mBuf);
    mBuf = nullptr;
    mAllocated = mUsed = 0;
    return nullptr;
  }

  if (size != mAllocated)
  {
    void* p = std::realloc(mBuf, static_cast<size_t>(size));
    if (!p)
    {
      p = std::malloc(static_cast<size_t>(size));
      if (!p) return mUsed < 1 ? nullptr : mBuf;
      if (mBuf)
      {
        std::memcpy(p, mBuf, static_cast<size_t>(std::min(n, mUsed)));
        std::free(mBuf);
      }
    }
    mBuf = p;
  }
  mAllocated = static_cast<int32_t>(size);
  mUsed = n;
  return mBuf;
}

} // namespace fx
