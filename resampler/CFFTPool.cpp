#include "resampler/CFFTPool.h"

#include "resampler/RsmpLocks.h"

#include <cstdlib>

namespace rsmp {

namespace {

CDSPRealFFT* gFreeLists[CFFTPool::kMaxBits + 1] = {};
bool gExitHandlerSet = false;

void FreeListsAtExit()
{
  std::lock_guard<std::recursive_mutex> lock(GetFFTPoolLock());
  for(int b = CFFTPool::kMaxBits; b >= 0; b--)
  {
    while(CDSPRealFFT* f = gFreeLists[b])
    {
      gFreeLists[b] = f->mNext;
      CDSPRealFFT::Destroy(f);
    }
  }
}

} // namespace

CDSPRealFFT* CFFTPool::Acquire(int bits) noexcept
{
  if(bits < 0 || bits > kMaxBits)
    return nullptr;
  std::lock_guard<std::recursive_mutex> lock(GetFFTPoolLock());
  if(!gExitHandlerSet)
  {
    gExitHandlerSet = true;
    std::atexit(FreeListsAtExit);
  }
  if(CDSPRealFFT* f = gFreeLists[bits])
  {
    gFreeLists[bits] = f->mNext;
    f->mNext = nullptr;
    return f;
  }
  return CDSPRealFFT::Create(bits);
}

void CFFTPool::Release(CDSPRealFFT* f) noexcept
{
  if(!f)
    return;
  std::lock_guard<std::recursive_mutex> lock(GetFFTPoolLock());
  const int b = f->GetLenBits();
  f->mNext = gFreeLists[b];
  gFreeLists[b] = f;
}

int CFFTPool::IdleCount(int bits) noexcept
{
  if(bits < 0 || bits > kMaxBits)
    return 0;
  std::lock_guard<std::recursive_mutex> lock(GetFFTPoolLock());
  int n = 0;
  for(CDSPRealFFT* f = gFreeLists[bits]; f; f = f->mNext)
    n++;
  return n;
}

} // namespace rsmp
