// Standard folders against a temporary HOME and XDG_DATA_HOME, and the
// recorded URL opening.
#include <Foundation/Foundation.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/platform/EnvGuard.h"
#include "tests/platform/TempFolder.h"

namespace {

using Paths = std::vector<std::string>;

TEST(NSSearchPath, UserDomainFollowsHomeAndXdgDataHome) {
  TempFolder home;
  EnvGuard env;
  env.Set("HOME", (home.Path() + "/").c_str());  // a trailing slash is dropped
  env.Set("XDG_DATA_HOME", nullptr);
  env.Set("XDG_DATA_DIRS", nullptr);

  EXPECT_EQ(NSHomeDirectory(), home.Path());
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSUserDomainMask, TRUE),
            Paths{home.Path() + "/.local/share"});
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSUserDomainMask, FALSE),
            Paths{"~/.local/share"});
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSMusicDirectory, NSUserDomainMask, TRUE), Paths{home.Path() + "/Music"});
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSDesktopDirectory, NSUserDomainMask, FALSE), Paths{"~/Desktop"});
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSLibraryDirectory, NSUserDomainMask, TRUE),
            Paths{home.Path() + "/.local/share"});
  EXPECT_EQ(NSExpandTildeInPath("~/Music/x"), home.Path() + "/Music/x");
  EXPECT_EQ(NSExpandTildeInPath("~"), home.Path());
  EXPECT_EQ(NSExpandTildeInPath("/abs/~/x"), "/abs/~/x");
  EXPECT_EQ(NSExpandTildeInPath("~other/x"), "~other/x");

  const std::string data = home.Path() + "/data";
  env.Set("XDG_DATA_HOME", data.c_str());
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSUserDomainMask, TRUE), Paths{data});
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSUserDomainMask, FALSE), Paths{"~/data"});
  env.Set("XDG_DATA_HOME", "relative/ignored");  // only absolute values count
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSUserDomainMask, TRUE),
            Paths{home.Path() + "/.local/share"});

  // A home that is only a prefix of another folder is not abbreviated.
  env.Set("XDG_DATA_HOME", (home.Path() + "x/share").c_str());
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSUserDomainMask, FALSE),
            Paths{home.Path() + "x/share"});
}

TEST(NSSearchPath, LocalAndSystemDomains) {
  EnvGuard env;
  env.Set("HOME", "/home/tester");
  env.Set("XDG_DATA_HOME", nullptr);
  env.Set("XDG_DATA_DIRS", "relative:/opt/share/:/usr/share");
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSLocalDomainMask, TRUE),
            Paths{"/opt/share"});
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSLibraryDirectory, NSSystemDomainMask, TRUE), Paths{"/usr/share"});
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSAllDomainsMask, TRUE),
            (Paths{"/home/tester/.local/share", "/opt/share", "/usr/share"}));
  EXPECT_TRUE(NSSearchPathForDirectoriesInDomains(NSMusicDirectory, NSLocalDomainMask, TRUE).empty());
  EXPECT_TRUE(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, 0, TRUE).empty());
  env.Set("XDG_DATA_DIRS", nullptr);
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSLocalDomainMask, TRUE),
            Paths{"/usr/local/share"});
  env.Set("HOME", "");  // unset or empty: the password database decides
  EXPECT_FALSE(NSHomeDirectory().empty());
  EXPECT_EQ(NSHomeDirectory()[0], '/');
}

TEST(NSWorkspace, OpeningIsRecordedNotPerformed) {
  nsx::ClearOpenedURLs();
  CFURLRef web = CFURLCreateWithString(nullptr, CFSTR("https://example.com/productversioncheck?product=x"), nullptr);
  EXPECT_TRUE(NSWorkspaceOpenURL(web));
  CFRelease(web);
  EXPECT_TRUE(NSWorkspaceOpenFile("/tmp/some folder"));
  EXPECT_FALSE(NSWorkspaceOpenURL(nullptr));
  EXPECT_FALSE(NSWorkspaceOpenFile(""));
  EXPECT_EQ(nsx::OpenedURLs(),
            (Paths{"https://example.com/productversioncheck?product=x", "file:///tmp/some%20folder"}));
  nsx::ClearOpenedURLs();
  EXPECT_TRUE(nsx::OpenedURLs().empty());
}

}  // namespace
