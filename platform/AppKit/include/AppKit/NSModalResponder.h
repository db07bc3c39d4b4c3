// Who answers the modal interface (pop-up menus, file panels, alerts) and
// the colour panel. A program installs a responder (tests and scripted
// hosts use nsx::ScriptedResponder); without one, a desktop window being
// shown lets the person answer in it (NSDesktop.h); otherwise the answer is
// the unattended one: a menu is dismissed, a file panel cancelled, an alert
// answered with its "Cancel" button (its first button when it has none),
// the colour panel left as it is, a document to open left unopened. Nothing
// waits for a person unless a desktop window is shown. Main thread only.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include <AppKit/NSView.h>

class NSMenu;
class NSMenuItem;

namespace nsx {

struct MenuRequest {
  NSMenu* menu;           // the menu shown (its items and submenus)
  NSView* view;           // may be null
  NSPoint locationInView; // where it opens (screen coordinates without a view)
};

struct FilePanelRequest {
  bool save = false;
  std::string title;
  std::string directory;                  // start folder ("" : the current one)
  std::string fileName;                   // proposed name (save panels)
  std::vector<std::string> allowedTypes;  // file extensions; empty: any
  bool allowsOtherFileTypes = false;
  bool canChooseFiles = true;
  bool canChooseDirectories = false;
  bool canCreateDirectories = false;
};

struct FilePanelAnswer {
  bool ok = false;
  std::string path;  // absolute
};

struct AlertRequest {
  std::string title;
  std::string message;
  std::vector<std::string> buttons;  // the first is the default button
};

struct Color {
  double red = 0, green = 0, blue = 0, alpha = 1;
};

// What the workspace was asked to open (NSWorkspace.h).
struct OpenRequest {
  std::string target;  // a web address, or a path
  bool path = false;   // target is the path of a file or folder
};

class ModalResponder {
 public:
  virtual ~ModalResponder() = default;
  // The chosen item (of the menu or its submenus), or null to dismiss.
  virtual NSMenuItem* popUpMenu(const MenuRequest& request) = 0;
  virtual FilePanelAnswer runFilePanel(const FilePanelRequest& request) = 0;
  // The panel did not take the answer runFilePanel gave (it counts as
  // cancelled); why says what it lacks ("it is a folder").
  virtual void filePanelRefused(const FilePanelRequest&, const FilePanelAnswer&, const std::string& /*why*/) {}
  // A save at path that the program named itself, without a panel, was
  // refused (nsx::CheckSave); why is the sentence the program shows.
  virtual void saveRefused(const std::string& /*path*/, const std::string& /*why*/) {}
  // The index of the pressed button.
  virtual int runAlert(const AlertRequest& request) = 0;
  // The colour panel was ordered front showing current: the colours the
  // person picks, in order (each sets the panel's colour and sends its
  // action); none leaves it as it is.
  virtual std::vector<Color> colorPanelShown(const Color& current) = 0;
  // The workspace was asked to open something: true when it was opened (or
  // stands answered). With no one to answer, nothing is opened: false.
  virtual bool openDocument(const OpenRequest&) { return false; }
};

// The installed responder (not owned; null removes it).
void SetModalResponder(ModalResponder* responder);
ModalResponder* InstalledModalResponder();
// The responder that answers now: the installed one, else the desktop's
// while a desktop window is shown, else the unattended one. Never null.
ModalResponder& ActiveModalResponder();
// The layer's desktop installs its responder here (null removes it).
void SetDesktopModalResponder(ModalResponder* responder);

// Answers scripted in advance, each used once in order by the next request
// of its kind; a request with no answer left gets the unattended answer.
// Every request is logged.
class ScriptedResponder : public ModalResponder {
 public:
  // Menus: the item at index of the top menu, or at a path of indices
  // through submenus (items counted from 0, separators included).
  void chooseMenuItem(int index) { chooseMenuPath({index}); }
  void chooseMenuPath(std::vector<int> path);
  // The item with that title anywhere in the menu (depth first).
  void chooseMenuTitle(const std::string& title);
  void dismissMenu();
  // File panels: open (or choose a folder at) path, save to path, cancel.
  void answerOpen(const std::string& path);
  void answerSave(const std::string& path);
  void cancelPanel();
  // Alerts: the button at index, or the button with that title.
  void pressAlertButton(int index);
  void pressAlertButtonTitled(const std::string& title);
  void pickColor(const Color& color);

  // Answers not used yet, of every kind.
  size_t pending() const { return menus_.size() + panels_.size() + alerts_.size() + colors_.size(); }
  // One line per request, oldest first: "menu <titles separated by |>",
  // "open <dir> [types]", "save <dir> <name> [types]", "alert <title>: <message> [buttons]",
  // "color r g b a", "document <target>".
  const std::vector<std::string>& log() const { return log_; }

  NSMenuItem* popUpMenu(const MenuRequest& request) override;
  FilePanelAnswer runFilePanel(const FilePanelRequest& request) override;
  int runAlert(const AlertRequest& request) override;
  std::vector<Color> colorPanelShown(const Color& current) override;
  // Logged and taken as opened: nothing is.
  bool openDocument(const OpenRequest& request) override;

 private:
  struct MenuAnswer {
    bool dismiss = false;
    std::vector<int> path;
    std::string title;
  };
  struct PanelAnswer {
    int kind = 0;  // 0 cancel, 1 open, 2 save
    std::string path;
  };
  struct AlertAnswer {
    int index = -1;
    std::string title;
  };
  std::deque<MenuAnswer> menus_;
  std::deque<PanelAnswer> panels_;
  std::deque<AlertAnswer> alerts_;
  std::deque<Color> colors_;
  std::vector<std::string> log_;
};

// The unattended answers.
int UnattendedAlertButton(const AlertRequest& request);

}  // namespace nsx
