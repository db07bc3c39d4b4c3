#pragma once
// The editor command's event script: one event per line, blank lines and
// lines starting with '#' skipped. Coordinates are in editor units (the
// editor at scale 1); a line's coordinates are turned into the view's points
// with the scale the editor has when the line starts. Parsing touches no
// file; a bad line gives one message naming its line. Any thread.

#include <cstdint>
#include <string>
#include <vector>

namespace orbexhost {

// Modifiers of pointer and key events; kRight makes the pointer events
// those of the right button.
enum ScriptModifier : unsigned {
  kModShift = 1u << 0,
  kModCtrl = 1u << 1,
  kModAlt = 1u << 2,
  kModCmd = 1u << 3,
  kModRight = 1u << 4
};

// Keys named in `key` lines; kCharacter is a key that types `character`.
enum class ScriptKey { kCharacter, kReturn, kEscape, kTab, kBackspace, kDelete, kLeft, kRight, kUp, kDown, kHome, kEnd,
                       kSpace };

struct ScriptEvent {
  enum class Kind {
    kMove,         // move X Y
    kDown,         // down X Y [MODS]
    kUp,           // up X Y [MODS]
    kClick,        // click X Y [MODS]
    kDoubleClick,  // dblclick X Y [MODS]
    kDrag,         // drag X1 Y1 X2 Y2 [MODS]
    kWheel,        // wheel X Y DELTA [MODS]
    kKey,          // key NAME [MODS]
    kType,         // type TEXT
    kMenu,         // menu N [M ...]: the item path of the next menu
    kMenuNone,     // menu none
    kOpen,         // open PATH
    kSave,         // save PATH
    kCancel,       // cancel
    kWait,         // wait MS
    kPng           // png FILE
  };
  Kind kind = Kind::kMove;
  int line = 0;
  double x = 0, y = 0, x2 = 0, y2 = 0;
  double amount = 0;       // wheel: lines (positive turns away from the person); wait: milliseconds
  unsigned modifiers = 0;  // ScriptModifier bits
  ScriptKey key = ScriptKey::kCharacter;
  char32_t character = 0;  // key: the character its key types
  std::string text;        // type: the text; open, save, png: the path as written
  std::u32string typed;    // type: the text's characters
  std::vector<int> path;   // menu: item indices from the top menu down
};

struct EditorScript {
  std::string name;  // the file's name as given, "-" for standard input
  std::vector<ScriptEvent> events;
};

// Longest wait of one line, in milliseconds.
constexpr double kMaxScriptWaitMs = 600000.0;
// Farthest a point may lie from the editor's origin, in editor units (a
// hundred editors' widths: room for any drag past the window), and the most
// lines of one turn of the wheel.
constexpr double kMaxScriptCoordinate = 100000.0;
constexpr double kMaxScriptWheelLines = 1000.0;

// Parses a script's text. False with "NAME line N: what is wrong".
bool ParseEditorScript(const std::string& text, const std::string& name, EditorScript& script, std::string& error);

// Reads and parses the script at path ("-": standard input). False with a
// one-line message.
bool ReadEditorScript(const std::string& path, EditorScript& script, std::string& error);

// The script's own message for a line: "NAME line N: message".
std::string ScriptLineError(const EditorScript& script, int line, const std::string& message);

}  // namespace orbexhost
