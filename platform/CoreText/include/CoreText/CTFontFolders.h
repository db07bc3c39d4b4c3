// The layer's own control of the installed fonts: the folders searched
// (recursively) for .ttf, .otf, .ttc and .otc files. Each file's faces are
// indexed once by their names; a file that is not a font is skipped. Any
// thread.
#pragma once

#include <string>
#include <vector>

namespace ctx {

// /usr/share/fonts, ~/.local/share/fonts and ~/.fonts.
std::vector<std::string> DefaultFontFolders();
// Searches these folders instead (empty: the default ones); the index is
// rebuilt at the next match.
void SetFontFolders(const std::vector<std::string>& folders);
// Forgets the index so that the next match searches the folders again.
void RescanFonts();

struct InstalledFace {
  std::string path;
  unsigned faceIndex = 0;
  std::string family, style, postScriptName, fullName;
};
// Every indexed face, in path order (builds the index when needed).
std::vector<InstalledFace> InstalledFaces();

}  // namespace ctx
