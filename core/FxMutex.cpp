#include "core/FxMutex.h"

namespace fx {

FxMutex::FxMutex() noexcept
{
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&mMutex, &attr);
  pthread_mutexattr_destroy(&attr);
}

FxMutex::~FxMutex() { pthread_mutex_destroy(&mMutex); }

} // namespace fx
