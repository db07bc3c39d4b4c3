#pragma once
// A temporary home and data folder for a test, so that no preset, default or settings file of
// the machine takes part and nothing the test writes stays behind.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace producttest {

/** Points HOME and XDG_DATA_HOME at a fresh temporary folder for the object's lifetime. */
class TempHome
{
public:
  TempHome()
  {
    char tmpl[] = "/tmp/orbex9-product-XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    EXPECT_NE(dir, nullptr);
    mRoot = dir ? dir : "/tmp";
    mData = mRoot + "/data";
    std::filesystem::create_directories(mData);
    Save("HOME", mOldHome, mHadHome);
    Save("XDG_DATA_HOME", mOldData, mHadData);
    ::setenv("HOME", mRoot.c_str(), 1);
    ::setenv("XDG_DATA_HOME", mData.c_str(), 1);
  }
  ~TempHome()
  {
    Restore("HOME", mOldHome, mHadHome);
    Restore("XDG_DATA_HOME", mOldData, mHadData);
    std::error_code ec;
    std::filesystem::remove_all(mRoot, ec);
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const std::string& Root() const { return mRoot; }
  /** The Application Support folder. */
  const std::string& Data() const { return mData; }
  /** The product's data folder. */
  std::string Product() const { return mData + "/ORBEX9"; }

private:
  static void Save(const char* name, std::string& value, bool& had)
  {
    const char* v = std::getenv(name);
    had = v != nullptr;
    value = v ? v : "";
  }
  static void Restore(const char* name, const std::string& value, bool had)
  {
    if (had) ::setenv(name, value.c_str(), 1);
    else ::unsetenv(name);
  }

  std::string mRoot, mData, mOldHome, mOldData;
  bool mHadHome = false, mHadData = false;
};

} // namespace producttest
