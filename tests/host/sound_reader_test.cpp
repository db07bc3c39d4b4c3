// Reading sound files a block at a time: every container the host reads
// comes back whole in blocks of any size, and a file cut short is refused
// when its end is reached, with the frames its header promises and the
// frames that could be read; a file cut inside its header never reads as an
// empty one.
#include "HostFiles.h"
#include "ScratchDir.h"
#include "SoundBytes.h"
#include "host/SoundFile.h"
#include "host/SoundReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
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
      // libsndfile itself refuses a CAF whose data chunk runs past the end:
      // refused when opened, with the frames present.
      EXPECT_NE(std::string(c.name).find("caf"), std::string::npos) << error;
      const std::string count = "is cut short: its header promises 48000 frames, but only ";
      ASSERT_NE(error.find(count), std::string::npos) << error;
      const int64_t present = std::stoll(error.substr(error.find(count) + count.size()));
      EXPECT_GT(present, 10000);
      EXPECT_LT(present, 48000);
      EXPECT_NE(error.find(std::to_string(present) + " are present"), std::string::npos) << error;
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

namespace {

// The offset of a FLAC stream's total frame count (the low 36 bits of the
// 5 bytes there), in its stream information.
constexpr size_t kFlacTotalAt = 8 + 13;

void PutFlacTotal(std::string& b, uint64_t total) {
  uint64_t v = 0;
  for (size_t i = 0; i < 5; ++i) v = (v << 8) | static_cast<unsigned char>(b[kFlacTotalAt + i]);
  v = (v & ~((uint64_t{1} << 36) - 1)) | total;
  b.replace(kFlacTotalAt, 5, Be(v, 5));
}

const std::string kId3Tag = std::string("ID3\3\0\0\0\0\0\x0a", 10) + std::string(10, '\0');

}  // namespace

// Each container's header altered as recorders and tools leave them: audio
// past the declared length is refused with both counts, never read in part;
// metadata chunks after the audio and lengths left open by a stream writer
// read whole, sample for sample.
TEST_F(SoundReaderTest, AudioPastTheDeclaredLengthIsRefusedAndOpenLengthsReadToTheEnd) {
  const int wav = SF_FORMAT_WAV | SF_FORMAT_PCM_16, aiff = SF_FORMAT_AIFF | SF_FORMAT_PCM_16,
            caf = SF_FORMAT_CAF | SF_FORMAT_PCM_16, flac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  const std::string past = "holds more audio than its header declares: the header makes it ";
  struct Case {
    const char* name;
    int format;
    std::function<void(std::string&)> alter;
    std::string refusal;  // empty: reads whole
  };
  const Case cases[] = {
      {"wav, sizes 0 (a recorder stopped)", wav,
       [](std::string& b) {
         PutAt(b, "RIFF", 4, Le(36, 4));
         PutAt(b, "data", 4, Le(0, 4));
       },
       past + "0 frames long, but its audio data runs on for 4800"},
      {"wav, data short of the RIFF size", wav, [](std::string& b) { PutAt(b, "data", 4, Le(4000, 4)); },
       past + "1000 frames long, but its audio data runs on for 4800"},
      {"wav, a second data chunk", wav, [](std::string& b) { b += "data" + Le(8, 4) + std::string(8, '\1'); },
       past + "4800 frames long, but its audio data runs on for 4804"},
      {"wav, metadata after the data", wav,
       [](std::string& b) { b += "LIST" + Le(8, 4) + "INFOabcd" + "id3 " + Le(3, 4) + "abc"; }, ""},
      {"wav, ID3 tags before and after", wav,
       [](std::string& b) { b = kId3Tag + b + "TAG" + std::string(125, ' '); }, ""},
      {"wav, length left open", wav,
       [](std::string& b) {
         PutAt(b, "RIFF", 4, Le(0xFFFFFFFF, 4));
         PutAt(b, "data", 4, Le(0xFFFFFFFF, 4));
       },
       ""},
      {"wav, length left open, cut inside a frame", wav,
       [](std::string& b) {
         PutAt(b, "data", 4, Le(0xFFFFFFFF, 4));
         b += '\1';
       },
       "is cut short: its header leaves its length open, and its audio data ends inside a frame"},
      {"rf64, ds64 short", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, [](std::string& b) { PutAt(b, "ds64", 16, Le(4000, 8)); },
       past + "1000 frames long, but its audio data runs on for 4800"},
      {"w64, data short", SF_FORMAT_W64 | SF_FORMAT_PCM_16,
       [](std::string& b) { PutAt(b, "data", 16, Le(24 + 4000, 8)); },
       past + "1000 frames long, but its audio data runs on for 4800"},
      {"w64, metadata after the data", SF_FORMAT_W64 | SF_FORMAT_PCM_16,
       [](std::string& b) { b += "junk" + std::string(12, '\1') + Le(24 + 8, 8) + std::string(8, '\0'); }, ""},
      {"aiff, COMM 0 and SSND empty", aiff,
       [](std::string& b) {
         PutAt(b, "COMM", 10, Be(0, 4));
         PutAt(b, "SSND", 4, Be(8, 4));
       },
       past + "0 frames long, but its audio data runs on for 4800"},
      {"aiff, COMM 0", aiff, [](std::string& b) { PutAt(b, "COMM", 10, Be(0, 4)); },
       past + "0 frames long, but its audio data runs on for 4800"},
      {"aiff, SSND short of COMM", aiff, [](std::string& b) { PutAt(b, "SSND", 4, Be(8 + 4000, 4)); },
       "contradicts itself: its COMM chunk makes it 4800 frames long, but its SSND chunk holds 1000"},
      {"aiff, metadata and an ID3 tag after the data", aiff,
       [](std::string& b) { b += "ANNO" + Be(5, 4) + "hello" + '\0' + kId3Tag; }, ""},
      {"caf, data short", caf, [](std::string& b) { PutAt(b, "data", 4, Be(4 + 4000, 8)); },
       past + "1000 frames long, but its audio data runs on for 4800"},
      {"caf, metadata after the data", caf, [](std::string& b) { b += "free" + Be(6, 8) + std::string(6, '\0'); }, ""},
      {"caf, length left open", caf, [](std::string& b) { PutAt(b, "data", 4, Be(~uint64_t{0}, 8)); }, ""},
      {"flac, total short", flac, [](std::string& b) { PutFlacTotal(b, 1000); },
       past + "1000 frames long, but its audio data runs on for 4800"},
      {"flac, ID3 tags before and after", flac, [](std::string& b) { b = kId3Tag + b + "TAG" + std::string(125, ' '); },
       ""},
      {"flac, length left open", flac, [](std::string& b) { PutFlacTotal(b, 0); }, ""},
      {"flac, length left open, cut", flac,
       [](std::string& b) {
         PutFlacTotal(b, 0);
         b.resize(b.size() - 100);
       },
       "is cut short: its header leaves its length open, and it ends inside a block of audio after frame 4096"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Path("in");
    WriteContainer(path, c.format, 4800);
    orbexhost::AudioData before, after;
    std::string error;
    ASSERT_TRUE(orbexhost::ReadSoundFile(path, before, error)) << error;
    std::string bytes = FileBytesOf(path);
    c.alter(bytes);
    PutFileBytes(path, bytes);
    const bool read = orbexhost::ReadSoundFile(path, after, error);
    if (c.refusal.empty()) {
      EXPECT_TRUE(read) << error;
      EXPECT_EQ(after.channels, before.channels);
    } else {
      EXPECT_FALSE(read);
      EXPECT_EQ(error, "'" + path + "' " + c.refusal);
    }
  }
}

// A bit changed anywhere in a FLAC file's audio: refused as damaged when it
// is opened (the library would hand back a block of silence or stop short).
TEST_F(SoundReaderTest, DamagedFlacBlocksAreRefusedAsDamaged) {
  const std::string path = Path("in.flac");
  WriteContainer(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000);
  const std::string whole = FileBytesOf(path);
  const auto audio = static_cast<size_t>(FlacHeaderBytes(path));
  // The first two thirds of the audio: never its last block, whose damage
  // cannot be told from a cut.
  for (size_t k = 0; k < 16; ++k) {
    const size_t at = audio + (whole.size() - audio) * k / 24;
    SCOPED_TRACE(at);
    std::string bytes = whole;
    bytes[at] = static_cast<char>(bytes[at] ^ (1 << (k % 8)));
    PutFileBytes(path, bytes);
    SoundReader r;
    std::string error;
    EXPECT_FALSE(r.Open(path, error));
    EXPECT_NE(error.find("in.flac' is damaged: its block of audio starting at frame "), std::string::npos) << error;
  }
}

// Types and encodings the host does not read are refused when opened, named
// with what it reads; cut copies of compressed files are refused alike.
TEST_F(SoundReaderTest, TypesAndEncodingsNotReadAreRefusedNamingThem) {
  const std::string reads =
      "; the host reads WAV, RF64, Wave64, AIFF, AIFF-C and CAF files of integer PCM, float, u-law or A-law samples, "
      "and FLAC files";
  struct Case {
    const char* name;
    int format;
    int channels;
    const char* what;
  };
  const Case cases[] = {
      {"x.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, 2, "it is of type Sun/NeXT AU"},
      {"x.nist", SF_FORMAT_NIST | SF_FORMAT_PCM_16, 2, "it is of type NIST SPHERE"},
      {"x.ircam", SF_FORMAT_IRCAM | SF_FORMAT_PCM_16, 2, "it is of type IRCAM"},
      {"x.paf", SF_FORMAT_PAF | SF_FORMAT_PCM_16, 2, "it is of type Ensoniq PARIS (PAF)"},
      {"x.voc", SF_FORMAT_VOC | SF_FORMAT_PCM_16, 1, "it is of type Creative Voice (VOC)"},
      {"x.mat5", SF_FORMAT_MAT5 | SF_FORMAT_PCM_16, 2, "it is of type MATLAB 5 (MAT5)"},
      {"x.mat4", SF_FORMAT_MAT4 | SF_FORMAT_PCM_16, 2, "it is not a sound file of a type the host reads"},
      {"x.pvf", SF_FORMAT_PVF | SF_FORMAT_PCM_16, 1, "it is of type Portable Voice Format (PVF)"},
      {"x.sds", SF_FORMAT_SDS | SF_FORMAT_PCM_16, 1, "it is of type MIDI Sample Dump (SDS)"},
      {"ima.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 2, "it holds audio of format tag 0x0011 (IMA ADPCM)"},
      {"ms.wav", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 2, "it holds audio of format tag 0x0002 (Microsoft ADPCM)"},
      {"gsm.wav", SF_FORMAT_WAV | SF_FORMAT_GSM610, 1, "it holds audio of format tag 0x0031 (GSM 6.10)"},
      {"ima.w64", SF_FORMAT_W64 | SF_FORMAT_IMA_ADPCM, 2, "it holds audio of format tag 0x0011 (IMA ADPCM)"},
      {"gsm.w64", SF_FORMAT_W64 | SF_FORMAT_GSM610, 1, "it holds audio of format tag 0x0031 (GSM 6.10)"},
      {"ima.aifc", SF_FORMAT_AIFF | SF_FORMAT_IMA_ADPCM, 2, "it holds audio of compression 'ima4' (IMA ADPCM)"},
      {"alac.caf", SF_FORMAT_CAF | SF_FORMAT_ALAC_16, 2, "it holds audio of format 'alac' (Apple Lossless)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Path(c.name);
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = c.channels;
    info.format = c.format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<short> x(static_cast<size_t>(4800 * c.channels), 1000);
    sf_writef_short(f, x.data(), 4800);
    sf_close(f);
    // Whole or cut anywhere past its format chunk: refused alike.
    const std::string bytes = FileBytesOf(path);
    for (const size_t keep : {bytes.size(), bytes.size() - 1, bytes.size() / 2}) {
      PutFileBytes(path, bytes.substr(0, keep));
      SoundReader r;
      std::string error;
      EXPECT_FALSE(r.Open(path, error)) << keep;
      EXPECT_EQ(error, "cannot read '" + path + "': " + c.what + reads) << keep;
    }
  }
  PutFileBytes(Path("empty.au"), "");
  SoundReader r;
  std::string error;
  EXPECT_FALSE(r.Open(Path("empty.au"), error));
  EXPECT_EQ(error, "cannot read '" + Path("empty.au") + "': it is empty");
}
