// `make run` on a machine that has only the run set of scripts/bootstrap: the tree configured
// without the tests (and with GoogleTest and Google Benchmark hidden) must build the targets the
// main job runs, and every library and header folder those targets are built with must come from
// a package of the run set or one it pulls in.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

// What a shell command prints on stdout, and its exit code.
int Capture(const std::string& cmd, std::string& out) {
  out.clear();
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return -1;
  char buf[4096];
  size_t n = 0;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);)
    if (!l.empty()) lines.insert(l);
  return lines;
}

class RunSet : public ::testing::Test {
protected:
  void SetUp() override {
    source_ = Env("ORBEX_SOURCE_DIR");
    ASSERT_FALSE(source_.empty());
    char tmpl[] = "/tmp/orbex9-runset-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    tree_ = tmpl;
  }
  void TearDown() override { fs::remove_all(tree_); }

  fs::path source_, tree_;
};

TEST_F(RunSet, BuildsTheMainJobFromTheRunPackagesAlone) {
  std::string out;
  ASSERT_EQ(Capture("grep -E '^RUN_TARGETS *:?=' '" + (source_ / "Makefile").string() + "' | sed 's/.*= *//'", out), 0);
  const std::string targets = out.substr(0, out.find('\n'));
  ASSERT_NE(targets.find("orbex9-host"), std::string::npos) << targets;

  ASSERT_EQ(Capture("cmake -S '" + source_.string() + "' -B '" + tree_.string() +
                        "' -G Ninja -DCMAKE_BUILD_TYPE=Release -DORBEX_BUILD_TESTS=OFF"
                        " -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON 2>&1",
                    out),
            0)
      << out;
  std::string commands;
  ASSERT_EQ(Capture("ninja -C '" + tree_.string() + "' -t commands " + targets + " 2>&1", commands), 0) << commands;

  // The system libraries linked and the system header folders searched.
  std::set<std::string> paths;
  const std::regex systemPath(R"((?:-isystem |-I)?(/usr/[^ ]+))");
  for (std::sregex_iterator it(commands.begin(), commands.end(), systemPath), end; it != end; ++it) {
    const std::string p = (*it)[1];
    const bool library = p.find(".so") != std::string::npos || (p.size() > 2 && p.compare(p.size() - 2, 2, ".a") == 0);
    const bool headers = (*it)[0].str() != p;
    if ((library || headers) && p.rfind("/usr/bin/", 0) != 0) paths.insert(p);
  }
  ASSERT_FALSE(paths.empty()) << commands;

  if (Capture("command -v dpkg-query apt-cache", out) != 0) GTEST_SKIP() << "no dpkg on this machine";
  ASSERT_EQ(Capture("'" + (source_ / "scripts/bootstrap").string() + "' run --list", out), 0);
  std::string runSet = out;
  for (char& c : runSet) c = c == '\n' ? ' ' : c;
  ASSERT_EQ(Capture("apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks"
                    " --no-replaces --no-enhances " + runSet + " 2>/dev/null | grep -v '^ ' | sort -u",
                    out),
            0);
  const std::set<std::string> pulledIn = Lines(out);
  for (const std::string& p : paths) {
    // "pkg[:arch][, pkg...]: path": a folder may belong to several packages.
    ASSERT_EQ(Capture("dpkg-query -S '" + p + "' 2>/dev/null | head -1 | sed 's/: .*//; s/:[a-z0-9]*//g; s/, /\\n/g'", out), 0);
    const std::set<std::string> owners = Lines(out);
    EXPECT_FALSE(owners.empty()) << p << " belongs to no package";
    bool found = false;
    for (const std::string& o : owners) found = found || pulledIn.count(o) > 0;
    EXPECT_TRUE(owners.empty() || found) << p << " comes from " << out << "outside the run set";
  }
}

}  // namespace
