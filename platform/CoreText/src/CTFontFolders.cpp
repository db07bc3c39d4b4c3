#include <algorithm>
#include <cctype>
#include <filesystem>

#include <CoreGraphics/CGSfnt.h>
#include <Foundation/NSPathUtilities.h>

#include "CTInternal.h"

namespace ctx {
namespace {

struct Index {
  std::mutex mutex;
  std::vector<std::string> folders;  // empty: the defaults
  bool built = false;
  std::vector<InstalledFace> faces;
};

Index& TheIndex() {
  static auto* index = new Index();  // outlives every caller
  return *index;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsFontFileName(const std::filesystem::path& p) {
  const std::string ext = Lower(p.extension().string());
  return ext == ".ttf" || ext == ".otf" || ext == ".ttc" || ext == ".otc";
}

void IndexFile(const std::string& path, std::vector<InstalledFace>& out) {
  const cgx::SfntFile file(path);
  if (!file.isOpen()) return;
  const uint32_t count = std::min<uint32_t>(cgx::SfntFaceCount(file), 256);
  for (uint32_t i = 0; i < count; ++i) {
    cgx::SfntFace face;
    if (!cgx::SfntReadFace(file, i, face) || face.family.empty()) continue;
    out.push_back(InstalledFace{path, i, face.family, face.style, face.postScriptName, face.fullName});
    // A face is also found by its typographic family and style.
    if (!face.typographicFamily.empty() && face.typographicFamily != face.family) {
      out.push_back(InstalledFace{path, i, face.typographicFamily,
                                  face.typographicStyle.empty() ? face.style : face.typographicStyle,
                                  face.postScriptName, face.fullName});
    }
  }
}

void Build(Index& index) {
  index.faces.clear();
  std::vector<std::string> files;
  for (const std::string& folder : index.folders.empty() ? DefaultFontFolders() : index.folders) {
    std::error_code ec;
    std::filesystem::recursive_directory_iterator it(folder, std::filesystem::directory_options::skip_permission_denied,
                                                     ec);
    for (; !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      std::error_code fileEc;
      if (it->is_regular_file(fileEc) && IsFontFileName(it->path())) files.push_back(it->path().string());
    }
  }
  std::sort(files.begin(), files.end());
  files.erase(std::unique(files.begin(), files.end()), files.end());
  for (const std::string& f : files) IndexFile(f, index.faces);
  index.built = true;
}

bool IsRegularStyle(const std::string& style) {
  const std::string s = Lower(style);
  return s == "regular" || s == "book" || s == "normal" || s == "roman" || s == "plain";
}

}  // namespace

std::vector<std::string> DefaultFontFolders() {
  const std::string home = NSHomeDirectory();
  return {"/usr/share/fonts", home + "/.local/share/fonts", home + "/.fonts"};
}

void SetFontFolders(const std::vector<std::string>& folders) {
  Index& index = TheIndex();
  std::lock_guard<std::mutex> lock(index.mutex);
  index.folders = folders;
  index.built = false;
}

void RescanFonts() {
  Index& index = TheIndex();
  std::lock_guard<std::mutex> lock(index.mutex);
  index.built = false;
}

std::vector<InstalledFace> InstalledFaces() {
  Index& index = TheIndex();
  std::lock_guard<std::mutex> lock(index.mutex);
  if (!index.built) Build(index);
  return index.faces;
}

std::optional<InstalledFace> MatchInstalledFace(const std::string& name, const std::string& family,
                                                const std::string& style) {
  Index& index = TheIndex();
  std::lock_guard<std::mutex> lock(index.mutex);
  if (!index.built) Build(index);
  if (!name.empty()) {
    const std::string n = Lower(name);
    for (const InstalledFace& f : index.faces)
      if (Lower(f.postScriptName) == n || Lower(f.fullName) == n) return f;
    return std::nullopt;
  }
  if (family.empty()) return std::nullopt;
  const std::string fam = Lower(family), sty = Lower(style);
  const InstalledFace* regular = nullptr;
  const InstalledFace* first = nullptr;
  for (const InstalledFace& f : index.faces) {
    if (Lower(f.family) != fam) continue;
    if (!sty.empty() && Lower(f.style) == sty) return f;
    if (first == nullptr) first = &f;
    if (regular == nullptr && IsRegularStyle(f.style)) regular = &f;
  }
  if (regular != nullptr) return *regular;
  if (first != nullptr) return *first;
  return std::nullopt;
}

std::optional<InstalledFace> FileFace(const std::string& path) {
  const cgx::SfntFile file(path);
  cgx::SfntFace face;
  if (!file.isOpen() || !cgx::SfntReadFace(file, 0, face)) return std::nullopt;
  return InstalledFace{path, 0, face.family, face.style, face.postScriptName, face.fullName};
}

std::string Text(CFTypeRef string) {
  if (string == nullptr || CFGetTypeID(string) != CFStringGetTypeID()) return std::string();
  const auto s = static_cast<CFStringRef>(string);
  if (const char* p = CFStringGetCStringPtr(s, kCFStringEncodingUTF8)) return p;
  return std::string();
}

CFStringRef NewText(const std::string& text) {
  if (text.empty()) return nullptr;
  return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                                 static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
}

}  // namespace ctx
