// orbex9-demo-gen: writes the demo material (programme-like stereo with
// peaks above full scale) to a 32-bit float file.
#include "host/DecimalNumber.h"
#include "host/DemoSignal.h"
#include "host/OutputFormat.h"
#include "host/SoundFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool Number(const char* text, double lo, double hi, double& out) {
  double v = 0.0;
  if (!orbexhost::ParseDecimal(text, v) || v < lo || v > hi) return false;
  out = v;
  return true;
}

int Usage(const char* why) {
  std::fprintf(stderr, "orbex9-demo-gen: %s\nusage: orbex9-demo-gen OUT [--seconds S] [--rate HZ] [--peak-db DB] [--mono] [--seed N]\n", why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  orbexhost::DemoSettings st;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    double v = 0.0;
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--seconds") {
      if (!Number(next(), 0.0, 3600.0, st.seconds)) return Usage("--seconds needs 0 to 3600");
    } else if (a == "--rate") {
      if (!Number(next(), 8000.0, 384000.0, v)) return Usage("--rate needs 8000 to 384000");
      st.sampleRate = std::round(v);
    } else if (a == "--peak-db") {
      if (!Number(next(), -60.0, 24.0, st.peakDb)) return Usage("--peak-db needs -60 to 24");
    } else if (a == "--seed") {
      if (!Number(next(), 0.0, 1e15, v)) return Usage("--seed needs a whole number");
      st.seed = static_cast<uint64_t>(v);
    } else if (a == "--mono") {
      st.channels = 1;
    } else if (!a.empty() && a[0] != '-' && out.empty()) {
      out = a;
    } else {
      return Usage(("unexpected argument '" + a + "'").c_str());
    }
  }
  if (out.empty()) return Usage("no output file given");
  std::string error;
  // A type OUT cannot be written as, or cannot hold the signal in (a rate, a
  // length), is refused before the signal is made.
  const auto frames = static_cast<int64_t>(orbexhost::DemoFrames(st));
  if (orbexhost::OutputFormatFor(out, st.channels, frames, static_cast<int>(st.sampleRate), error) == 0 ||
      !orbexhost::WriteSoundFile(out, orbexhost::MakeDemoSignal(st), error)) {
    std::fprintf(stderr, "orbex9-demo-gen: %s\n", error.c_str());
    return 5;
  }
  return 0;
}
