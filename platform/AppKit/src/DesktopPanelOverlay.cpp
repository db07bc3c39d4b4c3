// File panels, alerts and the colour panel drawn in the desktop window, and
// the responder that runs them.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include <AppKit/NSMenu.h>
#include <AppKit/NSPanel.h>
#include <AppKit/NSWorkspace.h>

#include "Desktop.h"

namespace appkit {

NSMenuItem* RunMenuOverlay(const nsx::MenuRequest& request);

namespace {

constexpr double kRow = 20, kFont = 13;
// The colour of a refusal's reason.
constexpr Rgba kRefusal{200, 30, 30, 255};

int Px(double v, double k) { return static_cast<int>(v * k + 0.5); }

struct Box {
  double x, y, w, h;
  bool contains(double px, double py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

void DrawBox(Canvas& c, const Box& b, double k) {
  c.fill(0, 0, c.width(), c.height(), Rgba{0, 0, 0, 40});
  c.fill(Px(b.x + 4, k), Px(b.y + 4, k), Px(b.w, k), Px(b.h, k), kShade);
  c.fill(Px(b.x, k), Px(b.y, k), Px(b.w, k), Px(b.h, k), kPanel);
  c.outline(Px(b.x, k), Px(b.y, k), Px(b.w, k), Px(b.h, k), kEdge);
}

void DrawButton(Canvas& c, const Box& b, const std::string& title, bool isDefault, double k) {
  c.fill(Px(b.x, k), Px(b.y, k), Px(b.w, k), Px(b.h, k), isDefault ? kHighlight : Rgba{255, 255, 255, 255});
  c.outline(Px(b.x, k), Px(b.y, k), Px(b.w, k), Px(b.h, k), kEdge);
  const int size = Px(kFont, k);
  const int tw = Canvas::measure(title, size);
  c.text(title, Px(b.x, k) + (Px(b.w, k) - tw) / 2, Px(b.y + 15, k), size, isDefault ? kOnHighlight : kInk);
}

// Buttons in a row ending at the box's right edge, the first rightmost.
std::vector<Box> ButtonRow(const Box& box, const std::vector<std::string>& titles) {
  std::vector<Box> out;
  double right = box.x + box.w - 12;
  for (const auto& t : titles) {
    const double w = std::max(72.0, Canvas::measure(t, static_cast<int>(kFont)) + 24.0);
    out.push_back(Box{right - w, box.y + box.h - 34, w, 22});
    right -= w + 8;
  }
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void PopLastCharacter(std::string& s) {
  while (!s.empty() && (static_cast<unsigned char>(s.back()) & 0xC0) == 0x80) s.pop_back();
  if (!s.empty()) s.pop_back();
}

class FilePanelOverlay final : public Overlay {
 public:
  explicit FilePanelOverlay(const nsx::FilePanelRequest& r) : request_(r), name_(r.fileName) {
    std::error_code ec;
    std::string dir = r.directory.empty() ? std::filesystem::current_path(ec).string() : r.directory;
    if (!std::filesystem::is_directory(dir, ec)) dir = std::filesystem::current_path(ec).string();
    enter(dir);
  }
  nsx::FilePanelAnswer answer;

  // Where the window cannot give it its full width and a list of four rows (as the window at
  // scale 1 does), the panel has a window of its own at its full size.
  OwnWindow ownWindow(NSSize content) const override {
    if (content.width - 2 * kMargin >= kWidth && content.height - 2 * kMargin >= kLeastHeight) return {};
    return {NSMakeSize(kWidth, kHeight), title()};
  }

  void draw(Canvas& c, double k) override {
    const Box b = box();
    DrawBox(c, b, k);
    const int size = Px(kFont, k);
    c.text(title(), Px(b.x + 12, k), Px(b.y + 22, k), Px(14, k), kInk);
    c.text(dir_, Px(b.x + 12, k), Px(b.y + 42, k), size, kFaint, Px(b.x + b.w - 12, k));
    const Box l = list();
    c.fill(Px(l.x, k), Px(l.y, k), Px(l.w, k), Px(l.h, k), Rgba{255, 255, 255, 255});
    c.outline(Px(l.x, k), Px(l.y, k), Px(l.w, k), Px(l.h, k), kEdge);
    for (int row = 0; row < visibleRows(); ++row) {
      const int i = first_ + row;
      if (i >= static_cast<int>(entries_.size())) break;
      const double y = l.y + 2 + row * kRow;
      if (i == selected_) c.fill(Px(l.x + 1, k), Px(y, k), Px(l.w - 2, k), Px(kRow, k), kHighlight);
      const Entry& e = entries_[i];
      c.text(e.dir ? e.name + "/" : e.name, Px(l.x + 8, k), Px(y + 15, k), size,
             i == selected_ ? kOnHighlight : (e.selectable ? kInk : kFaint), Px(l.x + l.w - 8, k));
    }
    if (request_.save) {
      // Why the name typed cannot be used, just above it.
      if (!problem_.empty())
        c.text(problem_, Px(b.x + 12, k), Px(b.y + b.h - 84, k), size, kRefusal, Px(b.x + b.w - 12, k));
      c.text("Name:", Px(b.x + 12, k), Px(b.y + b.h - 60, k), size, kInk);
      const Box f = nameField();
      c.fill(Px(f.x, k), Px(f.y, k), Px(f.w, k), Px(f.h, k), Rgba{255, 255, 255, 255});
      c.outline(Px(f.x, k), Px(f.y, k), Px(f.w, k), Px(f.h, k), kHighlight);
      // A name longer than the field shows its end, where the caret is.
      const int room = Px(f.w - 10, k);
      size_t from = 0;
      while (from < name_.size() && Canvas::measure(name_.substr(from), size) > room) {
        ++from;
        while (from < name_.size() && (static_cast<unsigned char>(name_[from]) & 0xC0) == 0x80) ++from;
      }
      const int w = c.text(name_.substr(from), Px(f.x + 4, k), Px(f.y + 15, k), size, kInk, Px(f.x + f.w - 4, k));
      c.fill(Px(f.x + 4, k) + w + 1, Px(f.y + 3, k), std::max(1, Px(1, k)), Px(f.h - 6, k), kInk);
    }
    const auto buttons = ButtonRow(b, buttonTitles());
    for (size_t i = 0; i < buttons.size(); ++i) DrawButton(c, buttons[i], buttonTitles()[i], i == 0, k);
  }

  void mouseDown(double x, double y, int clicks) override {
    const auto buttons = ButtonRow(box(), buttonTitles());
    if (buttons[0].contains(x, y)) return confirm();
    if (buttons[1].contains(x, y)) return cancel();
    const Box l = list();
    if (!l.contains(x, y)) return;
    const int i = first_ + static_cast<int>((y - l.y - 2) / kRow);
    if (i < 0 || i >= static_cast<int>(entries_.size())) return;
    select(i);
    if (clicks >= 2) activate(i);
  }

  void wheel(double dy) override { scrollBy(dy > 0 ? -3 : 3); }

  void key(unsigned short code, const std::string& text, NSEventModifierFlags flags) override {
    switch (code) {
      case kVK_Escape: return cancel();
      case kVK_Return: case kVK_ANSI_KeypadEnter:
        if (request_.save && !name_.empty()) return confirm();
        if (selected_ >= 0) return activate(selected_);
        return confirm();
      case kVK_DownArrow: return select(std::min(selected_ + 1, static_cast<int>(entries_.size()) - 1));
      case kVK_UpArrow: return select(std::max(selected_ - 1, 0));
      case kVK_Delete:
        if (request_.save) PopLastCharacter(name_);
        problem_.clear();
        return;
      default: break;
    }
    if (text.empty() || (flags & (NSEventModifierFlagCommand | NSEventModifierFlagControl)) != 0) return;
    if (request_.save) {
      name_ += text;
      problem_.clear();
      return;
    }
    for (size_t i = 0; i < entries_.size(); ++i)  // type to find
      if (Lower(entries_[i].name).rfind(Lower(text), 0) == 0) return select(static_cast<int>(i));
  }

 private:
  struct Entry {
    std::string name;
    bool dir;
    bool selectable;
  };

  std::vector<std::string> buttonTitles() const {
    const bool folders = request_.canChooseDirectories && !request_.canChooseFiles;
    return {request_.save ? "Save" : folders ? "Choose" : "Open", "Cancel"};
  }

  // The panel's full size, the room around it in the window, and the least height it is drawn
  // at there: a list of four rows with the save panel's name below.
  static constexpr double kWidth = 560, kHeight = 420, kMargin = 10;
  static constexpr double kLeastHeight = 52 + 104 + 4 + 4 * kRow;

  std::string title() const { return !request_.title.empty() ? request_.title : request_.save ? "Save" : "Open"; }

  // All of its own window, else centred in the shown window.
  Box box() const {
    const NSSize a = area();
    if (own.width > 0) return Box{0, 0, a.width, a.height};
    const double w = std::min(kWidth, a.width - 2 * kMargin), h = std::min(kHeight, a.height - 2 * kMargin);
    return Box{(a.width - w) / 2, (a.height - h) / 2, w, h};
  }
  Box list() const {
    const Box b = box();
    return Box{b.x + 12, b.y + 52, b.w - 24, b.h - 52 - (request_.save ? 104 : 48)};
  }
  Box nameField() const {
    const Box b = box();
    return Box{b.x + 60, b.y + b.h - 76, b.w - 72, 22};
  }
  int visibleRows() const { return std::max(1, static_cast<int>((list().h - 4) / kRow)); }

  bool typeAllowed(const std::string& name) const {
    if (request_.allowedTypes.empty() || request_.allowsOtherFileTypes) return true;
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : Lower(name.substr(dot + 1));
    for (const auto& t : request_.allowedTypes)
      if (Lower(t) == ext) return true;
    return false;
  }

  void enter(const std::string& dir) {
    std::error_code ec;
    dir_ = std::filesystem::weakly_canonical(dir, ec).string();
    if (ec || dir_.empty()) dir_ = dir;
    entries_.clear();
    if (dir_ != "/") entries_.push_back(Entry{"..", true, true});
    std::vector<Entry> dirs, files;
    for (std::filesystem::directory_iterator it(dir_, std::filesystem::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name.empty() || name[0] == '.') continue;
      std::error_code e2;
      if (it->is_directory(e2)) dirs.push_back(Entry{name, true, true});
      else if (request_.canChooseFiles || request_.save) files.push_back(Entry{name, false, request_.canChooseFiles || request_.save});
    }
    auto byName = [](const Entry& a, const Entry& b) { return Lower(a.name) < Lower(b.name); };
    std::sort(dirs.begin(), dirs.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    for (auto& d : dirs) entries_.push_back(d);
    for (auto& f : files)
      if (request_.save || typeAllowed(f.name)) entries_.push_back(f);
    selected_ = -1;
    first_ = 0;
    problem_.clear();
  }

  void select(int i) {
    if (i < 0 || i >= static_cast<int>(entries_.size())) return;
    selected_ = i;
    if (request_.save && !entries_[i].dir) {
      name_ = entries_[i].name;
      problem_.clear();
    }
    if (i < first_) first_ = i;
    if (i >= first_ + visibleRows()) first_ = i - visibleRows() + 1;
  }

  void scrollBy(int rows) {
    first_ = std::clamp(first_ + rows, 0, std::max(0, static_cast<int>(entries_.size()) - visibleRows()));
  }

  void activate(int i) {
    const Entry e = entries_[i];
    const std::string path = e.name == ".." ? std::filesystem::path(dir_).parent_path().string()
                                            : (std::filesystem::path(dir_) / e.name).string();
    if (e.dir) return enter(path);
    if (!request_.save && e.selectable) finish(path);
    if (request_.save) confirm();
  }

  void confirm() {
    if (request_.save) {
      // A name with "/" is a path; one that names a folder goes there; one that cannot be
      // used stays, with the reason shown.
      if (name_.empty()) return;
      const nsx::SavePath p = nsx::ResolveSaveAnswer(request_, dir_, name_);
      if (p.folder) {
        enter(p.path);
        name_.clear();
      } else if (!p.problem.empty()) {
        problem_ = p.problem;
      } else {
        finish(p.path);
      }
      return;
    }
    if (selected_ >= 0) {
      const Entry& e = entries_[selected_];
      const std::string path = (std::filesystem::path(dir_) / e.name).string();
      if (e.dir && e.name != "..") {
        if (request_.canChooseDirectories) return finish(path);
        return enter(path);
      }
      if (!e.dir && request_.canChooseFiles) return finish(path);
    }
    if (request_.canChooseDirectories) finish(dir_);
  }

  void cancel() { done = true; }
  void finish(const std::string& path) {
    answer = nsx::FilePanelAnswer{true, path};
    done = true;
  }

  nsx::FilePanelRequest request_;
  std::string dir_, name_, problem_;
  std::vector<Entry> entries_;
  int selected_ = -1, first_ = 0;
};

// Words broken into lines no wider than width.
std::vector<std::string> Wrap(const std::string& text, int size, int width) {
  std::vector<std::string> lines;
  std::string line, word;
  auto flushWord = [&] {
    if (word.empty()) return;
    const std::string tried = line.empty() ? word : line + " " + word;
    if (!line.empty() && Canvas::measure(tried, size) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = tried;
    }
    word.clear();
  };
  for (char ch : text) {
    if (ch == '\n') {
      flushWord();
      lines.push_back(line);
      line.clear();
    } else if (ch == ' ') {
      flushWord();
    } else {
      word += ch;
    }
  }
  flushWord();
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// An alert fitted to the window: its text wrapped to the box, the box no
// taller than the window, the text scrolled (wheel, arrows, page keys, a
// click on the bar) where it does not fit, the buttons always shown. Return
// presses the default button, Escape the cancel button (or the only one).
class AlertOverlay final : public Overlay {
 public:
  explicit AlertOverlay(const nsx::AlertRequest& r) : request_(r) {
    if (request_.buttons.empty()) request_.buttons.push_back("OK");
  }
  int pressed = -1;

  void draw(Canvas& c, double k) override {
    const Layout l = layout();
    const Box& b = l.box;
    DrawBox(c, b, k);
    c.text(request_.title, Px(b.x + 16, k), Px(b.y + 22, k), Px(14, k), kInk, Px(b.x + b.w - 12, k));
    const int last = std::min(first_ + l.rows, static_cast<int>(lines_.size()));
    for (int i = first_; i < last; ++i)
      c.text(lines_[i], Px(b.x + 16, k), Px(l.text.y + 13 + kLine * (i - first_), k), Px(kFont, k), kInk,
             Px(l.text.x + l.text.w, k));
    if (l.rows < static_cast<int>(lines_.size())) {
      const Box& t = l.bar;
      c.fill(Px(t.x, k), Px(t.y, k), Px(t.w, k), Px(t.h, k), Rgba{0, 0, 0, 25});
      const double n = static_cast<double>(lines_.size());
      c.fill(Px(t.x, k), Px(t.y + t.h * first_ / n, k), Px(t.w, k), std::max(2, Px(t.h * l.rows / n, k)), kFaint);
    }
    for (size_t i = 0; i < l.buttons.size(); ++i) DrawButton(c, l.buttons[i], request_.buttons[i], i == 0, k);
  }

  void mouseDown(double x, double y, int) override {
    const Layout l = layout();
    for (size_t i = 0; i < l.buttons.size(); ++i)
      if (l.buttons[i].contains(x, y)) return press(static_cast<int>(i));
    if (l.rows < static_cast<int>(lines_.size()) && l.bar.contains(x, y))
      scrollTo(l, first_ + (y < l.bar.y + l.bar.h * first_ / lines_.size() ? -l.rows : l.rows));
  }

  void wheel(double dy) override { scrollTo(layout(), first_ + (dy > 0 ? -3 : 3)); }

  void key(unsigned short code, const std::string&, NSEventModifierFlags) override {
    const Layout l = layout();
    switch (code) {
      case kVK_Return: case kVK_ANSI_KeypadEnter: return press(0);
      case kVK_Escape: return press(cancelButton());
      case kVK_UpArrow: return scrollTo(l, first_ - 1);
      case kVK_DownArrow: return scrollTo(l, first_ + 1);
      case kVK_PageUp: return scrollTo(l, first_ - l.rows);
      case kVK_PageDown: return scrollTo(l, first_ + l.rows);
      case kVK_Home: return scrollTo(l, 0);
      case kVK_End: return scrollTo(l, static_cast<int>(lines_.size()));
      default: break;
    }
  }

 private:
  static constexpr double kLine = 18, kInset = 6, kWidth = 420;
  static constexpr double kHead = 32, kFoot = 42;  // above and below the text

  struct Layout {
    Box box, text, bar;
    int rows;  // lines shown
    std::vector<Box> buttons;
  };

  // The box in the window as it is now; the text is wrapped again when its width changed.
  Layout layout() {
    const NSSize a = ShownContentSize();
    Layout l;
    const double w = std::max(120.0, std::min(kWidth, a.width - 2 * kInset));
    const int textWidth = static_cast<int>(w - 32);
    if (textWidth != wrapWidth_) {
      wrapWidth_ = textWidth;
      lines_ = Wrap(request_.message, static_cast<int>(kFont), textWidth);
    }
    const int n = static_cast<int>(lines_.size());
    const int fit = static_cast<int>((a.height - 2 * kInset - kHead - kFoot) / kLine);
    l.rows = std::max(1, std::min(n, fit));
    const double h = kHead + kLine * l.rows + kFoot;
    l.box = Box{(a.width - w) / 2, std::max(kInset, (a.height - h) / 3), w, h};
    l.text = Box{l.box.x + 16, l.box.y + kHead, w - 32, kLine * l.rows};
    l.bar = Box{l.box.x + w - 12, l.text.y, 6, l.text.h};
    l.buttons = ButtonRow(l.box, request_.buttons);
    first_ = std::clamp(first_, 0, std::max(0, n - l.rows));
    return l;
  }
  void scrollTo(const Layout& l, int first) {
    first_ = std::clamp(first, 0, std::max(0, static_cast<int>(lines_.size()) - l.rows));
  }
  int cancelButton() const {
    for (size_t i = 0; i < request_.buttons.size(); ++i)
      if (request_.buttons[i] == "Cancel") return static_cast<int>(i);
    return request_.buttons.size() == 1 ? 0 : -1;
  }
  void press(int i) {
    if (i < 0) return;
    pressed = i;
    done = true;
  }
  nsx::AlertRequest request_;
  std::vector<std::string> lines_;
  int wrapWidth_ = -1, first_ = 0;
};

// A grid of hues and greys; each click picks a colour, Done closes.
class ColorOverlay final : public Overlay {
 public:
  std::vector<nsx::Color> picks;

  void draw(Canvas& c, double k) override {
    const Box b = box();
    DrawBox(c, b, k);
    c.text("Colours", Px(b.x + 12, k), Px(b.y + 22, k), Px(14, k), kInk);
    for (int row = 0; row < kRows; ++row)
      for (int col = 0; col < kCols; ++col) {
        const Box s = swatch(row, col);
        const nsx::Color v = colorAt(row, col);
        auto u = [](double x) { return static_cast<uint8_t>(x * 255 + 0.5); };
        c.fill(Px(s.x, k), Px(s.y, k), Px(s.w, k), Px(s.h, k), Rgba{u(v.red), u(v.green), u(v.blue), 255});
        c.outline(Px(s.x, k), Px(s.y, k), Px(s.w, k), Px(s.h, k), kEdge);
      }
    DrawButton(c, ButtonRow(b, {"Done"})[0], "Done", true, k);
  }

  void mouseDown(double x, double y, int) override {
    if (ButtonRow(box(), {"Done"})[0].contains(x, y)) {
      done = true;
      return;
    }
    for (int row = 0; row < kRows; ++row)
      for (int col = 0; col < kCols; ++col)
        if (swatch(row, col).contains(x, y)) picks.push_back(colorAt(row, col));
  }

  void key(unsigned short code, const std::string&, NSEventModifierFlags) override {
    if (code == kVK_Escape || code == kVK_Return) done = true;
  }

 private:
  static constexpr int kRows = 5, kCols = 12;
  Box box() const {
    const NSSize a = ShownContentSize();
    const double w = 12 * 26 + 24, h = 5 * 26 + 86;
    return Box{(a.width - w) / 2, std::max(10.0, (a.height - h) / 2), w, h};
  }
  Box swatch(int row, int col) const {
    const Box b = box();
    return Box{b.x + 12 + col * 26, b.y + 36 + row * 26, 24, 24};
  }
  static nsx::Color colorAt(int row, int col) {
    if (row == kRows - 1) {
      const double g = col / double(kCols - 1);
      return {g, g, g, 1};
    }
    const double h = col / double(kCols) * 6, light = 0.25 + row * 0.2;
    const double x = 1 - std::abs(std::fmod(h, 2.0) - 1);
    double r = 0, g = 0, bl = 0;
    switch (static_cast<int>(h)) {
      case 0: r = 1, g = x; break;
      case 1: r = x, g = 1; break;
      case 2: g = 1, bl = x; break;
      case 3: g = x, bl = 1; break;
      case 4: r = x, bl = 1; break;
      default: r = 1, bl = x; break;
    }
    auto tone = [&](double v) { return light < 0.5 ? v * light * 2 : v + (1 - v) * (light - 0.5) * 2; };
    return {tone(r), tone(g), tone(bl), 1};
  }
};

class Responder final : public nsx::ModalResponder {
 public:
  NSMenuItem* popUpMenu(const nsx::MenuRequest& request) override { return RunMenuOverlay(request); }
  nsx::FilePanelAnswer runFilePanel(const nsx::FilePanelRequest& request) override {
    FilePanelOverlay overlay(request);
    return RunOverlay(overlay) ? overlay.answer : nsx::FilePanelAnswer{};
  }
  int runAlert(const nsx::AlertRequest& request) override {
    AlertOverlay overlay(request);
    if (!RunOverlay(overlay) || overlay.pressed < 0) return nsx::UnattendedAlertButton(request);
    return overlay.pressed;
  }
  std::vector<nsx::Color> colorPanelShown(const nsx::Color&) override {
    ColorOverlay overlay;
    return RunOverlay(overlay) ? overlay.picks : std::vector<nsx::Color>{};
  }
  // The desktop's opener opens it; where nothing can, the person is told why.
  bool openDocument(const nsx::OpenRequest& request) override {
    const std::string problem = nsx::OpenWithDesktopOpener(request);
    if (problem.empty()) return true;
    runAlert(nsx::AlertRequest{"Cannot open", problem, {"OK"}});
    return false;
  }
};

}  // namespace

nsx::ModalResponder& DesktopResponder() {
  static Responder responder;
  return responder;
}

}  // namespace appkit
