// End to end: every bad input gets its one-line error and exit code, never a
// crash, a wait for ever or a partial OUT; audio with NaN or Inf is processed
// and counted.
#include "HostFiles.h"
#include "HostRun.h"
#include "SoundBytes.h"

#include <poll.h>
#include <sys/resource.h>

#include <cerrno>
#include <fstream>
#include <limits>
#include <thread>
#include <tuple>

#include <sndfile.h>

using namespace hosttest;

namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
}

orbexhost::AudioData Tone(size_t frames, int channels, double rate = 48000.0) {
  orbexhost::AudioData d;
  d.sampleRate = rate;
  d.channels.assign(static_cast<size_t>(channels), std::vector<float>(frames));
  for (size_t i = 0; i < frames; ++i)
    for (auto& ch : d.channels) ch[i] = static_cast<float>(0.5 * std::sin(0.05 * static_cast<double>(i)));
  return d;
}

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

int CountLines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

}  // namespace

class HostErrors : public HostTest {
protected:
  // Runs the host, stopped after 30 s: a host that would wait for ever fails
  // the test instead of holding it up.
  RunResult RunBounded(const std::vector<std::string>& args) const {
    const pid_t pid = StartHost(args, dir);
    siginfo_t info{};
    for (int i = 0; i < 3000 && pid > 0; ++i) {
      info.si_pid = 0;
      if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid) break;
      usleep(10000);
    }
    if (pid > 0 && info.si_pid != pid) kill(pid, SIGKILL);
    return FinishHost(pid, dir);
  }
  // Runs the host expecting failure: the exit code, one line on stderr that
  // contains `needle`, nothing on stdout, and no OUT or partial file.
  void ExpectFailure(const std::vector<std::string>& args, int code, const std::string& needle) {
    SCOPED_TRACE(needle);
    const RunResult r = RunBounded(args);
    EXPECT_EQ(r.exitCode, code) << r.err;
    EXPECT_NE(r.err.find(needle), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("orbex9-host: ", 0), 0u) << r.err;
    EXPECT_EQ(CountLines(r.err), 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(Exists(Path("out.wav")));
    EXPECT_TRUE(Leftovers(dir).empty());
  }
};

TEST_F(HostErrors, BadCommandLinesAreUsageErrors) {
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  const std::string in = Path("in.wav"), out = Path("out.wav");
  ExpectFailure({}, 2, "no command");
  ExpectFailure({"render", in, out}, 2, "unknown command 'render'");
  ExpectFailure({"process", in}, 2, "needs IN and OUT");
  ExpectFailure({"process", in, out, "extra"}, 2, "unexpected argument 'extra'");
  ExpectFailure({"process", in, out, "--frobnicate"}, 2, "unknown option '--frobnicate'");
  ExpectFailure({"process", in, out, "--set"}, 2, "--set needs a value");
  ExpectFailure({"process", in, out, "--set", "gain"}, 2, "NAME=VALUE");
  ExpectFailure({"process", in, out, "--block", "0"}, 2, "--block needs a size");
  ExpectFailure({"process", in, out, "--block", "12x"}, 2, "--block needs a size");
  ExpectFailure({"process", in, out, "--block", "16385"}, 2, "--block needs a size from 1 to 16384");
  ExpectFailure({"process", in, out, "--block", "random", "--seed", "-3"}, 2, "--seed");
  ExpectFailure({"process", in, out, "--seed", "3"}, 2, "only applies with --block random");
  ExpectFailure({"process", in, out, "--automate", "gain=3"}, 2, "NAME=VALUE@SECONDS");
  ExpectFailure({"process", in, out, "--automate", "gain=3@-1"}, 2, "NAME=VALUE@SECONDS");
  ExpectFailure({"process", in, out, "--automate", "gain=3@0.5"}, 2, "past the end of IN");
  ExpectFailure({"info", "--set", "gain=1"}, 2, "unknown option '--set' for info");
  ExpectFailure({"process", in, out, "--json=yes"}, 2, "takes no value");
  const RunResult help = Run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("orbex9-host process IN OUT"), std::string::npos);
  EXPECT_NE(help.out.find("orbex9-host --help | --version"), std::string::npos);
  EXPECT_NE(help.out.find("block size 1..16384"), std::string::npos) << help.out;
}

TEST_F(HostErrors, BadParametersAndPresetsNameTheRange) {
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  const std::string in = Path("in.wav"), out = Path("out.wav");
  ExpectFailure({"process", in, out, "--set", "loudness=3"}, 2, "unknown parameter 'loudness'");
  ExpectFailure({"process", in, out, "--automate", "loudness=3@0"}, 2, "unknown parameter 'loudness'");
  ExpectFailure({"process", in, out, "--set", "ceiling=3"}, 2, "out of range (-24 to 0 dBFS)");
  ExpectFailure({"process", in, out, "--set", "gain=-1"}, 2, "out of range (0 to 24 dB)");
  ExpectFailure({"process", in, out, "--set", "release=fast"}, 2, "not a number for Release (range 0 to 1000 ms)");
  ExpectFailure({"process", in, out, "--set", "gain=nan"}, 2, "not a number");
  ExpectFailure({"process", in, out, "--set", "os mode=32x"}, 2, "one of 1x, 2x, 4x, 8x, 16x");
  ExpectFailure({"process", in, out, "--set", "os mode=5"}, 2, "not a value of OS Mode");
  ExpectFailure({"process", in, out, "--set", "look ahead=1.5"}, 2, "not a value of Look Ahead");
  ExpectFailure({"process", in, out, "--automate", "os mode=4x@0.01"}, 2, "OS Mode cannot be automated");
  ExpectFailure({"process", in, out, "--preset", "No Such Preset"}, 2, "unknown preset 'No Such Preset'");
  ExpectFailure({"process", in, out, "--preset", "99"}, 2, "unknown preset '99'");
  // Names are case-insensitive and enums take items or indices.
  const RunResult ok = Run({"process", in, out, "--set", "OS MODE=16X", "--set", "lookahead=1", "--set",
                            "CEILING=-3", "--preset", "init"});
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
}

TEST_F(HostErrors, BadInputFilesAreRefused) {
  const std::string out = Path("out.wav");
  ExpectFailure({"process", Path("missing.wav"), out}, 3, "cannot open");
  WriteText(Path("text.wav"), "this is not audio\n");
  ExpectFailure({"process", Path("text.wav"), out}, 3,
                "cannot read '" + Path("text.wav") + "': it is not a sound file of a type the host reads; "
                "the host reads WAV, RF64, Wave64, AIFF, AIFF-C and CAF files of integer PCM, float, u-law or A-law "
                "samples, and FLAC files");
  WriteText(Path("empty.au"), "");
  ExpectFailure({"process", Path("empty.au"), out}, 3, "empty.au': it is empty");
  ExpectFailure({"process", dir, out}, 3, "folder");
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  {
    // A truncated header.
    std::string bytes = ReadText(Path("in.wav"));
    WriteText(Path("cut.wav"), bytes.substr(0, 30));
    ExpectFailure({"process", Path("cut.wav"), out}, 3, "cut.wav' is cut short: it ends inside its header");
  }
  // Types and encodings the host does not read, named.
  for (const auto& [name, format, needle] :
       {std::tuple<const char*, int, const char*>{"x.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, "it is of type Sun/NeXT AU"},
        {"ima.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, "it holds audio of format tag 0x0011 (IMA ADPCM)"}}) {
    WriteContainer(Path(name), format, 4800);
    ExpectFailure({"process", Path(name), out}, 3, needle + std::string("; the host reads WAV"));
  }
  // Three channels through libsndfile's own writer.
  {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 3;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(Path("three.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    std::vector<short> frames(3 * 100, 1000);
    sf_writef_short(f, frames.data(), 100);
    sf_close(f);
  }
  ExpectFailure({"process", Path("three.wav"), out}, 3, "has 3 channels; only mono and stereo");
}

TEST_F(HostErrors, InputThatWouldLoseAudioOrWaitForEverIsRefused) {
  const std::string out = Path("out.wav");
  WriteText(Path("in.wav"), PcmWav(4800, 4));
  const RunResult whole = Run({"process", Path("in.wav"), out, "--json"});
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  EXPECT_EQ(JsonField(whole.out, "frames"), 4800.0);
  std::remove(out.c_str());
  // Cut inside the data chunk's header: not an empty file.
  WriteText(Path("cut.wav"), PcmWav(4800, 4).substr(0, 43));
  ExpectFailure({"process", Path("cut.wav"), out}, 3, "cut.wav' is cut short: it ends inside its header");
  // A block size larger than the samples': the header's count would drop audio.
  WriteText(Path("wide.wav"), PcmWav(4800, 8));
  ExpectFailure({"process", Path("wide.wav"), out}, 3,
                "contradicts itself: its header makes it 2400 frames long, but its audio data holds 4800");
  WriteText(Path("widest.wav"), PcmWav(4800, 65535));
  ExpectFailure({"process", Path("widest.wav"), out}, 3, "its header makes it 0 frames long");
  // A block size smaller than the samples', or none.
  WriteText(Path("narrow.wav"), PcmWav(4800, 2));
  ExpectFailure({"process", Path("narrow.wav"), out}, 3,
                "contradicts itself: its header makes it 9600 frames long, but its audio data holds 4800 (its block "
                "size is 2 bytes, but a frame of 2 channels of 16-bit samples takes 4)");
  WriteText(Path("none.wav"), PcmWav(4800, 0));
  ExpectFailure({"process", Path("none.wav"), out}, 3,
                "contradicts itself: its block size is 0 bytes, but a frame of 2 channels of 16-bit samples takes 4");
  // A recorder that stopped before it wrote its header's sizes: the audio
  // is there, the header counts none of it.
  std::string crashed = PcmWav(4800, 4);
  PutAt(crashed, "RIFF", 4, Le(36, 4));
  PutAt(crashed, "data", 4, Le(0, 4));
  WriteText(Path("crashed.wav"), crashed);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"process", Path("crashed.wav"), out},
                                               {"editor", "--input", Path("crashed.wav"), "--png", Path("e.png")}})
    ExpectFailure(args, 3,
                  "crashed.wav' holds more audio than its header declares: the header makes it 0 frames long, but its "
                  "audio data runs on for 4800");
  // A pipe nothing writes into, and a device, are refused before they are opened.
  ASSERT_EQ(mkfifo(Path("pipe.wav").c_str(), 0600), 0);
  ExpectFailure({"process", Path("pipe.wav"), out}, 3, "pipe.wav': it is a pipe");
  ExpectFailure({"editor", "--input", Path("pipe.wav"), "--png", Path("e.png")}, 3, "it is a pipe");
  EXPECT_FALSE(Exists(Path("e.png")));
  ExpectFailure({"process", "/dev/zero", out}, 3, "it is a device");
}

TEST_F(HostErrors, ASizeLimitFailsTheWriteAndSignalsLeaveNoTemporaryFile) {
  WriteOrFail(Path("in.wav"), Tone(48000, 2));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ExpectFailure({"process", Path("in.wav"), Path("out.wav")}, 5, "cannot write");
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);

  // Stopped while it renders, the host removes its temporary file.
  WriteLongFile(Path("long.wav"), 60.0, 48000, 2);
  rlimit noCore{0, 0};
  ASSERT_EQ(getrlimit(RLIMIT_CORE, &saved), 0);
  ASSERT_EQ(setrlimit(RLIMIT_CORE, &noCore), 0);
  for (const int sig : {SIGTERM, SIGQUIT}) {
    SCOPED_TRACE(sig);
    const pid_t pid = StartHost({"process", Path("long.wav"), Path("out.wav"), "--set", "os mode=16x"}, dir);
    for (int i = 0; i < 5000 && Leftovers(dir).empty(); ++i) usleep(1000);
    EXPECT_FALSE(Leftovers(dir).empty());
    kill(pid, sig);
    EXPECT_EQ(FinishHost(pid, dir).exitCode, 128 + sig);
    EXPECT_TRUE(Leftovers(dir).empty());
    EXPECT_FALSE(Exists(Path("out.wav")));
  }
  setrlimit(RLIMIT_CORE, &saved);
}

TEST_F(HostErrors, BadStateFilesAreRefusedAndGoodOnesLoad) {
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  const std::string in = Path("in.wav"), out = Path("out.wav");
  ExpectFailure({"process", in, out, "--load-state", Path("none.aupreset")}, 4, "cannot open the state file");
  WriteText(Path("junk.aupreset"), "junk");
  ExpectFailure({"process", in, out, "--load-state", Path("junk.aupreset")}, 4, "not an XML property list");
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
  WriteText(Path("array.aupreset"), head + "<array><integer>1</integer></array></plist>\n");
  ExpectFailure({"process", in, out, "--load-state", Path("array.aupreset")}, 4, "holds no dictionary");
  WriteText(Path("partial.aupreset"), head + "<dict><key>name</key><string>x</string></dict></plist>\n");
  ExpectFailure({"process", in, out, "--load-state", Path("partial.aupreset")}, 4, "is missing");

  // A real state, then the same state altered: another product, and data that
  // is not a state container.
  const RunResult saved = Run({"process", in, Path("a.wav"), "--save-state", Path("good.aupreset")});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  const std::string good = ReadText(Path("good.aupreset"));
  auto replaceValue = [&](const std::string& key, const std::string& newValue) {
    std::string s = good;
    const size_t k = s.find("<key>" + key + "</key>");
    EXPECT_NE(k, std::string::npos);
    const size_t open = s.find('<', k + key.size() + 11);  // opening tag of the value
    const size_t valueStart = s.find('>', open) + 1;
    const size_t valueEnd = s.find('<', valueStart);
    s.replace(valueStart, valueEnd - valueStart, newValue);
    return s;
  };
  // A state of another component names that component and this one.
  WriteText(Path("other.aupreset"), replaceValue("subtype", "1094861636"));  // 'ABCD'
  ExpectFailure({"process", in, out, "--load-state", Path("other.aupreset")}, 4,
                "belongs to the component 'aufx' 'ABCD' 'BVQX' (type, subtype, maker); ORBEX9 is 'aufx' 'BV57' 'BVQX'");
  WriteText(Path("instrument.aupreset"), replaceValue("type", "1635085685"));  // 'aumu'
  ExpectFailure({"process", in, out, "--load-state", Path("instrument.aupreset")}, 4,
                "belongs to the component 'aumu' 'BV57' 'BVQX'");
  WriteText(Path("baddata.aupreset"), replaceValue("data", "AAAAAAAAAAAAAAAAAAAAAAAA"));
  ExpectFailure({"process", in, out, "--load-state", Path("baddata.aupreset")}, 4, "refused it");
  const RunResult loaded = Run({"process", in, Path("b.wav"), "--load-state", Path("good.aupreset")});
  EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
}

TEST_F(HostErrors, UnwritableOutputsAndMissingComponentsLeaveNothingBehind) {
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  const std::string in = Path("in.wav"), out = Path("out.wav");
  ExpectFailure({"process", in, Path("nowhere/out.wav")}, 5, "folder");
  ExpectFailure({"process", in, dir}, 5, "it is a folder");
  ExpectFailure({"process", in, Path("in.wav/out.wav")}, 5, "is not a folder");
  // IN (under any of its names) and a state file that is IN or OUT are never
  // overwritten: IN stays as it was.
  const std::string before = ReadText(in);
  ASSERT_EQ(symlink(in.c_str(), Path("alias.wav").c_str()), 0);
  ExpectFailure({"process", in, in}, 5, "it is IN itself");
  ExpectFailure({"process", in, dir + "/./in.wav"}, 5, "it is IN itself");
  ExpectFailure({"process", in, Path("alias.wav")}, 5, "it is IN itself");
  ExpectFailure({"process", in, out, "--save-state", in}, 5, "it is IN itself");
  ExpectFailure({"process", in, out, "--save-state", out}, 5, "it is OUT itself");
  // OUT is never written over the state file read; IN named as the state
  // is read as one, and is no state.
  const std::string kept = Path("kept.wav");
  WriteText(kept, "kept");
  ExpectFailure({"process", in, kept, "--load-state", kept}, 5, "cannot write OUT '" + kept + "': it is the state file");
  EXPECT_EQ(ReadText(kept), "kept");
  ExpectFailure({"process", in, out, "--load-state", in}, 4, "the state file '" + in + "' is not an XML property list");
  ExpectFailure({"process", in, out, "--save-state", dir}, 5, "it is a folder");
  EXPECT_EQ(ReadText(in), before);
  // A rate the output type cannot hold is refused with the reason before the
  // component is even loaded.
  for (const int rate : {65537, 100001, 700000}) {
    WriteOrFail(Path("fast.wav"), Tone(100, 1, rate));
    ExpectFailure({"process", Path("fast.wav"), Path("out.flac"), "--component", Path("Missing.component")}, 5,
                  "cannot write '" + Path("out.flac") + "': a FLAC file holds sample rates of 1 to 65535 Hz and " +
                      "multiples of 10 Hz up to 655350 Hz, and this audio is at " + std::to_string(rate) + " Hz");
    EXPECT_FALSE(Exists(Path("out.flac")));
  }
  ExpectFailure({"process", in, Path("out.mp3")}, 5, "unknown output type '.mp3'");
  EXPECT_FALSE(Exists(Path("out.mp3")));
  ExpectFailure({"process", in, out, "--save-state", Path("nowhere/s.aupreset")}, 5, "cannot write the state file");
  ExpectFailure({"process", in, out, "--component", Path("Missing.component")}, 6, "no such bundle folder");
  ExpectFailure({"info", "--component", dir}, 6, "Info.plist");
  // Other output types by extension.
  for (const char* name : {"o.flac", "o.aiff", "o.caf", "o"}) {
    const RunResult r = Run({"process", in, Path(name)});
    EXPECT_EQ(r.exitCode, 0) << name << r.err;
    const auto back = ReadOrFail(Path(name));
    EXPECT_EQ(back.NumFrames(), 4800u) << name;
  }
}

TEST_F(HostErrors, NonFiniteInputIsProcessedAndCounted) {
  auto d = Tone(9600, 2);
  d.channels[0][100] = std::numeric_limits<float>::quiet_NaN();
  d.channels[1][200] = std::numeric_limits<float>::infinity();
  d.channels[1][201] = -std::numeric_limits<float>::infinity();
  WriteOrFail(Path("nan.wav"), d);
  for (const char* os : {"1x", "4x"}) {
    SCOPED_TRACE(os);
    const RunResult r = Run({"process", Path("nan.wav"), Path("out.wav"), "--json", "--set",
                             std::string("os mode=") + os, "--set", "ceiling=-1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // stdout holds the one JSON object and nothing else.
    EXPECT_EQ(r.out.rfind("{\"input_peak_dbfs\": ", 0), 0u) << r.out;
    EXPECT_EQ(CountLines(r.out), 1) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
    EXPECT_EQ(JsonField(r.out, "nonfinite_input_samples"), 3.0);
    EXPECT_EQ(JsonField(r.out, "frames"), 9600.0);
    const auto out = ReadOrFail(Path("out.wav"));
    for (const auto& ch : out.channels)
      for (float s : ch) {
        ASSERT_TRUE(std::isfinite(s));
        ASSERT_LE(std::fabs(s), std::pow(10.0, -1.0 / 20.0) * (1.0 + 1e-6));
      }
  }
}

namespace {

// Reads a named pipe to its end on a thread. The pipe is open for reading
// from the start, so a writer that does not wait finds a reader; Finish
// returns what came through (and ends the reading when no writer came).
class PipeReader {
public:
  explicit PipeReader(std::string path)
      : mPath(std::move(path)), mFd(open(mPath.c_str(), O_RDONLY | O_NONBLOCK)), mThread([this] { Run(); }) {}
  ~PipeReader() {
    if (mThread.joinable()) Finish();
  }
  std::string Finish() {
    const int fd = open(mPath.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
    mThread.join();
    if (mFd >= 0) close(mFd);
    mFd = -1;
    return mData;
  }

private:
  void Run() {
    if (mFd < 0) return;
    char buf[4096];
    for (;;) {
      // A pipe no writer has opened yet reports nothing; one whose writers
      // have all gone reports its end.
      pollfd p{mFd, POLLIN, 0};
      if (poll(&p, 1, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      const ssize_t n = read(mFd, buf, sizeof buf);
      if (n > 0)
        mData.append(buf, static_cast<size_t>(n));
      else if (n == 0 || errno != EAGAIN)
        return;
    }
  }
  std::string mPath;
  int mFd;
  std::string mData;
  std::thread mThread;
};

bool IsFifo(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace

TEST_F(HostErrors, PipesAreWrittenIntoOnlyWhenTheyCanBeFilled) {
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  const std::string in = Path("in.wav"), pipe = Path("pipe.wav"), flacPipe = Path("pipe.flac"),
                    statePipe = Path("state.pipe");
  for (const std::string& p : {pipe, flacPipe, statePipe}) ASSERT_EQ(mkfifo(p.c_str(), 0600), 0);
  {
    // WAV goes back to its header when complete, so a pipe as OUT is refused
    // before it is opened, reader or not; the pipe stays a pipe.
    PipeReader reader(pipe);
    ExpectFailure({"process", in, pipe}, 5, "it is a pipe, and this type of file cannot flow through one");
    EXPECT_EQ(reader.Finish(), "");
    EXPECT_TRUE(IsFifo(pipe));
  }
  // Nothing reads: refused at once instead of waiting for ever.
  ExpectFailure({"process", in, pipe}, 5, "cannot flow through one");
  ExpectFailure({"process", in, flacPipe}, 5, "it is a pipe that nothing reads from");
  ExpectFailure({"process", in, Path("out.wav"), "--save-state", statePipe}, 5, "it is a pipe that nothing reads from");
  // FLAC flows through a pipe that something reads, and what flowed is read
  // back whole by the host (its header cannot be gone back to: its length is
  // left open). Audio of no frames makes a FLAC file too, in a pipe or not.
  WriteOrFail(Path("empty.wav"), Tone(0, 2));
  for (const std::string& source : {in, Path("empty.wav")}) {
    PipeReader reader(flacPipe);
    const RunResult r = Run({"process", source, flacPipe});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string flac = reader.Finish();
    EXPECT_EQ(flac.compare(0, 4, "fLaC"), 0);
    WriteText(Path("got.flac"), flac);
    const size_t frames = source == in ? 4800 : 0;
    EXPECT_EQ(ReadOrFail(Path("got.flac")).NumFrames(), frames);
    ASSERT_EQ(Run({"process", source, Path("file.flac")}).exitCode, 0);
    EXPECT_EQ(ReadOrFail(Path("file.flac")).NumFrames(), frames);
  }
  {
    PipeReader reader(statePipe);
    const RunResult r = Run({"process", in, Path("out.wav"), "--save-state", statePipe});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(reader.Finish().find("<plist"), std::string::npos);
    EXPECT_TRUE(IsFifo(statePipe));
  }
  EXPECT_TRUE(Leftovers(dir).empty());
}

TEST_F(HostErrors, LinksAreWrittenThroughToTheirTarget) {
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  const std::string in = Path("in.wav");
  ASSERT_EQ(mkdir(Path("elsewhere").c_str(), 0700), 0);
  WriteText(Path("elsewhere/take.wav"), "an older take");
  WriteText(Path("elsewhere/s.aupreset"), "an older state");
  ASSERT_EQ(symlink("elsewhere/take.wav", Path("linked.wav").c_str()), 0);
  ASSERT_EQ(symlink(Path("elsewhere/s.aupreset").c_str(), Path("s.aupreset").c_str()), 0);
  ASSERT_EQ(symlink("elsewhere/new.wav", Path("dangling.wav").c_str()), 0);
  RunResult r = Run({"process", in, Path("linked.wav"), "--save-state", Path("s.aupreset")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The links stay links; their targets hold the render and the state.
  struct stat st {};
  ASSERT_EQ(lstat(Path("linked.wav").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(lstat(Path("s.aupreset").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadOrFail(Path("elsewhere/take.wav")).NumFrames(), 4800u);
  EXPECT_NE(ReadText(Path("elsewhere/s.aupreset")).find("<plist"), std::string::npos);
  // A link to a file not made yet makes it.
  r = Run({"process", in, Path("dangling.wav")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadOrFail(Path("elsewhere/new.wav")).NumFrames(), 4800u);
  EXPECT_TRUE(Leftovers(dir).empty());
  EXPECT_TRUE(Leftovers(Path("elsewhere")).empty());
  // Links that go round in a loop are refused.
  ASSERT_EQ(symlink("loop-b.wav", Path("loop-a.wav").c_str()), 0);
  ASSERT_EQ(symlink("loop-a.wav", Path("loop-b.wav").c_str()), 0);
  ExpectFailure({"process", in, Path("loop-a.wav")}, 5, "loop");
}

TEST_F(HostErrors, MessagesEchoArgumentsShortAndOnOneLine) {
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  const std::string in = Path("in.wav"), out = Path("out.wav");
  const std::string huge(100000, 'x');
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"process", in, out, "--set", huge + "=1"},
        std::vector<std::string>{"process", in, out, "--set", "gain=" + huge}, std::vector<std::string>{huge},
        std::vector<std::string>{"process", in, out, "--block", huge},
        std::vector<std::string>{"process", in, out, "--preset", "line\nbreak"},
        std::vector<std::string>{"process", in, Path(huge + ".wav")}}) {
    const RunResult r = Run(args);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(CountLines(r.err), 1) << r.err.substr(0, 400);
    EXPECT_LT(r.err.size(), 600u) << r.err.substr(0, 400);
  }
  ExpectFailure({"process", in, out, "--set", "gain=" + huge}, 2, "'" + std::string(64, 'x') + "...' is not a number");
}

TEST_F(HostErrors, NumbersAreDecimalOnly) {
  WriteOrFail(Path("in.wav"), Tone(4800, 2));
  const std::string in = Path("in.wav"), out = Path("out.wav");
  // Hexadecimal, infinities, NaN and numbers past a double are refused like
  // any other malformed number, wherever a number is taken.
  for (const char* value : {"0x10", "0X1p3", "inf", "-Infinity", "nan", "1e999", "1e", "."})
    ExpectFailure({"process", in, out, "--set", std::string("gain=") + value}, 2,
                  "'" + std::string(value) + "' is not a number for Gain");
  ExpectFailure({"process", in, out, "--set", "os mode=0x1"}, 2, "not a value of OS Mode");
  ExpectFailure({"process", in, out, "--automate", "ceiling=-0x1@0"}, 2, "not a number for Ceiling");
  ExpectFailure({"process", in, out, "--automate", "ceiling=-1@0x0"}, 2, "NAME=VALUE@SECONDS");
  ExpectFailure({"process", in, out, "--automate", "ceiling=-1@inf"}, 2, "NAME=VALUE@SECONDS");
  ExpectFailure({"editor", "--scale", "0x1"}, 2, "--scale must be between 0.5 and 3");
  ExpectFailure({"editor", "--input", in, "--at", "0x0"}, 2, "--at needs SECONDS");
  // Plain decimal in its forms is taken.
  EXPECT_EQ(Run({"process", in, out, "--set", "gain=+.5e1", "--set", "ceiling=-3.", "--automate", "release=1E2@0"}).exitCode,
            0);
}

TEST_F(HostErrors, NumbersReadAlikeWithBlanksAroundThem) {
  WriteOrFail(Path("in.wav"), Tone(9600, 2));
  const std::string in = Path("in.wav");
  const RunResult plain = Run({"process", in, Path("a.wav"), "--block", "random", "--seed", "7", "--preset", "0",
                               "--set", "gain=3", "--automate", "ceiling=-2@0.05"});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  const RunResult blanks = Run({"process", in, Path("b.wav"), "--block", " random ", "--seed", " 7 ", "--preset", " 0 ",
                                "--set", "gain= 3\t", "--automate", "ceiling = -2 @ 0.05 "});
  ASSERT_EQ(blanks.exitCode, 0) << blanks.err;
  // The samples must match; the files' bytes need not (the writer stamps each with the time).
  const orbexhost::AudioData a = ReadOrFail(Path("a.wav")), b = ReadOrFail(Path("b.wav"));
  EXPECT_EQ(a.sampleRate, b.sampleRate);
  EXPECT_EQ(a.channels, b.channels);
  EXPECT_EQ(Run({"process", in, Path("c.wav"), "--block", "256 "}).exitCode, 0);
  EXPECT_EQ(Run({"process", in, Path("c.wav"), "--block", " 256"}).exitCode, 0);
}
