// End to end: the host streams (its peak memory does not grow with the
// file), refuses a file cut short, reports the settings it rendered with and
// where each came from (a number that shows as zero without a minus), and
// measures gain reduction alike in every OS Mode.
#include "HostFiles.h"
#include "HostRun.h"

#include <algorithm>
#include <fstream>
#include <random>

using namespace hosttest;

namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
}

// The one object of the report's "settings" list that names a parameter.
std::string SettingOf(const std::string& json, const std::string& name) {
  const size_t at = json.find("{\"name\": \"" + name + "\"");
  if (at == std::string::npos) return {};
  return json.substr(at, json.find('}', at) - at + 1);
}

std::string TextField(const std::string& object, const std::string& key) {
  const std::string open = "\"" + key + "\": \"";
  const size_t at = object.find(open);
  if (at == std::string::npos) return {};
  const size_t from = at + open.size();
  return object.substr(from, object.find('"', from) - from);
}

// A preset file for the default-preset folder, setting the given parameters.
std::string PresetFile(const std::string& params) {
  return "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n    <PluginVendor>Brimvaldex</PluginVendor>\n"
         "    <PluginName>ORBEX9</PluginName>\n    <PluginVersion>v2.1.17</PluginVersion>\n"
         "    <Preset name=\"Init\">\n        <Parameter>\n" +
         params + "        </Parameter>\n    </Preset>\n</PresetXMLTree>\n";
}

}  // namespace

class HostStream : public HostTest {};

TEST_F(HostStream, PeakMemoryDoesNotGrowWithTheFile) {
  // 30 times longer: holding IN and OUT in memory would add about 18 MB.
  WriteLongFile(Path("short.wav"), 10.0, 8000, 1);
  WriteLongFile(Path("long.wav"), 300.0, 8000, 1);
  const RunResult shortRun = Run({"process", Path("short.wav"), Path("short-out.wav"), "--json"});
  ASSERT_EQ(shortRun.exitCode, 0) << shortRun.err;
  const RunResult longRun = Run({"process", Path("long.wav"), Path("long-out.wav"), "--json"});
  ASSERT_EQ(longRun.exitCode, 0) << longRun.err;
  EXPECT_EQ(JsonField(longRun.out, "frames"), 2400000.0);
  EXPECT_LT(longRun.peakMemoryKb, shortRun.peakMemoryKb + 3 * 1024)
      << shortRun.peakMemoryKb << " KB for 10 s, " << longRun.peakMemoryKb << " KB for 5 min";
  EXPECT_EQ(FramesIn(Path("long-out.wav")), 2400000);
}

TEST_F(HostStream, FilesCutShortAreRefusedAndLeaveNoOutput) {
  for (const char* type : {"wav", "flac"}) {
    SCOPED_TRACE(type);
    const std::string in = Path(std::string("cut.") + type);
    WriteContainer(in, std::string(type) == "wav" ? SF_FORMAT_WAV | SF_FORMAT_FLOAT : SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                   48000);
    CutFile(in, FileSize(in) / 2);
    const RunResult r = Run({"process", in, Path("out.wav")});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find("is cut short: its header promises 48000 frames, but only "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(Exists(Path("out.wav")));
    EXPECT_TRUE(Leftovers(dir).empty());
  }
}

TEST_F(HostStream, ReportShowsEverySettingAndWhereItCameFrom) {
  WriteLongFile(Path("in.wav"), 0.5, 48000, 2);
  // A default preset saved by the user lowers the ceiling and sets a release.
  const std::string presetDir = dir + "/.local/share/ORBEX9/AU";
  ASSERT_EQ(std::system(("mkdir -p '" + presetDir + "'").c_str()), 0);
  const std::string preset = presetDir + "/default.qvs";
  WriteText(preset, PresetFile("            <Param name=\"Ceiling\" val=\"-6\" />\n"
                               "            <Param name=\"Release\" val=\"40\" />\n"));
  RunResult r = Run({"process", Path("in.wav"), Path("first.wav"), "--json", "--set", "gain=3", "--set", "attack=5",
                     "--automate", "attack=2@0", "--save-state", Path("s.aupreset")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The preset took effect, and the report says so.
  EXPECT_LE(JsonField(r.out, "output_peak_dbfs"), -6.0 + 1e-4);
  const std::string ceiling = SettingOf(r.out, "Ceiling");
  EXPECT_EQ(TextField(ceiling, "source"), "default preset") << ceiling;
  EXPECT_EQ(TextField(ceiling, "file"), preset);
  EXPECT_EQ(TextField(ceiling, "text"), "-6.00 dBFS");
  EXPECT_EQ(JsonField(ceiling, "value"), -6.0);
  EXPECT_EQ(TextField(SettingOf(r.out, "Release"), "source"), "default preset");
  EXPECT_EQ(TextField(SettingOf(r.out, "Gain"), "source"), "set");
  EXPECT_EQ(JsonField(SettingOf(r.out, "Gain"), "value"), 3.0);
  EXPECT_EQ(TextField(SettingOf(r.out, "Attack"), "source"), "automate");
  EXPECT_EQ(JsonField(SettingOf(r.out, "Attack"), "value"), 2.0);
  EXPECT_EQ(TextField(SettingOf(r.out, "OS Mode"), "source"), "default");
  EXPECT_EQ(TextField(SettingOf(r.out, "OS Mode"), "text"), "1x");
  // Every parameter is listed, by name.
  size_t count = 0;
  for (size_t at = r.out.find("{\"name\": "); at != std::string::npos; at = r.out.find("{\"name\": ", at + 1)) ++count;
  EXPECT_EQ(count, 16u);

  // A loaded state and a factory preset set every parameter; the text report
  // names the sources too. The state saved is the one the render started
  // from, the point at 0 s included: it renders the same again.
  r = Run({"process", Path("in.wav"), Path("out.wav"), "--json", "--load-state", Path("s.aupreset")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(TextField(SettingOf(r.out, "Meter Mode"), "source"), "state");
  EXPECT_EQ(TextField(SettingOf(r.out, "Gain"), "file"), Path("s.aupreset"));
  EXPECT_EQ(JsonField(SettingOf(r.out, "Attack"), "value"), 2.0);
  EXPECT_TRUE(ReadOrFail(Path("first.wav")).channels == ReadOrFail(Path("out.wav")).channels);
  // (The factory preset holds what the default preset made of it.)
  r = Run({"process", Path("in.wav"), Path("out.wav"), "--preset", "Init", "--set", "ceiling=-1"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("settings at the start of the render:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  Release              40.00 ms       --preset Init\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  Ceiling              -1.00 dBFS     --set\n"), std::string::npos) << r.out;
  std::remove(preset.c_str());
  r = Run({"process", Path("in.wav"), Path("out.wav")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("  Ceiling              0.00 dBFS      component default\n"), std::string::npos) << r.out;
}

TEST_F(HostStream, NamesOfAnyBytesKeepEveryReportWellFormed) {
  WriteLongFile(Path("in.wav"), 0.1, 48000, 2);
  // A state whose name holds a byte that is not UTF-8 and a line break.
  const std::string odd = Path("st\xff\n.aupreset");
  ASSERT_EQ(Run({"process", Path("in.wav"), Path("out.wav"), "--set", "gain=2", "--save-state", odd}).exitCode, 0);
  const RunResult json = Run({"process", Path("in.wav"), Path("out.wav"), "--load-state", odd, "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  // The JSON holds U+FFFD for the byte and an escaped line break.
  EXPECT_EQ(TextField(SettingOf(json.out, "Gain"), "file"), Path("st\\ufffd\\n.aupreset")) << json.out;
  EXPECT_EQ(json.out.find('\xff'), std::string::npos);
  // The text report shows the line break as an escape and keeps one line a
  // setting, however long the name.
  std::string longer = dir;
  for (int i = 0; i < 5; ++i) longer += "/" + std::string(200, 'n');
  ASSERT_EQ(std::system(("mkdir -p '" + longer + "'").c_str()), 0);
  const std::string deep = longer + "/" + std::string(200, 's') + "\n.aupreset";
  ASSERT_EQ(Run({"process", Path("in.wav"), Path("out.wav"), "--save-state", deep}).exitCode, 0);
  for (const std::string& state : {odd, deep}) {
    const RunResult text = Run({"process", Path("in.wav"), Path("out.wav"), "--load-state", state});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::string shown = state.substr(0, state.size() - 10) + "\\n.aupreset";
    EXPECT_NE(text.out.find("  Gain                 " + std::string(state == odd ? "2.00" : "0.00") +
                            " dB        --load-state " + shown + "\n  Attack"),
              std::string::npos)
        << text.out;
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 26) << text.out;
  }
  // A message naming it stays on one line, the line break shown.
  const RunResult missing = Run({"process", Path("in.wav"), Path("out.wav"), "--load-state", Path("no\nsuch")});
  EXPECT_EQ(missing.exitCode, 4);
  EXPECT_NE(missing.err.find("no\\nsuch"), std::string::npos) << missing.err;
  EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
}

TEST_F(HostStream, AnUnreadableDefaultPresetIsToldAndLeavesTheDefaults) {
  WriteLongFile(Path("in.wav"), 0.1, 48000, 2);
  const std::string presetDir = dir + "/.local/share/ORBEX9/AU", preset = presetDir + "/default.qvs";
  ASSERT_EQ(std::system(("mkdir -p '" + presetDir + "'").c_str()), 0);
  struct Case {
    std::string text, why;
  };
  std::string foreign = PresetFile("            <Param name=\"Ceiling\" val=\"-6\" />\n");
  foreign.replace(foreign.find("ORBEX9"), 6, "OTHER1");
  for (const Case& c : {Case{"garbage", "it is not a preset file of ORBEX9"},
                        Case{foreign, "it is a preset file of another plug-in, not of ORBEX9"}}) {
    WriteText(preset, c.text);
    const RunResult r = Run({"process", Path("in.wav"), Path("out.wav"), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "ORBEX9: the default preset \"" + preset + "\" was not read (" + c.why +
                         "); the parameters start at their defaults\n");
    EXPECT_EQ(TextField(SettingOf(r.out, "Ceiling"), "source"), "default");
  }
  // No default preset at all is nothing to tell.
  std::remove(preset.c_str());
  EXPECT_EQ(Run({"process", Path("in.wav"), Path("out.wav")}).err, "");
}

TEST_F(HostStream, NumbersThatShowAsZeroHaveNoMinus) {
  orbexhost::AudioData d;
  d.sampleRate = 48000.0;
  d.channels.assign(1, std::vector<float>(4800, 0.99999f));  // -0.0001 dBFS
  WriteOrFail(Path("in.wav"), d);
  const RunResult text = Run({"process", Path("in.wav"), Path("out.wav"), "--set", "ceiling=-0.001"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("input peak           0.00 dBFS\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  Ceiling              0.00 dBFS      --set\n"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("-0.00"), std::string::npos) << text.out;
  const RunResult json = Run({"process", Path("in.wav"), Path("out.wav"), "--set", "ceiling=-0", "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  EXPECT_NE(SettingOf(json.out, "Ceiling").find("\"value\": 0, \"text\": \"0.00 dBFS\""), std::string::npos)
      << json.out;
}

TEST_F(HostStream, GainReductionReadsAlikeInEveryOsMode) {
  // Hot full-band noise: sample by sample, the oversampling filters reshape
  // it so much that a per-sample ratio read 30 dB at 2x and up where 1x read 13.
  orbexhost::AudioData noise;
  noise.sampleRate = 48000.0;
  noise.channels.assign(2, std::vector<float>(48000));
  std::mt19937 rng(8);
  std::normal_distribution<float> g(0.0f, 0.5f);
  for (auto& ch : noise.channels)
    for (size_t i = 0; i < ch.size(); ++i) ch[i] = g(rng) * (0.6f + 0.4f * std::sin(static_cast<float>(i) * 4e-4f));
  WriteOrFail(Path("noise.wav"), noise);
  std::vector<double> reduction;
  for (const char* os : {"1x", "2x", "16x"}) {
    const RunResult r = Run({"process", Path("noise.wav"), Path("out.wav"), "--json", "--set", "gain=6", "--set",
                             "release=50", "--set", std::string("os mode=") + os});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    reduction.push_back(JsonField(r.out, "max_gain_reduction_db"));
  }
  // The peaks sit about 7 dB over full scale; +6 dB of gain.
  EXPECT_GT(reduction[0], 11.0);
  EXPECT_LT(reduction[0], 15.0);
  EXPECT_NEAR(reduction[1], reduction[0], 1.0);
  EXPECT_NEAR(reduction[2], reduction[0], 1.0);
}
