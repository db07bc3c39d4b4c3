#include "resampler/CLowPassCache.h"

#include "resampler/RsmpLocks.h"

#include <cstdlib>
#include <new>

namespace rsmp {

namespace {

CLowPassFilter* gHead = nullptr;
int gCount = 0;
bool gExitHandlerSet = false;

void FreeFiltersAtExit()
{
  std::lock_guard<std::recursive_mutex> lock(GetFilterCacheLock());
  // Filters still referenced belong to converters that outlive us; they are
  // left alone (unlinked) rather than freed under their users.
  CLowPassFilter** link = &gHead;
  while(CLowPassFilter* f = *link)
  {
    if(f->RefCount == 0)
    {
      *link = f->Next;
      delete f;
      gCount--;
    }
    else
      link = &f->Next;
  }
}

void Unlink(CLowPassFilter* f)
{
  for(CLowPassFilter** link = &gHead; *link; link = &(*link)->Next)
  {
    if(*link == f)
    {
      *link = f->Next;
      f->Next = nullptr;
      return;
    }
  }
}

void PushHead(CLowPassFilter* f)
{
  f->Next = gHead;
  gHead = f;
}

} // namespace

CLowPassFilter* CLowPassCache::Get(double cutoff, double band, double atten, int phase, double gain,
                                   EStatus* status) noexcept
{
  std::lock_guard<std::recursive_mutex> lock(GetFilterCacheLock());
  if(!gExitHandlerSet)
  {
    gExitHandlerSet = true;
    std::atexit(FreeFiltersAtExit);
  }
  if(status)
    *status = EStatus::kOK;

  const int countAtStart = gCount;
  for(CLowPassFilter* f = gHead; f; f = f->Next)
  {
    if(f->Cutoff == cutoff && f->Band == band && f->Atten == atten && f->Phase == phase && f->Gain == gain)
    {
      f->RefCount++;
      if(f != gHead)
      {
        Unlink(f);
        PushHead(f);
      }
      return f;
    }
  }

  if(countAtStart >= kMaxEntries)
  {
    CLowPassFilter* last = gHead;
    while(last && last->Next)
      last = last->Next;
    if(last)
    {
      Unlink(last);
      if(last->RefCount == 0)
      {
        delete last;
        gCount--;
      }
      else
        PushHead(last);
    }
  }

  CLowPassFilter* f = new(std::nothrow) CLowPassFilter();
  if(!f)
  {
    if(status)
      *status = EStatus::kOutOfMemory;
    return nullptr;
  }
  f->Cutoff = cutoff;
  f->Band = band;
  f->Atten = atten;
  f->Phase = phase;
  f->Gain = gain;
  const EStatus st = DesignLowPassFIR(*f);
  if(st != EStatus::kOK)
  {
    delete f;
    if(status)
      *status = st;
    return nullptr;
  }
  f->RefCount = 1;
  gCount++;
  PushHead(f);
  return f;
}

void CLowPassCache::Release(CLowPassFilter* f) noexcept
{
  if(!f)
    return;
  std::lock_guard<std::recursive_mutex> lock(GetFilterCacheLock());
  if(f->RefCount > 0)
    f->RefCount--;
}

int CLowPassCache::GetCount() noexcept
{
  std::lock_guard<std::recursive_mutex> lock(GetFilterCacheLock());
  return gCount;
}

int CLowPassCache::GetPosition(const CLowPassFilter* f) noexcept
{
  std::lock_guard<std::recursive_mutex> lock(GetFilterCacheLock());
  int i = 0;
  for(CLowPassFilter* p = gHead; p; p = p->Next, i++)
    if(p == f)
      return i;
  return -1;
}

int CLowPassCache::GetRefCount(const CLowPassFilter* f) noexcept
{
  std::lock_guard<std::recursive_mutex> lock(GetFilterCacheLock());
  return f ? f->RefCount : 0;
}

} // namespace rsmp
