#pragma once
// The answers an editor script gives the next menus and file panels in
// advance (the layer's scripted responder), each menu answer checked
// against the menu it meets: an item the menu, or a submenu on the way,
// does not have is kept with the script line that gave it and the items
// there are, so the script can be refused with them. A file panel's answer
// that the panel does not take (a folder to open, a file of another type, an
// open answer to a save panel) is kept the same way with the panel's reason,
// and so is a save the editor was refused at a place it names itself ("Save
// as default" over a file the run uses), with the line being played.
// A message box, which no line answers, is printed on standard error (its
// title and text) and answered with its default button, so what the person
// would have been told shows in the run's output; so is a web address or a
// path the editor asks to open (nothing is opened). Main thread only.

#include <AppKit/NSModalResponder.h>

#include <deque>
#include <string>
#include <vector>

namespace orbexhost {

class ScriptResponder : public nsx::ScriptedResponder {
public:
  // The next menu chooses the item at path (given on the script's line), or
  // is dismissed.
  void ChooseMenuPath(const std::vector<int>& path, int line);
  void DismissMenu();
  // The next file panel opens or saves path, or is cancelled.
  enum class Panel { kOpen, kSave, kCancel };
  void AnswerPanel(Panel answer, const std::string& path, int line);
  // The script line being played: the one that opens the next menus.
  void SetPlayingLine(int line) { mPlayingLine = line; }

  // The line of the first menu or panel answer that did not fit its menu or
  // panel, or of the refused save (0: none so far), and what did not fit:
  // the items there are, or why the panel or the save was refused.
  int MissedLine() const { return mMissedLine; }
  const std::string& Missed() const { return mMissed; }

  NSMenuItem* popUpMenu(const nsx::MenuRequest& request) override;
  nsx::FilePanelAnswer runFilePanel(const nsx::FilePanelRequest& request) override;
  void filePanelRefused(const nsx::FilePanelRequest& request, const nsx::FilePanelAnswer& answer,
                        const std::string& why) override;
  void saveRefused(const std::string& path, const std::string& why) override;
  int runAlert(const nsx::AlertRequest& request) override;
  bool openDocument(const nsx::OpenRequest& request) override;

private:
  struct MenuAnswer {
    int line = 0;
    std::vector<int> path;  // empty: dismissed
  };
  struct PanelAnswer {
    int line = 0;
    Panel answer = Panel::kCancel;
  };
  void Miss(int line, const std::string& what);

  std::deque<MenuAnswer> mMenus;    // in step with the base's menu answers
  std::deque<PanelAnswer> mPanels;  // in step with the base's panel answers
  int mPanelLine = 0;               // the line whose answer the panel being answered was given
  int mPlayingLine = 0;
  int mMissedLine = 0;
  std::string mMissed;
};

}  // namespace orbexhost
