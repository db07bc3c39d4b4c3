#include "host/PartialFile.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace orbexhost {

namespace {

// The files a signal removes (OUT and a saved state, or an editor run's
// pictures and state, are written at once); null slots are free.
constexpr int kSlots = 256;
std::atomic<const char*> g_partial[kSlots] = {};
std::atomic<bool> g_installed{false};

extern "C" void RemovePartialAndStop(int sig) {
  for (auto& slot : g_partial)
    if (const char* path = slot.exchange(nullptr)) unlink(path);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

PartialFile::PartialFile(std::string path) : mPath(std::move(path)) {
  for (int i = 0; i < kSlots; ++i) {
    const char* expected = nullptr;
    if (g_partial[i].compare_exchange_strong(expected, mPath.c_str())) {
      mSlot = i;
      break;
    }
  }
}

PartialFile::~PartialFile() {
  Release();
  if (!mKept) std::remove(mPath.c_str());
}

void PartialFile::Release() {
  if (mSlot >= 0) g_partial[mSlot].store(nullptr);
  mSlot = -1;
}

void PartialFile::Keep() {
  Release();
  mKept = true;
}

void PartialFile::RemoveOnSignals() {
  if (g_installed.exchange(true)) return;
  static_assert(std::atomic<const char*>::is_always_lock_free);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(sig, RemovePartialAndStop);
}

}  // namespace orbexhost
