// The editor command's event scripts: every event with its arguments and
// modifiers, bad lines refused with their line number, the line endings
// scripts come with, and what is read as a script (a file, or standard input
// up to the size limit) and what is refused without waiting.
#include "host/EditorScript.h"

#include "ScratchDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <thread>
#include <vector>

namespace {

using orbexhost::EditorScript;
using orbexhost::ParseEditorScript;
using orbexhost::ScriptEvent;
using orbexhost::ScriptKey;
using Kind = ScriptEvent::Kind;

EditorScript Parsed(const std::string& text) {
  EditorScript s;
  std::string error;
  EXPECT_TRUE(ParseEditorScript(text, "s.txt", s, error)) << error;
  return s;
}

std::string ErrorOf(const std::string& text) {
  EditorScript s;
  std::string error;
  EXPECT_FALSE(ParseEditorScript(text, "s.txt", s, error)) << text;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  return error;
}

TEST(EditorScript, EveryEventWithItsArguments) {
  const EditorScript s = Parsed(
      "# a comment\n"
      "\n"
      "move 10 20\n"
      "down 1.5 2 shift\n"
      "  up 3 4 ctrl alt\r\n"
      "click 5 6 cmd right\n"
      "dblclick 7 8\n"
      "drag 100 145 100 95 shift\n"
      "wheel 9 10 -2.5\n"
      "key a cmd\n"
      "key Return\n"
      "type -12.5 dB\n"
      "menu 15 4\n"
      "menu none\n"
      "open /tmp/a preset.qvs\n"
      "save out.qvs\n"
      "cancel\n"
      "wait 250\n"
      "png shot 1.png\n");
  ASSERT_EQ(s.events.size(), 17u);
  const ScriptEvent& move = s.events[0];
  EXPECT_EQ(move.kind, Kind::kMove);
  EXPECT_EQ(move.line, 3);
  EXPECT_EQ(move.x, 10);
  EXPECT_EQ(move.y, 20);
  EXPECT_EQ(s.events[1].modifiers, orbexhost::kModShift);
  EXPECT_EQ(s.events[1].x, 1.5);
  EXPECT_EQ(s.events[2].modifiers, orbexhost::kModCtrl | orbexhost::kModAlt);
  EXPECT_EQ(s.events[3].modifiers, orbexhost::kModCmd | orbexhost::kModRight);
  EXPECT_EQ(s.events[4].kind, Kind::kDoubleClick);
  const ScriptEvent& drag = s.events[5];
  EXPECT_EQ(drag.kind, Kind::kDrag);
  EXPECT_EQ(drag.x2, 100);
  EXPECT_EQ(drag.y2, 95);
  EXPECT_EQ(s.events[6].amount, -2.5);
  EXPECT_EQ(s.events[7].key, ScriptKey::kCharacter);
  EXPECT_EQ(s.events[7].character, U'a');
  EXPECT_EQ(s.events[7].modifiers, orbexhost::kModCmd);
  EXPECT_EQ(s.events[8].key, ScriptKey::kReturn);
  EXPECT_EQ(s.events[9].typed, U"-12.5 dB");
  EXPECT_EQ(s.events[10].path, (std::vector<int>{15, 4}));
  EXPECT_EQ(s.events[11].kind, Kind::kMenuNone);
  EXPECT_EQ(s.events[12].text, "/tmp/a preset.qvs");
  EXPECT_EQ(s.events[13].kind, Kind::kSave);
  EXPECT_EQ(s.events[14].kind, Kind::kCancel);
  EXPECT_EQ(s.events[15].amount, 250);
  EXPECT_EQ(s.events[16].text, "shot 1.png");
  EXPECT_EQ(s.events[16].line, 19);
}

TEST(EditorScript, KeysByCharacterOrName) {
  const EditorScript s = Parsed("key A\nkey é\nkey escape\nkey BACKSPACE shift\nkey Delete\nkey Home\nkey 1\n");
  ASSERT_EQ(s.events.size(), 7u);
  EXPECT_EQ(s.events[0].character, U'A');
  EXPECT_EQ(s.events[1].character, U'é');
  EXPECT_EQ(s.events[2].key, ScriptKey::kEscape);
  EXPECT_EQ(s.events[3].key, ScriptKey::kBackspace);
  EXPECT_EQ(s.events[3].modifiers, orbexhost::kModShift);
  EXPECT_EQ(s.events[4].key, ScriptKey::kDelete);
  EXPECT_EQ(s.events[5].key, ScriptKey::kHome);
  EXPECT_EQ(s.events[6].character, U'1');
}

TEST(EditorScript, BadLinesNameTheirLine) {
  EXPECT_EQ(ErrorOf("move 1 2\nclik 3 4\n").rfind("'s.txt' line 2: unknown event 'clik'", 0), 0u);
  EXPECT_NE(ErrorOf("\n\nclick x 4\n").find("line 3: X of click is not a number: 'x'"), std::string::npos);
  EXPECT_NE(ErrorOf("click 1\n").find("line 1: click needs X Y [MODS]"), std::string::npos);
  for (const char* line : {"click 1 nan\n", "click 0x10 4\n", "move 1 inf\n", "wheel 1 2 0x3\n", "wait 0x10\n"})
    EXPECT_NE(ErrorOf(line).find("is not a number"), std::string::npos) << line;
  EXPECT_NE(ErrorOf("click 1 2 hyper\n").find("unknown modifier 'hyper'"), std::string::npos);
  EXPECT_NE(ErrorOf("move 1 2 shift\n").find("unexpected 'shift'"), std::string::npos);
  EXPECT_NE(ErrorOf("drag 1 2 3\n").find("drag needs X1 Y1 X2 Y2"), std::string::npos);
  EXPECT_NE(ErrorOf("key F13\n").find("unknown key 'F13'"), std::string::npos);
  EXPECT_NE(ErrorOf("key\n").find("key needs NAME"), std::string::npos);
  EXPECT_NE(ErrorOf("menu\n").find("menu needs N"), std::string::npos);
  EXPECT_NE(ErrorOf("menu -1\n").find("not an item number"), std::string::npos);
  EXPECT_NE(ErrorOf("menu 2 x\n").find("'x' is not an item number"), std::string::npos);
  EXPECT_NE(ErrorOf("wait -5\n").find("wait needs milliseconds"), std::string::npos);
  EXPECT_NE(ErrorOf("wait 1e9\n").find("wait needs milliseconds"), std::string::npos);
  EXPECT_NE(ErrorOf("cancel now\n").find("unexpected 'now'"), std::string::npos);
  EXPECT_NE(ErrorOf("png\n").find("png needs FILE"), std::string::npos);
  EXPECT_NE(ErrorOf("open   \n").find("open needs PATH"), std::string::npos);
  EXPECT_NE(ErrorOf("type \xff\xfe\n").find("type needs UTF-8 text"), std::string::npos);
  EXPECT_NE(ErrorOf(std::string("move 1 2\nmo\0ve 1 2\n", 20)).find("line 2: the script is not text"),
            std::string::npos);
}

TEST(EditorScript, AnEmptyScriptHasNoEvents) {
  EXPECT_TRUE(Parsed("").events.empty());
  EXPECT_TRUE(Parsed("# only\n   # comments\n\n").events.empty());
}

TEST(EditorScript, LinesEndWithLineFeedCarriageReturnOrBoth) {
  const EditorScript s = Parsed("\xEF\xBB\xBFmove 1 2\rclick 3 4\r\n\rwait 5\ntype a b\r");
  ASSERT_EQ(s.events.size(), 4u);
  EXPECT_EQ(s.events[0].kind, Kind::kMove);
  EXPECT_EQ(s.events[1].line, 2);
  EXPECT_EQ(s.events[2].line, 4);
  EXPECT_EQ(s.events[3].text, "a b");
  EXPECT_NE(ErrorOf("move 1 2\rclik 3 4\r").find("line 2: unknown event 'clik'"), std::string::npos);
  // Only a mark at the very start is skipped.
  EXPECT_NE(ErrorOf("move 1 2\n\xEF\xBB\xBFmove 1 2\n").find("line 2: unknown event"), std::string::npos);
}

class EditorScriptFile : public hosttest::ScratchDirTest {
protected:
  // Reads path as a script, failing (and letting the reader go) rather than hanging when it
  // waits for something to write into a pipe.
  bool Read(const std::string& path, std::string& error) {
    EditorScript s;
    auto reading = std::async(std::launch::async, [&] { return orbexhost::ReadEditorScript(path, s, error); });
    if (reading.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
      ADD_FAILURE() << "reading " << path << " waits for a writer";
      close(open(path.c_str(), O_WRONLY | O_NONBLOCK));
    }
    return reading.get();
  }
};

TEST_F(EditorScriptFile, OnlyAFileIsReadAndEverythingElseIsRefusedAtOnce) {
  std::string error;
  std::ofstream(Path("ok.txt")) << "click 1 2\n";
  EXPECT_TRUE(Read(Path("ok.txt"), error)) << error;
  const struct {
    std::string path, message;
  } cases[] = {
      {Path("missing.txt"), "cannot read the events file '" + Path("missing.txt") + "': No such file"},
      {dir, "': it is a folder"},
      {Path("fifo"), "': it is a pipe (give a script that comes through a pipe on standard input: --events -)"},
      {"/dev/zero", "cannot read the events file '/dev/zero': it is a device, not a file"},
  };
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  for (const auto& c : cases) {
    EXPECT_FALSE(Read(c.path, error)) << c.path;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(EditorScript, StandardInputIsReadNoFurtherThanTheLimit) {
  // Standard input is a pipe that a writer would fill with 64 MiB of zeros.
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const int saved = dup(STDIN_FILENO);
  dup2(pipeFds[0], STDIN_FILENO);
  close(pipeFds[0]);
  const auto oldPipeSignal = std::signal(SIGPIPE, SIG_IGN);
  constexpr size_t kOffered = size_t{64} << 20;
  std::atomic<size_t> written{0};
  std::thread writer([&] {
    const std::vector<char> zeros(65536);
    for (ssize_t n = 0; written < kOffered && (n = write(pipeFds[1], zeros.data(), zeros.size())) > 0;) written += n;
    close(pipeFds[1]);
  });
  EditorScript s;
  std::string error;
  EXPECT_FALSE(orbexhost::ReadEditorScript("-", s, error));
  // The pipe's last reader goes: the writer stops.
  dup2(saved, STDIN_FILENO);
  close(saved);
  writer.join();
  std::signal(SIGPIPE, oldPipeSignal);
  EXPECT_EQ(error, "the script on standard input is too large for a script (more than 16 MiB)");
  EXPECT_LT(written, size_t{20} << 20);
}

}  // namespace
