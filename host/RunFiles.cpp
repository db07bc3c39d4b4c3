#include "host/RunFiles.h"

#include "host/FilePaths.h"
#include "host/MessageText.h"

#include <algorithm>
#include <map>

namespace orbexhost {

void RunFiles::Reads(const std::string& path, const std::string& role, const std::string& family) {
  mFiles.push_back({path, role, family, {}, false});
}

void RunFiles::Writes(const std::string& path, const std::string& role, const std::string& family,
                      const std::string& where) {
  mFiles.push_back({path, role, family, where, true});
}

std::string RunFiles::Clash() const {
  const auto clash = [](const File& a, const File& b) {
    return (a.written || b.written) && (a.family.empty() || a.family != b.family);
  };
  const auto sameKind = [](const File& a, const File& b) { return a.written == b.written && a.family == b.family; };
  // The files by identity, each kind (family, read or written) once: files of one kind clash alike.
  std::map<std::string, std::vector<const File*>> byIdentity;
  for (const File& f : mFiles) {
    if (f.path.empty() || IsSpecialFile(f.path)) continue;
    std::vector<const File*>& same = byIdentity[FileIdentity(f.path)];
    for (const File* e : same) {
      if (!clash(f, *e)) continue;
      const File& w = f.written ? f : *e;
      const File& other = f.written ? *e : f;
      return w.where + "cannot write " + (w.where.empty() ? w.role + " " : "") + QuotePath(w.path) + ": it is " +
             other.role + " itself (" + QuotePath(other.path) + ")";
    }
    if (std::none_of(same.begin(), same.end(), [&](const File* e) { return sameKind(f, *e); })) same.push_back(&f);
  }
  return {};
}

std::string RunFiles::UsedAs(const std::string& path, const std::string& family) const {
  if (path.empty() || IsSpecialFile(path)) return {};
  const std::string identity = FileIdentity(path);
  for (const File& f : mFiles) {
    if (f.path.empty() || (!family.empty() && f.family == family) || IsSpecialFile(f.path)) continue;
    if (FileIdentity(f.path) == identity)
      return std::string("This run ") + (f.written ? "writes" : "reads") + " it as " + f.role + " (" +
             QuotePath(f.path) + ").";
  }
  return {};
}

}  // namespace orbexhost
