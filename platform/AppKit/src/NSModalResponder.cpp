#include <cstdio>

#include <AppKit/NSMenu.h>
#include <AppKit/NSModalResponder.h>

namespace nsx {
namespace {

// Answers for no one: dismiss, cancel, the Cancel button.
class Unattended final : public ModalResponder {
 public:
  NSMenuItem* popUpMenu(const MenuRequest&) override { return nullptr; }
  FilePanelAnswer runFilePanel(const FilePanelRequest&) override { return {}; }
  int runAlert(const AlertRequest& request) override { return UnattendedAlertButton(request); }
  std::vector<Color> colorPanelShown(const Color&) override { return {}; }
};

ModalResponder* g_installed = nullptr;
ModalResponder* g_desktop = nullptr;

NSMenuItem* ItemAtPath(NSMenu* menu, const std::vector<int>& path) {
  NSMenuItem* item = nullptr;
  for (size_t i = 0; i < path.size(); ++i) {
    if (menu == nullptr) return nullptr;
    item = menu->itemAtIndex(path[i]);
    if (item == nullptr) return nullptr;
    menu = item->submenu();
  }
  return item;
}

NSMenuItem* ItemTitled(NSMenu* menu, const std::string& title) {
  if (menu == nullptr) return nullptr;
  for (NSMenuItem* item : menu->items()) {
    if (!item->hasSubmenu() && item->title()->utf8() == title) return item;
    if (NSMenuItem* inner = ItemTitled(item->submenu(), title)) return inner;
  }
  return nullptr;
}

std::string Titles(NSMenu* menu) {
  std::string out;
  for (NSMenuItem* item : menu->items()) {
    if (!out.empty()) out += "|";
    out += item->isSeparatorItem() ? std::string("-") : item->title()->utf8();
    if (item->hasSubmenu()) out += ">{" + Titles(item->submenu()) + "}";
  }
  return out;
}

std::string Types(const std::vector<std::string>& types) {
  std::string out = "[";
  for (size_t i = 0; i < types.size(); ++i) out += (i ? " " : "") + types[i];
  return out + "]";
}

}  // namespace

void SetModalResponder(ModalResponder* responder) { g_installed = responder; }
ModalResponder* InstalledModalResponder() { return g_installed; }
void SetDesktopModalResponder(ModalResponder* responder) { g_desktop = responder; }

ModalResponder& ActiveModalResponder() {
  static Unattended unattended;
  if (g_installed != nullptr) return *g_installed;
  if (g_desktop != nullptr) return *g_desktop;
  return unattended;
}

int UnattendedAlertButton(const AlertRequest& request) {
  for (size_t i = 0; i < request.buttons.size(); ++i)
    if (request.buttons[i] == "Cancel") return static_cast<int>(i);
  return 0;
}

void ScriptedResponder::chooseMenuPath(std::vector<int> path) { menus_.push_back(MenuAnswer{false, std::move(path), {}}); }
void ScriptedResponder::chooseMenuTitle(const std::string& title) { menus_.push_back(MenuAnswer{false, {}, title}); }
void ScriptedResponder::dismissMenu() { menus_.push_back(MenuAnswer{true, {}, {}}); }
void ScriptedResponder::answerOpen(const std::string& path) { panels_.push_back(PanelAnswer{1, path}); }
void ScriptedResponder::answerSave(const std::string& path) { panels_.push_back(PanelAnswer{2, path}); }
void ScriptedResponder::cancelPanel() { panels_.push_back(PanelAnswer{0, {}}); }
void ScriptedResponder::pressAlertButton(int index) { alerts_.push_back(AlertAnswer{index, {}}); }
void ScriptedResponder::pressAlertButtonTitled(const std::string& title) { alerts_.push_back(AlertAnswer{-1, title}); }
void ScriptedResponder::pickColor(const Color& color) { colors_.push_back(color); }

NSMenuItem* ScriptedResponder::popUpMenu(const MenuRequest& request) {
  log_.push_back("menu " + (request.menu != nullptr ? Titles(request.menu) : std::string()));
  if (menus_.empty()) return nullptr;
  const MenuAnswer a = menus_.front();
  menus_.pop_front();
  if (a.dismiss) return nullptr;
  return a.title.empty() ? ItemAtPath(request.menu, a.path) : ItemTitled(request.menu, a.title);
}

FilePanelAnswer ScriptedResponder::runFilePanel(const FilePanelRequest& request) {
  log_.push_back(request.save ? "save " + request.directory + " " + request.fileName + " " + Types(request.allowedTypes)
                              : "open " + request.directory + " " + Types(request.allowedTypes));
  if (panels_.empty()) return {};
  const PanelAnswer a = panels_.front();
  panels_.pop_front();
  // An answer of the other kind (open for a save panel) cancels.
  if (a.kind == 0 || (a.kind == 2) != request.save) return {};
  return FilePanelAnswer{true, a.path};
}

int ScriptedResponder::runAlert(const AlertRequest& request) {
  std::string buttons;
  for (const auto& b : request.buttons) buttons += (buttons.empty() ? "" : "|") + b;
  log_.push_back("alert " + request.title + ": " + request.message + " [" + buttons + "]");
  if (alerts_.empty()) return UnattendedAlertButton(request);
  const AlertAnswer a = alerts_.front();
  alerts_.pop_front();
  if (!a.title.empty()) {
    for (size_t i = 0; i < request.buttons.size(); ++i)
      if (request.buttons[i] == a.title) return static_cast<int>(i);
    return UnattendedAlertButton(request);
  }
  return a.index >= 0 && a.index < static_cast<int>(request.buttons.size()) ? a.index : UnattendedAlertButton(request);
}

std::vector<Color> ScriptedResponder::colorPanelShown(const Color& current) {
  char line[96];
  std::snprintf(line, sizeof line, "color %.3f %.3f %.3f %.3f", current.red, current.green, current.blue, current.alpha);
  log_.push_back(line);
  std::vector<Color> picked(colors_.begin(), colors_.end());
  colors_.clear();
  return picked;
}

bool ScriptedResponder::openDocument(const OpenRequest& request) {
  log_.push_back("document " + request.target);
  return true;
}

}  // namespace nsx
