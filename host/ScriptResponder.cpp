#include "host/ScriptResponder.h"

#include "host/MessageText.h"

#include <AppKit/NSMenu.h>

#include <cstdio>

namespace orbexhost {

namespace {

// An item as a list shows it: its quoted title, a separator as '-'.
std::string ItemText(NSMenuItem* item) {
  if (item->isSeparatorItem()) return "-";
  return Quote(item->title() != nullptr ? item->title()->utf8() : std::string());
}

// The items of menu as "0 'Undo', 1 -, 2 'Scale' >" (separators as '-', a
// submenu marked '>').
std::string ItemList(NSMenu* menu) {
  std::string list;
  int index = 0;
  for (NSMenuItem* item : menu->items()) {
    if (index > 0) list += ", ";
    list += std::to_string(index++);
    list += ' ';
    list += ItemText(item);
    if (item->hasSubmenu()) list += " >";
  }
  return list.empty() ? "none" : list;
}

// Why path does not lead to an item of menu; empty when it does.
std::string PathProblem(NSMenu* menu, const std::vector<int>& path, std::string where) {
  for (size_t i = 0; i < path.size(); ++i) {
    NSMenuItem* item = menu->itemAtIndex(path[i]);
    if (item == nullptr)
      return where + " has no item " + std::to_string(path[i]) + " (its items: " + ItemList(menu) + ")";
    if (i + 1 == path.size()) break;
    where = "item " + std::to_string(path[i]) + " " + ItemText(item) + " of " + where;
    if (!item->hasSubmenu()) return where + " has no submenu";
    where = "the submenu of " + where;
    menu = item->submenu();
  }
  return {};
}

// "the save panel that line N opened"
std::string PanelName(const nsx::FilePanelRequest& request, int line) {
  return std::string(request.save ? "the save panel" : "the open panel") + " that line " + std::to_string(line) +
         " opened";
}

}  // namespace

void ScriptResponder::ChooseMenuPath(const std::vector<int>& path, int line) {
  chooseMenuPath(path);
  mMenus.push_back({line, path});
}

void ScriptResponder::DismissMenu() {
  dismissMenu();
  mMenus.push_back({});
}

void ScriptResponder::AnswerPanel(Panel answer, const std::string& path, int line) {
  if (answer == Panel::kOpen) answerOpen(path);
  else if (answer == Panel::kSave) answerSave(path);
  else cancelPanel();
  mPanels.push_back({line, answer});
}

void ScriptResponder::Miss(int line, const std::string& what) {
  if (mMissedLine != 0 || what.empty()) return;
  mMissedLine = line;
  mMissed = what;
}

NSMenuItem* ScriptResponder::popUpMenu(const nsx::MenuRequest& request) {
  if (!mMenus.empty()) {
    const MenuAnswer a = mMenus.front();
    mMenus.pop_front();
    if (!a.path.empty() && request.menu != nullptr)
      Miss(a.line, PathProblem(request.menu, a.path, "the menu that line " + std::to_string(mPlayingLine) + " opened"));
  }
  return ScriptedResponder::popUpMenu(request);
}

nsx::FilePanelAnswer ScriptResponder::runFilePanel(const nsx::FilePanelRequest& request) {
  mPanelLine = 0;
  if (!mPanels.empty()) {
    const PanelAnswer a = mPanels.front();
    mPanels.pop_front();
    mPanelLine = a.line;
    if (a.answer != Panel::kCancel && (a.answer == Panel::kSave) != request.save)
      Miss(a.line, PanelName(request, mPlayingLine) + " was given " +
                       (request.save ? "an open answer; it takes save PATH" : "a save answer; it takes open PATH"));
  }
  return ScriptedResponder::runFilePanel(request);
}

void ScriptResponder::filePanelRefused(const nsx::FilePanelRequest& request, const nsx::FilePanelAnswer& answer,
                                       const std::string& why) {
  if (mPanelLine != 0)
    Miss(mPanelLine, PanelName(request, mPlayingLine) + " does not take " + QuotePath(answer.path) + ": " + why);
}

void ScriptResponder::saveRefused(const std::string& path, const std::string& why) {
  Miss(mPlayingLine, "the editor may not save " + QuotePath(path) + ": " + why);
}

int ScriptResponder::runAlert(const nsx::AlertRequest& request) {
  const char* button = request.buttons.empty() ? "OK" : request.buttons.front().c_str();
  std::fprintf(stderr, "orbex9-host: message box \"%s\" (answered %s): %s\n", request.title.c_str(), button,
               request.message.c_str());
  std::fflush(stderr);
  return 0;
}

bool ScriptResponder::openDocument(const nsx::OpenRequest& request) {
  std::fprintf(stderr, "orbex9-host: asked to open \"%s\" (nothing is opened without a window)\n",
               request.target.c_str());
  std::fflush(stderr);
  return ScriptedResponder::openDocument(request);
}

}  // namespace orbexhost
