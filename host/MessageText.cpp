#include "host/MessageText.h"

#include <cstdio>

namespace orbexhost {

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// text with its control characters as escapes (\n, \r, \t, \xHH), and its
// backslashes doubled when withBackslash.
std::string Escape(const std::string& text, bool withBackslash) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (u < 0x20 || u == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      out += hex;
    } else if (c == '\\' && withBackslash) out += "\\\\";
    else out += c;
  }
  return out;
}

// text between quotes, escaped, with a mark of what was cut off before or
// after it.
std::string Quoted(const std::string& text, const char* before, const char* after) {
  std::string out = "'";
  out += before;
  out += Escaped(text);
  out += after;
  out += '\'';
  return out;
}

}  // namespace

std::string Escaped(const std::string& text) { return Escape(text, true); }

std::string Quote(const std::string& text) {
  if (text.size() <= kEchoBytes) return Quoted(text, "", "");
  size_t cut = kEchoBytes;
  while (cut > 0 && IsContinuation(text[cut])) --cut;  // never split a UTF-8 character
  return Quoted(text.substr(0, cut), "", "...");
}

std::string QuotePath(const std::string& path) {
  if (path.size() <= kPathEchoBytes) return Quoted(path, "", "");
  size_t from = path.size() - kPathEchoBytes;
  while (from < path.size() && IsContinuation(path[from])) ++from;
  return Quoted(path.substr(from), "...", "");
}

std::string TrimBlanks(const std::string& text) {
  static const char* const kBlanks = " \t\n\r\f\v";
  const size_t b = text.find_first_not_of(kBlanks);
  if (b == std::string::npos) return {};
  return text.substr(b, text.find_last_not_of(kBlanks) - b + 1);
}

int Fail(int code, const std::string& message) {
  // Whatever text reaches a message unquoted, it stays one line.
  std::fprintf(stderr, "orbex9-host: %s\n", Escape(message, false).c_str());
  return code;
}

}  // namespace orbexhost
