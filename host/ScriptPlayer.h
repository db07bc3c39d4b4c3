#pragma once
// Plays an editor script on an open editor as a person would use it: the
// pointer, wheel and keys through the editor's window, the answers of the
// next menus and file panels given in advance (ScriptResponder, installed
// while the player lives; it also prints message boxes), waits on the main run
// loop's clock and pictures of the editor taken as PNG. Each line's
// effect is complete before the next line runs. Main thread only.

#include "host/EditorScript.h"
#include "host/ScriptResponder.h"

#include <string>

namespace orbexhost {

class EditorView;
class PictureFiles;

// What a script needs of the files it names, found before it runs: a file
// to open must exist, the folder of a file to save must exist, a picture
// must be writable. False with the exit code and a message naming the line.
bool CheckScriptFiles(const EditorScript& script, int& code, std::string& error);

class ScriptPlayer {
public:
  // The script's pictures go to pictures (put in place once the whole run
  // succeeds).
  ScriptPlayer(EditorView& view, PictureFiles& pictures);
  ~ScriptPlayer();
  ScriptPlayer(const ScriptPlayer&) = delete;
  ScriptPlayer& operator=(const ScriptPlayer&) = delete;

  // Plays every line in order. False with the exit code and a message
  // naming the line that failed (a menu answer that does not fit the menu
  // it meets fails with its own line and the menu's items, a file panel
  // answer the panel does not take with its own line and the panel's
  // reason, exit code 2).
  bool Play(const EditorScript& script, int& code, std::string& error);
  // Menu and panel answers given but not asked for.
  size_t UnusedAnswers() const { return mResponder.pending(); }

private:
  bool PlayEvent(const ScriptEvent& e, int& code, std::string& why);
  void Button(bool down, const ScriptEvent& e, double x, double y, double scale, int clickCount);
  // Where a pointer event for the script's point (x, y) goes, in editor
  // units: the point itself while no button is held; while one is, the
  // hand's movement since the previous point, from where the pointer is now
  // (an editor that holds a hidden pointer puts it back after each event).
  // The hand's movement since the previous point goes to (dx, dy).
  void Hand(double x, double y, double scale, double& px, double& py);
  void Hand(double x, double y, double scale, double& px, double& py, double& dx, double& dy);
  void Key(const ScriptEvent& e);
  void TypeCharacter(char32_t c, unsigned modifiers);

  EditorView& mView;
  PictureFiles& mPictures;
  ScriptResponder mResponder;
  bool mLeftDown = false, mRightDown = false;
  double mLastX = 0, mLastY = 0;  // the script's previous pointer point
};

}  // namespace orbexhost
