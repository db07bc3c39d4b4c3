#include "plugin/IMPlugPaths.h"

#include "core/FxPaths.h"
#include "plugin/AtomicFile.h"
#include "plugin/NumberText.h"

#include <fcntl.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

bool IMPlugPaths::CreateDataFolders(const char* folderName)
{
  // A name that is not a single folder name is refused without touching the paths.
  if (!folderName || !*folderName || std::strchr(folderName, '/') || std::strcmp(folderName, "..") == 0 ||
      std::strcmp(folderName, ".") == 0)
    return false;
  mDefaultPresetFolder.Clear();
  if (!fx::AppSupportFolderPath(mDataFolder, folderName) || mDataFolder.Empty()) return false;
  mDefaultPresetFolder.Set(mDataFolder.Get());
  mDefaultPresetFolder.Append("/");
  mDefaultPresetFolder.Append(kDefaultPresetSubfolder);

  // The Application Support folder itself may not exist yet on a fresh account.
  return orbex9::MakeFolders(mDefaultPresetFolder.Get());
}

int IMPlugPaths::ReadSettingInt(const char* /*section*/, const char* key, int defaultValue) const
{
  if (!key || !*key || mDataFolder.Empty()) return defaultValue;
  fx::FxString path(mDataFolder.Get());
  path.Append("/");
  path.Append(kSettingsFileName);
  // Only a regular file is read; opening does not block, so a pipe of that name cannot hang
  // the plug-in's construction.
  const int fd = ::open(path.Get(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return defaultValue;
  struct stat st;
  FILE* file = (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) ? ::fdopen(fd, "rb") : nullptr;
  if (!file)
  {
    ::close(fd);
    return defaultValue;
  }

  const size_t keyLen = std::strlen(key);
  int result = defaultValue;
  char piece[kSettingsPieceLen + 1];
  // A line longer than a piece is read as several pieces; each piece is matched on its own.
  while (std::fgets(piece, sizeof(piece), file))
  {
    std::string_view text(piece);
    if (text.size() <= keyLen || text.compare(0, keyLen, key) != 0 || text[keyLen] != '=') continue;
    int value = 0;
    if (orbex9::ParseLeadingInt(text.substr(keyLen + 1), value)) result = value;
  }
  std::fclose(file);
  return result;
}
