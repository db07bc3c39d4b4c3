#include "core/FxPaths.h"

#include <CoreFoundation/CFBundleRegistry.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

using namespace fx;
namespace fs = std::filesystem;

namespace {

// Points HOME and XDG_DATA_HOME into a temporary tree for one test and restores them after.
class FxPathsTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    mSavedHome = Get("HOME");
    mSavedData = Get("XDG_DATA_HOME");
    char tmpl[] = "/tmp/orbex-paths-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    mRoot = tmpl;
    mHome = mRoot + "/home";
    mData = mRoot + "/data";
    fs::create_directories(mHome);
    fs::create_directories(mData);
    setenv("HOME", mHome.c_str(), 1);
    setenv("XDG_DATA_HOME", mData.c_str(), 1);
  }

  void TearDown() override
  {
    Restore("HOME", mSavedHome);
    Restore("XDG_DATA_HOME", mSavedData);
    std::error_code ec;
    fs::remove_all(mRoot, ec);
  }

  static std::optional<std::string> Get(const char* name)
  {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
  }
  static void Restore(const char* name, const std::optional<std::string>& value)
  {
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  static void Touch(const std::string& path)
  {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x";
  }

  std::optional<std::string> mSavedHome, mSavedData;
  std::string mRoot, mHome, mData;
};

} // namespace

TEST_F(FxPathsTest, StandardFolders)
{
  FxString s;
  EXPECT_TRUE(AppSupportPath(s));
  EXPECT_EQ(std::string(s.Get()), mData);
  EXPECT_TRUE(AppSupportPath(s, true));
  EXPECT_NE(std::string(s.Get()), mData);
  EXPECT_TRUE(MusicFolderPath(s));
  EXPECT_EQ(std::string(s.Get()), mHome + "/Music");
  EXPECT_TRUE(DesktopPath(s));
  EXPECT_EQ(std::string(s.Get()), mHome + "/Desktop");
  EXPECT_TRUE(UserHomePath(s));
  EXPECT_EQ(std::string(s.Get()), mHome);
  EXPECT_TRUE(AppSupportFolderPath(s, "ORBEX9"));
  EXPECT_EQ(std::string(s.Get()), mData + "/ORBEX9");
  EXPECT_TRUE(AppSupportFolderPath(s, nullptr));
  EXPECT_EQ(std::string(s.Get()), mData + "/");

  EXPECT_TRUE(PresetsFolderPath(s, false, "Maker", "Plug"));
  EXPECT_EQ(std::string(s.Get()), mData + "/Audio/Presets/Maker/Plug/");
  EXPECT_TRUE(PresetsFolderPath(s, true, "Maker", "Plug"));
  EXPECT_NE(std::string(s.Get()).find("/Audio/Presets/Maker/Plug/"), std::string::npos);
  // A path that would have to be cut is refused rather than pointing somewhere else.
  EXPECT_FALSE(PresetsFolderPath(s, false, std::string(1100, 'm').c_str(), "Plug"));
  EXPECT_STREQ(s.Get(), "");

  // Without XDG_DATA_HOME the data folder is under the home folder.
  unsetenv("XDG_DATA_HOME");
  EXPECT_TRUE(AppSupportPath(s));
  EXPECT_EQ(std::string(s.Get()), mHome + "/.local/share");

  EXPECT_FALSE(IsSandboxed());
  const std::string container = mRoot + "/Library/Containers/com.example.host/Data";
  fs::create_directories(container);
  setenv("HOME", container.c_str(), 1);
  EXPECT_TRUE(IsSandboxed());
}

TEST_F(FxPathsTest, BundleFoldersAndResources)
{
  const std::string bundleDir = mRoot + "/Components/Plug.component";
  const std::string resources = bundleDir + "/Contents/Resources";
  const std::string exe = bundleDir + "/Contents/MacOS/Plug";
  Touch(exe);
  Touch(resources + "/knob.png");
  Touch(resources + "/img/dial.png");
  Touch(mHome + "/Music/Maker/Shared/Resources/meter.png");
  Touch(mHome + "/Music/Maker/Shared/Resources/knob.png");
  Touch(mRoot + "/loose.svg");

  cfx::BundleDescription d;
  d.identifier = "com.orbex.tests.paths";
  d.bundlePath = bundleDir;
  d.executablePath = exe;
  ASSERT_NE(cfx::RegisterBundle(d), nullptr);
  const char* id = d.identifier.c_str();

  FxString s;
  EXPECT_TRUE(MacBundleFolderPath(s, id));
  EXPECT_EQ(std::string(s.Get()), mRoot + "/Components/");
  EXPECT_TRUE(MacBundleResourcePath(s, id));
  EXPECT_EQ(std::string(s.Get()), resources);
  EXPECT_TRUE(MacBundleExecutablePath(s, id));
  EXPECT_EQ(std::string(s.Get()), exe);
  s.Set("kept");
  EXPECT_FALSE(MacBundleFolderPath(s, "com.orbex.tests.none"));
  EXPECT_FALSE(MacBundleResourcePath(s, nullptr));
  EXPECT_FALSE(MacBundleExecutablePath(s, ""));
  EXPECT_STREQ(s.Get(), "kept");

  // Bundle resources: by the file's own name, then with its folders; type ignoring case.
  EXPECT_TRUE(LocateResource("knob.png", "png", s, id, nullptr));
  EXPECT_EQ(std::string(s.Get()), resources + "/knob.png");
  EXPECT_TRUE(LocateResource("knob.png", "png", s, id, "Maker/Shared"));  // bundle first
  EXPECT_EQ(std::string(s.Get()), resources + "/knob.png");
  EXPECT_TRUE(LocateResource("other/knob.png", "PNG", s, id, nullptr));
  EXPECT_EQ(std::string(s.Get()), resources + "/knob.png");
  EXPECT_TRUE(LocateResource("img/dial.png", "png", s, id, nullptr));
  EXPECT_EQ(std::string(s.Get()), resources + "/img/dial.png");
  // Shared resources under the Music folder.
  EXPECT_TRUE(LocateResource("meter.png", "png", s, id, "Maker/Shared"));
  EXPECT_EQ(std::string(s.Get()), mHome + "/Music/Maker/Shared/Resources/meter.png");
  EXPECT_FALSE(LocateResource("meter.png", "png", s, id, nullptr));
  EXPECT_STREQ(s.Get(), "");
  // A type that does not match skips bundle and shared lookups.
  s.Set("junk");
  EXPECT_FALSE(LocateResource("knob.png", "svg", s, id, "Maker/Shared"));
  EXPECT_STREQ(s.Get(), "");
  // A name that is itself an existing path is taken as it is.
  const std::string loose = mRoot + "/loose.svg";
  EXPECT_TRUE(LocateResource(loose.c_str(), "png", s, id, nullptr));
  EXPECT_EQ(std::string(s.Get()), loose);
  EXPECT_TRUE(LocateResource(loose.c_str(), "svg", s, "com.orbex.tests.none", nullptr));
  EXPECT_EQ(std::string(s.Get()), loose);
  // A folder is not a resource file.
  EXPECT_FALSE(LocateResource(resources.c_str(), "Resources", s, nullptr, nullptr));
  // Missing and empty names.
  EXPECT_FALSE(LocateResource("missing.png", "png", s, id, "Maker/Shared"));
  EXPECT_FALSE(LocateResource(nullptr, "png", s, id, nullptr));
  EXPECT_FALSE(LocateResource("", "png", s, id, nullptr));
  EXPECT_FALSE(LocateResource("knob.png", nullptr, s, id, nullptr));
  EXPECT_STREQ(s.Get(), "");

  cfx::UnregisterBundle(d.identifier);
  EXPECT_FALSE(LocateResource("knob.png", "png", s, id, nullptr));
}
