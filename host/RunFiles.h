#pragma once
// The files one run of the host reads and writes, checked against each other
// before anything runs: a file written must be no file the run reads (it
// would be replaced under the run, or the run's output would land on its own
// input), and outputs of different kinds must not go to one file. Files are
// compared by identity (FileIdentity: links and other spellings of a name
// count). Files of one family may be one file: a state read and saved back
// over itself, a picture taken again. A device or a pipe is written straight
// into and replaces nothing: it clashes with nothing. A file whose name
// comes only while the run runs is checked against the files read and
// written when it comes (UsedAs). Main thread.

#include <string>
#include <vector>

namespace orbexhost {

class RunFiles {
public:
  // role names the file in messages ("IN", "the picture"); family, when
  // given, lets files of that family share a file.
  void Reads(const std::string& path, const std::string& role, const std::string& family = {});
  // where, when given, starts a message about this file (a script's
  // "'events.txt' line 3: ") in place of its role, which then names it only
  // to UsedAs.
  void Writes(const std::string& path, const std::string& role, const std::string& family = {},
              const std::string& where = {});

  // The first file written that is a file read, or an earlier file written
  // of another family: "cannot write ROLE 'PATH': it is ROLE2 itself
  // ('PATH2')". Empty when there is none.
  std::string Clash() const;
  // For a file the run comes to write while it runs, by a name not known
  // before (a preset the editor's save panel names): the file read or
  // written that path is, files of family left out, as "This run reads it
  // as ROLE ('PATH')." or "This run writes it as ROLE ('PATH')." Empty when
  // there is none.
  std::string UsedAs(const std::string& path, const std::string& family) const;

private:
  struct File {
    std::string path, role, family, where;
    bool written = false;
  };
  std::vector<File> mFiles;
};

}  // namespace orbexhost
