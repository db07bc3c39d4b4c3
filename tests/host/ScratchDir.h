#pragma once
// A test fixture with a scratch folder of its own, removed afterwards.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace hosttest {

class ScratchDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orbex9-host-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    const std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir.c_str());
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }

  std::string dir;
};

}  // namespace hosttest
