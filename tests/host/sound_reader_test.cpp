// Reading sound files a block at a time: every container the host reads
// comes back whole in blocks of any size, and a file cut short is refused
// when its end is reached, with the frames its header promises and the
// frames that could be read; a file cut inside its header never reads as an
// empty one.
#include "HostFiles.h"
#include "ScratchDir.h"
#include "host/SoundReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace hosttest;
using orbexhost::SoundReader;

namespace {

class SoundReaderTest : public ScratchDirTest {
protected:
  // Reads to the end in blocks of varying size, counting every frame read;
  // false with the reader's message.
  static bool ReadAll(SoundReader& r, int64_t& frames, std::string& error) {
    std::vector<float> a(700), b(700);
    float* ch[2] = {a.data(), b.data()};
    frames = 0;
    for (size_t n = 1;; n = n % 600 + 37) {
      size_t got = 0;
      const bool ok = r.Read(ch, n, got, error);
      frames += static_cast<int64_t>(got);
      if (!ok || got < n) return ok;
    }
  }
  // Bytes of a FLAC file before its first audio frame (the metadata blocks).
  static off_t FlacHeaderBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t at = 4;
    for (;;) {
      const auto head = static_cast<unsigned char>(bytes.at(at));
      const size_t size = (static_cast<size_t>(static_cast<unsigned char>(bytes.at(at + 1))) << 16) |
                          (static_cast<size_t>(static_cast<unsigned char>(bytes.at(at + 2))) << 8) |
                          static_cast<unsigned char>(bytes.at(at + 3));
      at += 4 + size;
      if (head & 0x80) return static_cast<off_t>(at);
    }
  }
};

}  // namespace

TEST_F(SoundReaderTest, EveryContainerReadsWholeInBlocksOfAnySize) {
  for (const Container& c : Containers()) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(std::string("whole.") + c.name);
    WriteContainer(path, c.format, 10007);
    SoundReader r;
    std::string error;
    ASSERT_TRUE(r.Open(path, error)) << error;
    EXPECT_EQ(r.NumFrames(), 10007);
    EXPECT_EQ(r.NumChannels(), 2);
    int64_t frames = 0;
    EXPECT_TRUE(ReadAll(r, frames, error)) << error;
    EXPECT_EQ(frames, 10007);
  }
}

TEST_F(SoundReaderTest, FilesCutShortAreRefusedWithBothCounts) {
  for (const Container& c : Containers()) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(std::string("cut.") + c.name);
    WriteContainer(path, c.format, 48000);
    CutFile(path, FileSize(path) / 2);
    SoundReader r;
    std::string error;
    if (!r.Open(path, error)) {
      // libsndfile itself refuses a CAF whose data chunk runs past the end.
      EXPECT_EQ(std::string(c.name), "caf") << error;
      continue;
    }
    int64_t frames = 0;
    EXPECT_FALSE(ReadAll(r, frames, error));
    EXPECT_GT(frames, 10000);
    EXPECT_LT(frames, 48000);
    EXPECT_NE(error.find("is cut short: its header promises 48000 frames, but only " + std::to_string(frames) +
                         " can be read"),
              std::string::npos)
        << error;
  }
  // A FLAC file that ends right after its header.
  const std::string path = Path("header.flac");
  WriteContainer(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000);
  CutFile(path, FlacHeaderBytes(path));
  SoundReader r;
  std::string error;
  ASSERT_TRUE(r.Open(path, error)) << error;
  int64_t frames = 0;
  EXPECT_FALSE(ReadAll(r, frames, error));
  EXPECT_NE(error.find("promises 48000 frames, but only 0 can be read"), std::string::npos) << error;
}

TEST_F(SoundReaderTest, FilesCutInsideTheirHeaderNeverReadAsEmpty) {
  for (const Container& c : Containers()) {
    SCOPED_TRACE(c.name);
    const std::string whole = Path(std::string("whole.") + c.name), cut = Path(std::string("cut.") + c.name);
    WriteContainer(whole, c.format, 4800);
    std::ifstream f(whole, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    // Every cut up to past the largest header: refused when opened or read.
    for (size_t n = 0; n < 200; ++n) {
      std::ofstream(cut, std::ios::binary | std::ios::trunc) << bytes.substr(0, n);
      SoundReader r;
      std::string error;
      int64_t frames = 0;
      EXPECT_FALSE(r.Open(cut, error) && ReadAll(r, frames, error)) << n << " bytes read as " << frames << " frames";
      EXPECT_NE(error, "") << n;
    }
  }
}
