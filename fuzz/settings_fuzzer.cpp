// The settings file "plugin.ini": any bytes as its text, read for the product's keys.
#include "plugin/IMPlugPaths.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class Settings : public IMPlugPaths
{
public:
  Settings()
  {
    char tmpl[] = "/tmp/orbex9-fuzz-ini-XXXXXX";
    const char* dir = ::mkdtemp(tmpl);
    if (!dir) std::abort();
    mDataFolder.Set(dir);
  }
  ~Settings() override
  {
    std::error_code ec;
    std::filesystem::remove_all(GetDataFolder(), ec);
  }
  std::string File() const { return std::string(GetDataFolder()) + "/" + kSettingsFileName; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20)) return 0;
  static Settings settings;
  FILE* f = std::fopen(settings.File().c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  for (const char* key : {"HasUI", "UpdateCheck", "Scale", ""})
    settings.ReadSettingInt("Settings", key, -7);
  return 0;
}
