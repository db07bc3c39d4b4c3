// Input sound files: any bytes as the file the host reads, opened and read
// to its end. Every read of the header stays inside the file (the
// sanitizers check); a file that opens reads at most the frames it was
// opened with, and a read that stops short says why.
#include "host/SoundReader.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 22)) return 0;
  const int fd = memfd_create("orbex9-fuzz-soundfile", 0);
  if (fd < 0) return 0;
  if (write(fd, data, size) != static_cast<ssize_t>(size)) {
    close(fd);
    return 0;
  }
  orbexhost::SoundReader reader;
  std::string error;
  if (reader.Open("/proc/self/fd/" + std::to_string(fd), error)) {
    std::vector<float> left(997), right(997);
    float* channels[2] = {left.data(), right.data()};
    size_t got = 0;
    int64_t frames = 0;
    bool ok = true;
    while (ok && frames < reader.NumFrames()) {
      ok = reader.Read(channels, left.size(), got, error);
      frames += static_cast<int64_t>(got);
    }
    if (frames > reader.NumFrames() || (!ok && error.empty())) std::abort();
  } else if (error.empty()) {
    std::abort();
  }
  close(fd);
  return 0;
}
