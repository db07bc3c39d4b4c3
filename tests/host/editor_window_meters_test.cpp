// The limiter's meters in its window, where the host keeps the unit rendering in real time as a
// host with its transport stopped does (the input up to --at, then silence): with silence the
// meter faces read as the headless editor draws them for the selected meter (GR "0.00" at the
// 0 dB mark, IN and OUT "-INF" with the needles at rest) after every switch, before and after
// an oversampling change, with and without an input file; a loud file's needles and readouts
// fall back to rest after --at, its level just below 0 dB read "0.00" (no "-0.00") meanwhile.
#include "EditorRun.h"
#include "EditorSession.h"

namespace {

using namespace hosttest;

// The meter faces (x, y, width, height), the Meter Mode buttons and an oversampling button.
constexpr int kFaces[2][4] = {{307, 94, 188, 120}, {505, 94, 188, 120}};
constexpr int kIn[2] = {471, 69}, kGr[2] = {497, 69}, kOut[2] = {523, 69}, kOs4[2] = {502, 238};

class EditorWindowMetersTest : public EditorSessionTest {
protected:
  // The headless editor's picture after the input (silence unless given) in that Meter Mode.
  Picture Headless(const std::string& mode, const std::string& input = "") {
    const std::string png = dir_ + "/" + mode + ".png";
    const RunResult r = RunHost({"editor", "--input", input.empty() ? Silence() : input, "--set",
                                 "meter mode=" + mode, "--png", png},
                                dir_);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return ReadPicture(png);
  }
  std::string Silence() { return WriteTone(dir_ + "/silence.wav", 0.0); }

  // Pixels of the readouts' text in the window that differ from the picture (left of where a
  // needle at rest crosses the readout's box).
  int DifferingReadouts(const Picture& p) {
    const Shot s = Screenshot();
    int n = 0;
    for (const auto& f : kFaces)
      for (int y = 187; y <= 198; ++y)
        for (int x = f[0] + 6; x <= f[0] + 54; ++x) {
          const unsigned char* c = p.at(x, y);
          if (x >= s.w || y >= s.h || !s.is(x, y, c[0], c[1], c[2], 8)) ++n;
        }
    return n;
  }
  // Pixels of the meter faces in the window that differ from the picture.
  int Differing(const Picture& p) {
    const Shot s = Screenshot();
    int n = 0;
    for (const auto& f : kFaces)
      for (int y = f[1]; y < f[1] + f[3]; ++y)
        for (int x = f[0]; x < f[0] + f[2]; ++x) {
          const unsigned char* c = p.at(x, y);
          if (x >= s.w || y >= s.h || !s.is(x, y, c[0], c[1], c[2], 8)) ++n;
        }
    return n;
  }
  // Clicks (x, y) and waits until the faces read as the picture.
  void ClickAndSee(const int (&at)[2], const Picture& p, const char* what) {
    Click(at[0], at[1]);
    int n = -1;
    EXPECT_TRUE(WaitFor([&] { return (n = Differing(p)) == 0; })) << what << ": " << n << " pixels differ";
  }
};

TEST_F(EditorWindowMetersTest, SilenceShowsTheSelectedMeterAfterEverySwitch) {
  const Picture gr = Headless("GR"), level = Headless("IN");
  for (const bool withInput : {true, false}) {
    SCOPED_TRACE(withInput ? "with --input" : "without --input");
    ASSERT_TRUE(Start(withInput ? std::vector<std::string>{"--input", Silence()} : std::vector<std::string>{}));
    // The editor opens in IN.
    int n = -1;
    EXPECT_TRUE(WaitFor([&] { return (n = Differing(level)) == 0; })) << "IN at the start: " << n << " pixels differ";
    ClickAndSee(kGr, gr, "IN to GR");
    ClickAndSee(kOut, level, "GR to OUT");
    ClickAndSee(kGr, gr, "OUT to GR");
    Click(kOs4[0], kOs4[1]);
    ClickAndSee(kIn, level, "GR to IN at 4x");
    ClickAndSee(kGr, gr, "IN to GR at 4x");
    ClickAndSee(kOut, level, "GR to OUT at 4x");
    const RunResult r = Stop();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(JsonField(r.out, "OS Mode"), 2.0) << r.out;
  }
}

TEST_F(EditorWindowMetersTest, ALoudFilesMetersFallBackAfterAt) {
  const Picture rest = Headless("IN"), zero = Headless("GR");
  // A peak of -0.004 dB.
  ASSERT_TRUE(Start({"--input", WriteTone(dir_ + "/loud.wav", 0.99954), "--at", "0.5", "--set", "meter mode=IN"}));
  // At first the meters show the file's level (the held needle stays up 3 s), its readouts as
  // GR's "0.00" in silence, then fall back.
  EXPECT_GT(Differing(rest), 200);
  int n = -1;
  EXPECT_TRUE(WaitFor([&] { return (n = DifferingReadouts(zero)) == 0; }, 3)) << n << " pixels differ from 0.00";
  EXPECT_TRUE(WaitFor([&] { return (n = Differing(rest)) == 0; }, 90)) << n << " pixels differ from rest";
  EXPECT_EQ(Stop().exitCode, 0);
}

}  // namespace
