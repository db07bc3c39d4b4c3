// The name typed into a save panel, taken as desktop panels take it, and
// the checks of the file it names.
#include <AppKit/NSPanel.h>
#include <Foundation/NSPathUtilities.h>
#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <filesystem>

namespace nsx {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

SaveCheck& InstalledCheck() {
  static SaveCheck check;
  return check;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool HasTypeOf(const std::string& path, const std::vector<std::string>& types) {
  const std::string name = std::filesystem::path(path).filename().string();
  const size_t dot = name.rfind('.');
  const std::string ext = dot == std::string::npos || dot == 0 ? std::string() : Lower(name.substr(dot + 1));
  for (const auto& t : types)
    if (Lower(t) == ext) return true;
  return false;
}

// Why what is at path (through links) is nothing a file can be saved as; "" when it is a file
// or nothing is there.
std::string NotSavable(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
  if (S_ISDIR(st.st_mode)) return Quoted(path) + " is a folder.";
  if (S_ISFIFO(st.st_mode)) return Quoted(path) + " is a pipe, not a file.";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return Quoted(path) + " is a device, not a file.";
  return Quoted(path) + " is not a file.";
}

// Why no file may be saved at path: what is there, else the installed check's reason.
std::string Refusal(const std::string& path) {
  std::string why = NotSavable(path);
  if (why.empty() && InstalledCheck()) why = InstalledCheck()(path);
  return why;
}

}  // namespace

void SetSaveCheck(SaveCheck check) { InstalledCheck() = std::move(check); }

std::string CheckSave(const std::string& path) {
  const std::string why = Refusal(path);
  if (!why.empty()) ActiveModalResponder().saveRefused(path, why);
  return why;
}

SavePath ResolveSaveAnswer(const FilePanelRequest& request, const std::string& folder, const std::string& typed) {
  SavePath out = ResolveSavePath(folder, typed);
  if (out.folder || !out.problem.empty()) return out;
  if (!request.allowedTypes.empty() && !request.allowsOtherFileTypes && !HasTypeOf(out.path, request.allowedTypes)) {
    const std::string ext = "." + request.allowedTypes.front();
    out.path += ext;
    // The name as it will be written must still fit.
    if (std::filesystem::path(out.path).filename().string().size() > NAME_MAX) {
      out.problem = "The name is too long (at most " + std::to_string(NAME_MAX) + " bytes with " + Quoted(ext) + ").";
      return out;
    }
  }
  out.problem = Refusal(out.path);
  return out;
}

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
