// What the fuzz targets that drive the product share: a private home folder for the whole
// run (no preset, default or settings file of the machine takes part, and nothing written
// stays behind) and one product plug-in, made once and put back to its factory state
// before each input so that every input starts alike.
#pragma once

#include "plugin/ORBEX9.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace orbexfuzz {

inline std::string*& HomeSlot()
{
  static std::string* slot = nullptr;
  return slot;
}

/** Made on first use and kept to the end, so that the removal at exit can still name it. */
inline const std::string& PrivateHome()
{
  std::string*& home = HomeSlot();
  if (!home)
  {
    char tmpl[] = "/tmp/orbex9-fuzz-XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    if (!dir) std::abort();
    home = new std::string(dir);
    std::filesystem::create_directories(*home + "/data");
    ::setenv("HOME", home->c_str(), 1);
    ::setenv("XDG_DATA_HOME", (*home + "/data").c_str(), 1);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*HomeSlot(), ec);
    });
  }
  return *home;
}

/** The product, made on first use; its parameters are at their defaults on return. */
inline ORBEX9& Product()
{
  static std::unique_ptr<ORBEX9> plug = [] {
    PrivateHome();
    fx::IAUCreateInfo info;
    info.mCocoaViewName.Set("ORBEX9_View");
    return std::make_unique<ORBEX9>(info);
  }();
  plug->RestorePreset(0);
  return *plug;
}

} // namespace orbexfuzz
