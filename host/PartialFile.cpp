#include "host/PartialFile.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace orbexhost {

namespace {

// Names tried before giving up when others of this process's names are
// taken (left by an earlier process that had the same id).
constexpr int kNameAttempts = 64;

}  // namespace

// One temporary file in the list the signal handler walks. The list is
// changed only on the main thread and read only by the handler on that same
// thread, so a node is complete before it is linked in and unlinked before it
// is freed; the links are atomic so that no store is torn or moved by the
// compiler across the moment a signal may arrive.
struct PartialEntry {
  const std::string path;
  std::atomic<PartialEntry*> next{nullptr};
  PartialEntry* prev = nullptr;
};

namespace {

std::atomic<PartialEntry*> g_first{nullptr};
pthread_t g_mainThread;
std::atomic<bool> g_installed{false};

extern "C" void RemovePartialsAndStop(int sig) {
  if (!pthread_equal(pthread_self(), g_mainThread)) {
    pthread_kill(g_mainThread, sig);
    return;
  }
  for (PartialEntry* e = g_first.load(); e != nullptr; e = e->next.load()) unlink(e->path.c_str());
  signal(sig, SIG_DFL);
  raise(sig);
}

void Link(PartialEntry* e) {
  PartialEntry* first = g_first.load();
  e->next.store(first);
  if (first != nullptr) first->prev = e;
  g_first.store(e);
}

void Unlink(PartialEntry* e) {
  PartialEntry* next = e->next.load();
  if (e->prev != nullptr)
    e->prev->next.store(next);
  else
    g_first.store(next);
  if (next != nullptr) next->prev = e->prev;
  delete e;
}

}  // namespace

PartialFile::~PartialFile() {
  if (mEntry == nullptr) return;
  unlink(mPath.c_str());
  Forget();
}

void PartialFile::Forget() {
  Unlink(mEntry);
  mEntry = nullptr;
}

int PartialFile::Create(const std::string& folder, mode_t mode) {
  static unsigned counter = 0;
  const std::string stem = folder + "/.orbex9-host-" + std::to_string(static_cast<long>(getpid())) + "-";
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    mPath = stem + std::to_string(counter++) + ".partial";
    // Listed before it exists, so that no moment passes with the file made
    // and not yet listed.
    mEntry = new PartialEntry{mPath};
    Link(mEntry);
    const int fd = open(mPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    const int err = errno;
    Forget();
    errno = err;
    if (err != EEXIST) break;
  }
  mPath.clear();
  return -1;
}

bool PartialFile::RenameTo(const std::string& target) {
  if (rename(mPath.c_str(), target.c_str()) != 0) return false;
  // Forgotten only once renamed: until then a signal removes it.
  Forget();
  return true;
}

void PartialFile::RemoveOnSignals() {
  if (g_installed.exchange(true)) return;
  g_mainThread = pthread_self();
  struct sigaction action {};
  action.sa_handler = RemovePartialsAndStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &action, nullptr);
}

}  // namespace orbexhost
