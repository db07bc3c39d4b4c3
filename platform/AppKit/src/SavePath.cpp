// The name typed into a save panel, taken as desktop panels take it.
#include <AppKit/NSPanel.h>
#include <Foundation/NSPathUtilities.h>

#include <climits>
#include <filesystem>

namespace nsx {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

SavePath ResolveSavePath(const std::string& folder, const std::string& typed) {
  namespace fs = std::filesystem;
  SavePath out;
  if (typed.empty()) {
    out.problem = "Type a name for the file.";
    return out;
  }
  if (typed.find('\0') != std::string::npos) {
    out.problem = "A file name cannot hold a null character.";
    return out;
  }
  std::string text = typed;
  if (text == "~" || text.rfind("~/", 0) == 0) text = NSHomeDirectory() + text.substr(1);
  std::error_code ec;
  fs::path path(text);
  if (path.is_relative()) path = fs::path(folder.empty() ? fs::current_path(ec).string() : folder) / path;
  path = path.lexically_normal();
  // "a/", "a/." and "a/b/.." name folders.
  const bool namesFolder = !path.has_filename();
  if (namesFolder && path.has_parent_path()) path = path.parent_path();
  out.path = path.string();
  if (out.path.size() >= PATH_MAX) {
    out.problem = "The path is too long.";
    return out;
  }
  if (fs::is_directory(path, ec)) {
    out.folder = true;
    return out;
  }
  if (namesFolder) {
    out.problem = "There is no folder " + Quoted(out.path) + ".";
    return out;
  }
  const std::string name = path.filename().string();
  if (name.size() > NAME_MAX) {
    out.problem = "The name is too long (at most " + std::to_string(NAME_MAX) + " bytes).";
    return out;
  }
  const fs::path parent = path.parent_path();
  const auto status = fs::status(parent, ec);
  if (!fs::exists(status))
    out.problem = "There is no folder " + Quoted(parent.string()) + ".";
  else if (!fs::is_directory(status))
    out.problem = Quoted(parent.string()) + " is not a folder.";
  return out;
}

}  // namespace nsx
