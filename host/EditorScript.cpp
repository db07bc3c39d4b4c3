#include "host/EditorScript.h"

#include "host/DecimalNumber.h"
#include "host/MessageText.h"
#include "host/Utf8Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orbexhost {

namespace {

using Kind = ScriptEvent::Kind;

// Scripts are small; anything larger is not one.
constexpr size_t kMaxScriptBytes = 16u << 20;
constexpr int kMaxMenuIndex = 9999;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

struct KeyName {
  const char* name;
  ScriptKey key;
};
constexpr KeyName kKeyNames[] = {
    {"return", ScriptKey::kReturn}, {"escape", ScriptKey::kEscape},       {"tab", ScriptKey::kTab},
    {"backspace", ScriptKey::kBackspace}, {"delete", ScriptKey::kDelete}, {"left", ScriptKey::kLeft},
    {"right", ScriptKey::kRight},   {"up", ScriptKey::kUp},               {"down", ScriptKey::kDown},
    {"home", ScriptKey::kHome},     {"end", ScriptKey::kEnd},             {"space", ScriptKey::kSpace},
};

struct EventName {
  const char* name;
  Kind kind;
};
constexpr EventName kEventNames[] = {
    {"move", Kind::kMove},   {"down", Kind::kDown}, {"up", Kind::kUp},     {"click", Kind::kClick},
    {"dblclick", Kind::kDoubleClick}, {"drag", Kind::kDrag}, {"wheel", Kind::kWheel}, {"key", Kind::kKey},
    {"type", Kind::kType},   {"menu", Kind::kMenu}, {"open", Kind::kOpen}, {"save", Kind::kSave},
    {"cancel", Kind::kCancel}, {"wait", Kind::kWait}, {"png", Kind::kPng},
};

// What a path that is not a file is, for a message.
std::string NotAFile(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder";
  if (S_ISFIFO(mode)) return "it is a pipe (give a script that comes through a pipe on standard input: --events -)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
  return "it is not a file";
}

std::string EventNames() {
  std::string names;
  for (const EventName& e : kEventNames) names += (names.empty() ? "" : ", ") + std::string(e.name);
  return names;
}

// One line's parser: its words after the event name, and its message.
class LineParser {
public:
  LineParser(const std::string& event, std::vector<std::string> words, std::string& error)
      : mEvent(event), mWords(std::move(words)), mError(error) {}

  // The next word as a finite number named what.
  bool Number(const char* what, double& out) {
    if (mNext >= mWords.size()) return Fail(mEvent + " needs " + Usage());
    const std::string& w = mWords[mNext++];
    if (!ParseDecimal(w, out)) return Fail(std::string(what) + " of " + mEvent + " is not a number: " + Quote(w));
    return true;
  }
  // The next word as a number named what, from -limit to limit.
  bool Bounded(const char* what, double limit, double& out) {
    if (!Number(what, out)) return false;
    if (std::fabs(out) <= limit) return true;
    char range[64];
    std::snprintf(range, sizeof range, " (-%.0f to %.0f)", limit, limit);
    return Fail(std::string(what) + " of " + mEvent + " is out of range: " + Quote(mWords[mNext - 1]) + range);
  }
  bool Coordinate(const char* what, double& out) { return Bounded(what, kMaxScriptCoordinate, out); }
  bool Point(double& x, double& y) { return Coordinate("X", x) && Coordinate("Y", y); }

  // The remaining words as modifiers.
  bool Modifiers(unsigned& out) {
    out = 0;
    for (; mNext < mWords.size(); ++mNext) {
      const std::string w = Lower(mWords[mNext]);
      if (w == "shift") out |= kModShift;
      else if (w == "ctrl") out |= kModCtrl;
      else if (w == "alt") out |= kModAlt;
      else if (w == "cmd") out |= kModCmd;
      else if (w == "right") out |= kModRight;
      else return Fail("unknown modifier " + Quote(mWords[mNext]) + " (modifiers: shift, ctrl, alt, cmd, right)");
    }
    return true;
  }
  bool End() {
    if (mNext >= mWords.size()) return true;
    return Fail("unexpected " + Quote(mWords[mNext]) + " after " + mEvent + " (" + mEvent + " " + Usage() + ")");
  }
  bool Fail(const std::string& message) {
    mError = message;
    return false;
  }
  const std::vector<std::string>& Words() const { return mWords; }

private:
  std::string Usage() const {
    static const struct {
      const char* event;
      const char* usage;
    } kUsage[] = {{"move", "X Y"},        {"down", "X Y [MODS]"},     {"up", "X Y [MODS]"},
                  {"click", "X Y [MODS]"}, {"dblclick", "X Y [MODS]"}, {"drag", "X1 Y1 X2 Y2 [MODS]"},
                  {"wheel", "X Y DELTA [MODS]"}, {"key", "NAME [MODS]"}, {"wait", "MS"}};
    for (const auto& u : kUsage)
      if (mEvent == u.event) return u.usage;
    return "";
  }

  std::string mEvent;
  std::vector<std::string> mWords;
  std::string& mError;
  size_t mNext = 0;
};

bool ParseKey(LineParser& p, ScriptEvent& e, std::string& error) {
  const auto& words = p.Words();
  if (words.empty()) return p.Fail("key needs NAME [MODS] (a character, or Return, Escape, Tab, Backspace, Delete, "
                                   "Left, Right, Up, Down, Home, End, Space)");
  const std::string& name = words[0];
  std::u32string chars;
  if (DecodeUtf8(name, chars) && chars.size() == 1) {
    e.key = ScriptKey::kCharacter;
    e.character = chars[0];
  } else {
    const std::string want = Lower(name);
    const auto it = std::find_if(std::begin(kKeyNames), std::end(kKeyNames),
                                 [&](const KeyName& k) { return want == k.name; });
    if (it == std::end(kKeyNames))
      return p.Fail("unknown key " + Quote(name) + " (a character, or Return, Escape, Tab, Backspace, Delete, Left, "
                                                    "Right, Up, Down, Home, End, Space)");
    e.key = it->key;
  }
  LineParser mods("key", std::vector<std::string>(words.begin() + 1, words.end()), error);
  return mods.Modifiers(e.modifiers);
}

bool ParseMenu(LineParser& p, ScriptEvent& e) {
  const auto& words = p.Words();
  if (words.size() == 1 && Lower(words[0]) == "none") {
    e.kind = Kind::kMenuNone;
    return true;
  }
  if (words.empty()) return p.Fail("menu needs N (an item of the next menu, counted from 0 with separators) or none");
  for (const std::string& w : words) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(w.c_str(), &end, 10);
    if (end == w.c_str() || *end != '\0' || errno != 0 || n < 0 || n > kMaxMenuIndex)
      return p.Fail("menu item " + Quote(w) + " is not an item number (0 to " + std::to_string(kMaxMenuIndex) +
                    ", or none)");
    e.path.push_back(static_cast<int>(n));
  }
  return true;
}

// The line's text after its first word, without the blanks around it.
std::string RestOfLine(const std::string& line, const std::string& first) {
  const size_t at = line.find(first);
  return TrimBlanks(line.substr(at + first.size()));
}

bool ParseLine(const std::string& line, const std::string& first, ScriptEvent& e, std::string& error) {
  const std::string name = Lower(first);
  const auto it = std::find_if(std::begin(kEventNames), std::end(kEventNames),
                               [&](const EventName& n) { return name == n.name; });
  if (it == std::end(kEventNames)) {
    error = "unknown event " + Quote(first) + " (events: " + EventNames() + ")";
    return false;
  }
  e.kind = it->kind;
  std::vector<std::string> words = Words(line);
  words.erase(words.begin());
  LineParser p(name, words, error);
  switch (e.kind) {
    case Kind::kMove: return p.Point(e.x, e.y) && p.End();
    case Kind::kDown:
    case Kind::kUp:
    case Kind::kClick:
    case Kind::kDoubleClick: return p.Point(e.x, e.y) && p.Modifiers(e.modifiers);
    case Kind::kDrag:
      return p.Point(e.x, e.y) && p.Coordinate("X2", e.x2) && p.Coordinate("Y2", e.y2) && p.Modifiers(e.modifiers);
    case Kind::kWheel:
      return p.Point(e.x, e.y) && p.Bounded("DELTA", kMaxScriptWheelLines, e.amount) && p.Modifiers(e.modifiers);
    case Kind::kKey: return ParseKey(p, e, error);
    case Kind::kMenu: return ParseMenu(p, e);
    case Kind::kCancel: return p.End();
    case Kind::kWait:
      if (!p.Number("MS", e.amount) || !p.End()) return false;
      if (e.amount < 0.0 || e.amount > kMaxScriptWaitMs) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "wait needs milliseconds from 0 to %.0f", kMaxScriptWaitMs);
        return p.Fail(buf);
      }
      return true;
    case Kind::kType:
    case Kind::kOpen:
    case Kind::kSave:
    case Kind::kPng: {
      e.text = RestOfLine(line, first);
      if (e.text.empty()) return p.Fail(name + (e.kind == Kind::kType ? " needs TEXT" : e.kind == Kind::kPng
                                                                                 ? " needs FILE" : " needs PATH"));
      if (e.kind == Kind::kType && !DecodeUtf8(e.text, e.typed)) return p.Fail("type needs UTF-8 text");
      return true;
    }
    case Kind::kMenuNone: break;
  }
  return true;
}

}  // namespace

std::string ScriptLineError(const EditorScript& script, int line, const std::string& message) {
  return QuotePath(script.name) + " line " + std::to_string(line) + ": " + message;
}

bool ParseEditorScript(const std::string& text, const std::string& name, EditorScript& script, std::string& error) {
  script = EditorScript();
  script.name = name;
  // Lines end with LF, CR LF or CR alone; a UTF-8 byte-order mark before the first is no part of it.
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (int number = 1; start < text.size(); ++number) {
    const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    const std::string line = text.substr(start, end - start);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (line.find('\0') != std::string::npos) {
      error = ScriptLineError(script, number, "the script is not text");
      return false;
    }
    const std::vector<std::string> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    ScriptEvent e;
    e.line = number;
    std::string why;
    if (!ParseLine(line, words[0], e, why)) {
      error = ScriptLineError(script, number, why);
      return false;
    }
    script.events.push_back(std::move(e));
  }
  return true;
}

bool ReadEditorScript(const std::string& path, EditorScript& script, std::string& error) {
  const bool standardInput = path == "-";
  const std::string name = standardInput ? "the script on standard input" : "the events file " + QuotePath(path);
  const std::string cannot = "cannot read " + name + ": ";
  int fd = STDIN_FILENO;
  if (!standardInput) {
    // Only a file: a pipe nothing writes into would be waited on for ever, and a device may
    // never end. What comes through a pipe is given on standard input.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
      error = cannot + std::strerror(errno);
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      error = cannot + NotAFile(st.st_mode);
      return false;
    }
    // Not waiting on a pipe put in its place meanwhile.
    fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      error = cannot + std::strerror(errno);
      return false;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      error = cannot + NotAFile(st.st_mode);
      return false;
    }
  }
  // Read no further than one byte past the limit: standard input may never end.
  std::string text;
  char buf[65536];
  int readError = 0;
  while (text.size() <= kMaxScriptBytes) {
    const ssize_t n = read(fd, buf, std::min(sizeof buf, kMaxScriptBytes + 1 - text.size()));
    if (n > 0) {
      text.append(buf, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      readError = n < 0 ? errno : 0;
      break;
    }
  }
  if (!standardInput) close(fd);
  if (readError != 0) {
    error = cannot + std::strerror(readError);
    return false;
  }
  if (text.size() > kMaxScriptBytes) {
    error = name + " is too large for a script (more than " + std::to_string(kMaxScriptBytes >> 20) + " MiB)";
    return false;
  }
  return ParseEditorScript(text, path, script, error);
}

}  // namespace orbexhost
