// The README's and docs/*.md's shell examples run as written: each page's ```sh blocks in order,
// as a reader follows them, in a scratch folder of the page's own where build/ is this build
// tree and HOME is the folder itself. The sound files an example reads are made first with the
// demo generator (20 s), unless an earlier command wrote them. Every block must exit 0 and leave
// the files it writes. There is no display: an example that needs a window fails here.
#include "tests/docs/DocBlocks.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using docstest::FilesOf;
using docstest::ShellBlocks;
using docstest::ShellWords;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The pages whose examples are run: the README and every page in docs/.
std::vector<fs::path> Pages() {
  const fs::path source = Env("ORBEX_SOURCE_DIR");
  std::vector<fs::path> pages = {source / "README.md"};
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(source / "docs", ec)) {
    if (e.path().extension() == ".md") pages.push_back(e.path());
  }
  std::sort(pages.begin() + 1, pages.end());
  return pages;
}

class DocsCommands : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(Env("ORBEX_SOURCE_DIR").empty());
    ASSERT_FALSE(Env("ORBEX_BINARY_DIR").empty());
  }
  void TearDown() override {
    for (const fs::path& d : scratch_) fs::remove_all(d);
  }

  fs::path NewScratch() {
    char tmpl[] = "/tmp/orbex9-docs-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return {};
    scratch_.push_back(tmpl);
    fs::create_symlink(Env("ORBEX_BINARY_DIR"), scratch_.back() / "build");
    return scratch_.back();
  }

  // Runs a shell command line in dir as the reader's shell would, with no display; the exit
  // code, and what it printed in log.
  static int RunIn(const fs::path& dir, const std::string& commandLine, std::string& log) {
    const fs::path logFile = dir / ".command.log";
    const std::string home = Quoted(dir.string());
    const std::string cmd = "cd " + home + " && env -u DISPLAY -u WAYLAND_DISPLAY HOME=" + home +
                            " XDG_DATA_HOME=" + Quoted((dir / ".local/share").string()) + " timeout 300 " +
                            commandLine + " > " + Quoted(logFile.string()) + " 2>&1";
    const int status = std::system(cmd.c_str());
    log = ReadFile(logFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Runs one block in dir after making the sound files it reads.
  static void RunBlock(const fs::path& dir, const std::string& text) {
    const docstest::NamedFiles files = FilesOf(ShellWords(text));
    std::string log;
    for (const std::string& in : files.inputs) {
      if (fs::exists(dir / in)) continue;
      fs::create_directories((dir / in).parent_path());
      ASSERT_EQ(RunIn(dir, "build/orbex9-demo-gen " + Quoted(in) + " --seconds 20", log), 0)
          << "making " << in << ":\n" << log;
    }
    const fs::path script = dir / ".block.sh";
    std::ofstream(script) << text;
    ASSERT_EQ(RunIn(dir, "bash -eo pipefail " + Quoted(script.string()), log), 0) << text << "printed:\n" << log;
    for (const std::string& out : files.outputs) EXPECT_TRUE(fs::exists(dir / out)) << out << " was not written";
  }

  std::vector<fs::path> scratch_;
};

TEST_F(DocsCommands, EveryShellExampleRunsAsWritten) {
  for (const fs::path& page : Pages()) {
    const fs::path dir = NewScratch();
    ASSERT_FALSE(dir.empty());
    for (const docstest::ShellBlock& block : ShellBlocks(page.string())) {
      SCOPED_TRACE(page.filename().string() + ":" + std::to_string(block.line));
      RunBlock(dir, block.text);
      if (HasFatalFailure()) break;  // the page's later examples may build on this one
    }
  }
}

// The extraction itself: a README whose examples were fenced otherwise would pass unrun.
TEST_F(DocsCommands, TheReadmeShowsExamplesOfEveryHostCommand) {
  std::string all;
  for (const auto& block : ShellBlocks((fs::path(Env("ORBEX_SOURCE_DIR")) / "README.md").string())) all += block.text;
  for (const char* command : {"orbex9-host info", "orbex9-host process", "orbex9-host editor"})
    EXPECT_NE(all.find(command), std::string::npos) << command;
}

}  // namespace
