#include "host/PartialFile.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace orbexhost {

namespace {

// The file a signal removes; null when none is being written.
std::atomic<const char*> g_partial{nullptr};
std::atomic<bool> g_installed{false};

extern "C" void RemovePartialAndStop(int sig) {
  if (const char* path = g_partial.exchange(nullptr)) unlink(path);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

PartialFile::PartialFile(std::string path) : mPath(std::move(path)) { g_partial.store(mPath.c_str()); }

PartialFile::~PartialFile() {
  g_partial.store(nullptr);
  if (!mKept) std::remove(mPath.c_str());
}

void PartialFile::Keep() {
  g_partial.store(nullptr);
  mKept = true;
}

void PartialFile::RemoveOnSignals() {
  if (g_installed.exchange(true)) return;
  static_assert(std::atomic<const char*>::is_always_lock_free);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, RemovePartialAndStop);
}

}  // namespace orbexhost
