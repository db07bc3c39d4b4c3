#pragma once
// Paths the host reads and writes: folders, symbolic links, whether two
// names lead to one file. Any thread.

#include <string>

namespace orbexhost {

// The folder part of path ("." when it has none, "/" for the root).
std::string FolderOf(const std::string& path);

// The file a path leads to through symbolic links (the path itself when it
// is none); relative link targets count from the link's folder. Empty when
// the links go round in a loop or too deep.
std::string LinkTarget(const std::string& path);

// True when path exists and is neither a regular file nor a folder (a
// device such as /dev/null, a pipe, a socket).
bool IsSpecialFile(const std::string& path);

// What tells the file path leads to from others: its device and inode when
// it exists (so hard links, symbolic links and other spellings of its name
// give the same), otherwise its folder resolved through links and its name.
std::string FileIdentity(const std::string& path);

// True when a and b name the same file (the same FileIdentity).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace orbexhost
