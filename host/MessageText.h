#pragma once
// What the host's one-line messages and reports echo of the user's input:
// quoted, with control characters shown as escapes (\n, \t, \x01; a
// backslash as \\) so a line stays one line, and cut to a sensible length.
// Any thread.

#include <cstddef>
#include <string>

namespace orbexhost {

// Longest echo of a name or value, and of a path (whose end, the file's
// name, is what it keeps).
constexpr size_t kEchoBytes = 64;
constexpr size_t kPathEchoBytes = 256;

// text with its control characters and backslashes escaped, not quoted and
// not cut.
std::string Escaped(const std::string& text);
// 'text', its first kEchoBytes bytes followed by "..." when longer.
std::string Quote(const std::string& text);
// 'path', "..." and its last kPathEchoBytes bytes when longer.
std::string QuotePath(const std::string& path);

// Prints "orbex9-host: message" as one line on stderr (control characters
// that reach it unquoted escaped too); returns code (a command's exit code).
int Fail(int code, const std::string& message);

// text without the blanks (spaces, tabs, line ends) around it.
std::string TrimBlanks(const std::string& text);

}  // namespace orbexhost
