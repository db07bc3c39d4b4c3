// End to end: what the host writes (OUT of every type, the state file,
// pictures) is whole or not written at all, whatever stops the write (a
// file-size limit, a full disk) and however late; a file it replaces keeps its permissions and
// owner; names as long as the system allows are written; audio past 4 GiB
// gets a type that holds it or is refused before anything is written.
#include "HostFiles.h"
#include "HostRun.h"
#include "PrivateDisk.h"

#include <sys/resource.h>

#include <fstream>
#include <iterator>
#include <random>

using namespace hosttest;

namespace {

const char* const kTypes[] = {"wav", "aiff", "caf", "w64", "flac"};
const std::string kOldTake = "an older take", kOldState = "an older state";

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string FirstBytes(const std::string& path, size_t n) {
  std::string bytes(n, '\0');
  std::ifstream f(path, std::ios::binary);
  f.read(bytes.data(), static_cast<std::streamsize>(n));
  bytes.resize(static_cast<size_t>(f.gcount()));
  return bytes;
}

// Stereo noise: FLAC keeps it larger than a saved state.
orbexhost::AudioData Noise(size_t frames) {
  orbexhost::AudioData d;
  d.sampleRate = 48000.0;
  d.channels.assign(2, std::vector<float>(frames));
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> u(-0.5f, 0.5f);
  for (auto& ch : d.channels)
    for (float& s : ch) s = u(rng);
  return d;
}

// A 16-bit stereo WAV whose header declares frames, its audio a hole in the
// file (no disk space taken).
void WriteSparseWav(const std::string& path, uint32_t frames) {
  auto le = [](uint32_t v, int n) {
    std::string b;
    for (int i = 0; i < n; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
  };
  const uint32_t bytes = frames * 4;
  const std::string fmt = le(1, 2) + le(2, 2) + le(48000, 4) + le(48000 * 4, 4) + le(4, 2) + le(16, 2);
  const std::string head = "WAVEfmt " + le(16, 4) + fmt + "data" + le(bytes, 4);
  WriteText(path, "RIFF" + le(static_cast<uint32_t>(head.size()) + bytes, 4) + head);
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(head.size() + 8 + bytes)), 0);
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace

class HostOutputs : public HostTest {
protected:
  // Runs the host with a file-size limit of bytes (ulimit -f); the host
  // itself turns the signal the limit sends into a failed write.
  RunResult RunLimited(const std::vector<std::string>& args, rlim_t bytes) const {
    rlimit saved{};
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limit = saved;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const pid_t pid = StartHost(args, dir);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    return FinishHost(pid, dir);
  }
};

TEST_F(HostOutputs, EveryTypeIsWrittenWholeOrNotAtAllAtEveryFileSizeLimit) {
  constexpr size_t kFrames = 960;
  WriteOrFail(Path("in.wav"), Noise(kFrames));
  const std::string state = Path("s.aupreset");
  for (const char* type : kTypes) {
    const std::string out = Path(std::string("out.") + type);
    const std::vector<std::string> args = {"process", Path("in.wav"), out, "--save-state", state};
    ASSERT_EQ(Run(args).exitCode, 0) << type;
    const off_t size = FileSize(out);
    // The last bytes written (the end of the audio, the header completed
    // at the close), then earlier ones.
    std::vector<off_t> limits = {0, 64, size / 2, size - 100};
    for (off_t k = 12; k >= 0; --k) limits.push_back(size - k);
    for (const off_t limit : limits) {
      SCOPED_TRACE(std::string(type) + " limited to " + std::to_string(limit) + " of " + std::to_string(size));
      WriteText(out, kOldTake);
      WriteText(state, kOldState);
      const RunResult r = RunLimited(args, static_cast<rlim_t>(limit));
      if (limit == size) {
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(ReadOrFail(out).NumFrames(), kFrames);
        EXPECT_EQ(FramesIn(out), static_cast<int64_t>(kFrames));
        EXPECT_NE(ReadText(state).find("<plist"), std::string::npos);
      } else {
        EXPECT_EQ(r.exitCode, 5) << r.err;
        if (limit > 200) {
          EXPECT_NE(r.err.find("the file-size limit"), std::string::npos) << r.err;
        }
        // Neither OUT nor the state is replaced.
        EXPECT_EQ(ReadText(out), kOldTake);
        EXPECT_EQ(ReadText(state), kOldState);
      }
      EXPECT_TRUE(Leftovers(dir).empty());
    }
  }
  // A picture likewise.
  const std::string picture = Path("p.png");
  ASSERT_EQ(Run({"editor", "--png", picture}).exitCode, 0);
  const off_t size = FileSize(picture);
  for (const off_t limit : {size - 1, size}) {
    SCOPED_TRACE(limit - size);
    WriteText(picture, kOldTake);
    const RunResult r = RunLimited({"editor", "--png", picture}, static_cast<rlim_t>(limit));
    EXPECT_EQ(r.exitCode, limit == size ? 0 : 5) << r.err;
    EXPECT_EQ(ReadText(picture) == kOldTake, limit != size);
    EXPECT_TRUE(Leftovers(dir).empty());
  }
}

TEST_F(HostOutputs, AFullDiskKeepsTheOldFiles) {
  WriteOrFail(Path("in.wav"), Noise(48000));
  const std::string in = Path("in.wav");
  const RunResult device = Run({"process", in, "/dev/full"});
  EXPECT_EQ(device.exitCode, 5);
  EXPECT_NE(device.err.find("cannot write '/dev/full': the disk is full"), std::string::npos) << device.err;

  PrivateDisk disk(Path("full"), "size=64k");
  if (!disk.ok()) GTEST_SKIP() << "a small file system of its own needs root and mount namespaces";
  for (const char* type : kTypes) WriteText(Path(std::string("full/out.") + type), kOldTake);
  WriteText(Path("full/s.aupreset"), kOldState);
  {
    std::ofstream filler(Path("full/filler"), std::ios::binary);
    const std::string page(4096, 'x');
    while (filler.write(page.data(), static_cast<std::streamsize>(page.size())) && filler.flush()) {
    }
  }
  for (const char* type : kTypes) {
    SCOPED_TRACE(type);
    const std::string out = Path(std::string("full/out.") + type);
    const RunResult r = Run({"process", in, out});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_NE(r.err.find("the disk is full"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(out), kOldTake);
  }
  // A state that does not fit keeps OUT from being replaced too.
  WriteText(Path("out.wav"), kOldTake);
  const RunResult r = Run({"process", in, Path("out.wav"), "--save-state", Path("full/s.aupreset")});
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_NE(r.err.find("cannot write the state file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the disk is full"), std::string::npos) << r.err;
  EXPECT_EQ(ReadText(Path("out.wav")), kOldTake);
  EXPECT_EQ(ReadText(Path("full/s.aupreset")), kOldState);
  EXPECT_TRUE(Leftovers(Path("full")).empty());
  EXPECT_TRUE(Leftovers(dir).empty());
}

TEST_F(HostOutputs, ReplacedFilesKeepTheirPermissionsAndOwner) {
  WriteOrFail(Path("in.wav"), Noise(960));
  const std::string out = Path("out.wav"), state = Path("s.aupreset"), picture = Path("p.png");
  const bool root = geteuid() == 0;
  const std::vector<std::pair<std::string, mode_t>> files = {{out, 0600}, {state, 0640}, {picture, 0604}};
  for (const auto& [path, mode] : files) {
    WriteText(path, "old");
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    if (root) {
      ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    }
  }
  RunResult r = Run({"process", Path("in.wav"), out, "--save-state", state});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Run({"editor", "--png", picture});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const auto& [path, mode] : files) {
    SCOPED_TRACE(path);
    EXPECT_NE(ReadText(path), "old");
    EXPECT_EQ(ModeOf(path), mode);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    if (root) {
      EXPECT_EQ(st.st_uid, 65534u);
      EXPECT_EQ(st.st_gid, 65534u);
    }
  }
}

TEST_F(HostOutputs, NamesAsLongAsTheSystemAllowsAreWritten) {
  WriteOrFail(Path("in.wav"), Noise(960));
  const std::string out = Path(std::string(251, 'o') + ".wav"), state = Path(std::string(246, 's') + ".aupreset"),
                    picture = Path(std::string(251, 'p') + ".png");
  RunResult r = Run({"process", Path("in.wav"), out, "--save-state", state});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadOrFail(out).NumFrames(), 960u);
  EXPECT_NE(ReadText(state).find("<plist"), std::string::npos);
  r = Run({"editor", "--png", picture});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_GT(FileSize(picture), 0);
  EXPECT_TRUE(Leftovers(dir).empty());
}

TEST_F(HostOutputs, AudioPastFourGiBIsWrittenAsRf64OrRefusedBeforeAnythingIsWritten) {
  // Float stereo past 4 GiB: 560,000,000 frames are 4.48 GB.
  WriteSparseWav(Path("in.wav"), 560000000);
  const RunResult aiff = Run({"process", Path("in.wav"), Path("out.aiff")});
  EXPECT_EQ(aiff.exitCode, 5);
  EXPECT_NE(aiff.err.find("an AIFF file holds at most 4 GiB"), std::string::npos) << aiff.err;
  EXPECT_FALSE(Exists(Path("out.aiff")));
  EXPECT_TRUE(Leftovers(dir).empty());

  // The WAV is RF64 from its first bytes on; it is stopped once they are seen.
  const pid_t pid = StartHost({"process", Path("in.wav"), Path("out.wav")}, dir);
  std::string head;
  for (int i = 0; i < 30000 && head.size() < 4; ++i) {
    const std::vector<std::string> partial = Leftovers(dir);
    if (!partial.empty()) head = FirstBytes(Path(partial.front()), 4);
    if (head.size() < 4) usleep(1000);
  }
  kill(pid, SIGTERM);
  EXPECT_EQ(FinishHost(pid, dir).exitCode, 128 + SIGTERM);
  EXPECT_EQ(head, "RF64");
  EXPECT_TRUE(Leftovers(dir).empty());
  EXPECT_FALSE(Exists(Path("out.wav")));
}
