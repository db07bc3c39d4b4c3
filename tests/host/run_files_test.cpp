// The files one run reads and writes, compared before it runs: by identity
// (links and spellings), new files by their resolved folder and name, files
// of one family allowed to share a file, devices never a clash; a file
// named while the run runs against the files read and written.
#include "host/RunFiles.h"

#include "ScratchDir.h"

#include <unistd.h>

#include <fstream>

namespace {

using orbexhost::RunFiles;

class RunFilesTest : public hosttest::ScratchDirTest {};

TEST_F(RunFilesTest, AFileWrittenIsNoFileReadAndNoOtherKindOfOutput) {
  std::ofstream(Path("in.wav")) << "x";
  std::ofstream(Path("s.aupreset")) << "x";
  ASSERT_EQ(symlink("in.wav", Path("alias.wav").c_str()), 0);
  ASSERT_EQ(link(Path("s.aupreset").c_str(), Path("hard.aupreset").c_str()), 0);
  ASSERT_EQ(symlink(".", Path("here").c_str()), 0);
  const auto clash = [&](const std::string& written, const std::string& family, const std::string& other = {}) {
    RunFiles files;
    files.Reads(Path("in.wav"), "IN");
    files.Reads(Path("s.aupreset"), "the state file", "state");
    files.Writes(Path("out.wav"), "OUT");
    if (!other.empty()) files.Writes(other, "the picture", "picture");
    files.Writes(written, "the state file", family);
    return files.Clash();
  };
  EXPECT_EQ(clash(Path("alias.wav"), "state"),
            "cannot write the state file '" + Path("alias.wav") + "': it is IN itself ('" + Path("in.wav") + "')");
  EXPECT_NE(clash(dir + "/./in.wav", "state").find("it is IN itself"), std::string::npos);
  // A new file, through a link to its folder; a file of another family.
  EXPECT_NE(clash(Path("here/out.wav"), "state").find("it is OUT itself ('" + Path("out.wav") + "')"),
            std::string::npos);
  EXPECT_NE(clash(Path("hard.aupreset"), "").find("it is the state file itself"), std::string::npos);
  EXPECT_NE(clash(Path("new"), "state", Path("here/new")).find("it is the picture itself"), std::string::npos);
  // A state saved back over the state read, pictures into one file, files elsewhere and
  // outputs into a device are no clash.
  EXPECT_EQ(clash(Path("hard.aupreset"), "state"), "");
  EXPECT_EQ(clash(Path("new.png"), "picture", Path("here/new.png")), "");
  EXPECT_EQ(clash(Path("other"), "state", Path("new.png")), "");
  EXPECT_EQ(clash("/dev/null", "state", "/dev/null"), "");
  // A read named after the write still clashes, and where starts the message.
  RunFiles late;
  late.Writes(Path("p.png"), {}, "picture", "'ev.txt' line 2: ");
  late.Reads(Path("here/p.png"), "the preset file of line 1");
  EXPECT_EQ(late.Clash(), "'ev.txt' line 2: cannot write '" + Path("p.png") +
                              "': it is the preset file of line 1 itself ('" + Path("here/p.png") + "')");
}

TEST_F(RunFilesTest, AFileNamedWhileTheRunRunsIsNoFileItReadsOrWrites) {
  std::ofstream(Path("in.wav")) << "x";
  std::ofstream(Path("p.qvs")) << "x";
  ASSERT_EQ(link(Path("in.wav").c_str(), Path("hard.qvs").c_str()), 0);
  ASSERT_EQ(symlink("in.wav", Path("alias.qvs").c_str()), 0);
  ASSERT_EQ(symlink(".", Path("here").c_str()), 0);
  RunFiles files;
  files.Reads(Path("in.wav"), "the input");
  files.Reads(Path("p.qvs"), "the preset file of line 1", "preset");
  files.Reads("/dev/null", "the script on standard input");
  files.Writes(Path("out.png"), "the picture", "picture");
  files.Writes(Path("shot.qvs"), "the picture of line 4", "picture", "'ev.txt' line 4: ");
  files.Writes("/dev/null", "the state file", "state");
  for (const char* name : {"in.wav", "hard.qvs", "alias.qvs", "./in.wav"})
    EXPECT_EQ(files.UsedAs(Path(name), "preset"), "This run reads it as the input ('" + Path("in.wav") + "').")
        << name;
  // Files written, not there yet, by another spelling of their folder.
  EXPECT_EQ(files.UsedAs(Path("here/out.png"), "preset"),
            "This run writes it as the picture ('" + Path("out.png") + "').");
  EXPECT_EQ(files.UsedAs(Path("shot.qvs"), "preset"),
            "This run writes it as the picture of line 4 ('" + Path("shot.qvs") + "').");
  // Files of the family left out, new files and devices are none.
  for (const std::string& path : {Path("p.qvs"), Path("new.qvs"), std::string("/dev/null")})
    EXPECT_EQ(files.UsedAs(path, "preset"), "") << path;
  EXPECT_EQ(files.UsedAs(Path("out.png"), "picture"), "");
  EXPECT_NE(files.UsedAs(Path("p.qvs"), "state").find("the preset file of line 1"), std::string::npos);
}

}  // namespace
