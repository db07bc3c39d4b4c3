// A pop-up menu drawn in the desktop window, with its submenus. A menu
// taller than the window shows what fits and scrolls as desktop menus do:
// arrows at its ends scroll it while the pointer rests on them, the wheel
// scrolls it, and the arrow keys keep the highlighted item in view.
#include <algorithm>
#include <chrono>
#include <cmath>

#include <AppKit/NSMenu.h>

#include "Desktop.h"

namespace appkit {
namespace {

constexpr double kItemHeight = 20, kSeparatorHeight = 9, kFontSize = 13;
// The scroll arrows' strips, the margin above and below the items, and how
// often a resting pointer scrolls by one item.
constexpr double kArrowHeight = 16, kMargin = 4, kScrollSeconds = 0.06;

// Where a point lies on a menu besides an item's index.
constexpr int kNoItem = -1, kOutside = -2, kUpArrow = -3, kDownArrow = -4;

double Clock() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double RowHeight(NSMenuItem* item) { return item->isSeparatorItem() ? kSeparatorHeight : kItemHeight; }

class MenuOverlay final : public Overlay {
 public:
  MenuOverlay(NSMenu* menu, NSPoint at) : area_(ShownContentSize()) {
    open(menu, at.x, at.y);
  }
  NSMenuItem* chosen = nullptr;

  void draw(Canvas& c, double k) override {
    for (const Level& l : levels_) {
      const int x = px(l.x, k), y = px(l.y, k), w = px(l.width, k), h = px(l.height, k);
      c.fill(x + 3, y + 3, w, h, kShade);
      c.fill(x, y, w, h, kPanel);
      c.outline(x, y, w, h, kEdge);
      const Layout shown = layout(l);
      if (shown.up) c.text("\u25B2", x + w / 2 - px(5, k), px(l.y + kMargin + 12, k), px(10, k), kInk);
      if (shown.down) c.text("\u25BC", x + w / 2 - px(5, k), px(l.y + l.height - kMargin - 4, k), px(10, k), kInk);
      for (const Row& r : shown.rows) {
        NSMenuItem* item = l.menu->itemAtIndex(r.item);
        if (item->isSeparatorItem()) {
          c.fill(x + px(6, k), px(r.top + 4, k), w - px(12, k), std::max(1, px(1, k)), kEdge);
          continue;
        }
        const bool hot = r.item == l.hover && item->isEnabled();
        if (hot) c.fill(x + 1, px(r.top, k), w - 2, px(kItemHeight, k), kHighlight);
        const Rgba ink = !item->isEnabled() ? kFaint : hot ? kOnHighlight : kInk;
        const int baseline = px(r.top + 14.5, k), size = px(kFontSize, k);
        if (item->state() == NSControlStateValueOn) c.text("\u2713", x + px(5, k), baseline, size, ink);
        c.text(item->title()->utf8(), x + px(20 + 12 * item->indentationLevel(), k), baseline, size, ink,
               x + w - px(16, k));
        if (item->hasSubmenu()) c.text("\u25B8", x + w - px(14, k), baseline, size, ink);
      }
    }
  }

  void mouseMoved(double x, double y) override {
    moved_ = true;
    pointerX_ = x, pointerY_ = y;
    hover();
  }

  void mouseDown(double x, double y, int) override {
    pointerX_ = x, pointerY_ = y;
    for (const Level& l : levels_)
      if (itemAt(l, x, y) != kOutside) {
        pressed_ = true;
        return;  // on the menu: the release decides
      }
    done = true;  // a press outside dismisses
  }

  void mouseUp(double x, double y) override {
    // The release of the press that opened the menu chooses only after the
    // pointer moved (a press dragged onto an item), however long it was held.
    if (!moved_ && !pressed_) return;
    for (size_t li = levels_.size(); li-- > 0;) {
      const int i = itemAt(levels_[li], x, y);
      if (i >= 0) {
        choose(levels_[li].menu->itemAtIndex(i));
        return;
      }
      if (i != kOutside) return;
    }
  }

  // Scrolls the menu under the pointer (the innermost one when none is), an
  // item for each step of the wheel; away from the person shows the items
  // above. What comes under the pointer is highlighted.
  void wheel(double dy) override {
    wheelSteps_ += dy;
    const int steps = static_cast<int>(std::trunc(wheelSteps_));
    if (steps == 0) return;
    wheelSteps_ -= steps;
    size_t li = levels_.size() - 1;
    for (size_t i = levels_.size(); i-- > 0;)
      if (itemAt(levels_[i], pointerX_, pointerY_) != kOutside) {
        li = i;
        break;
      }
    scroll(li, -steps);
    hover();
  }

  // A pointer resting on a scroll arrow scrolls its menu; at the menu's end
  // the item that comes under the pointer is highlighted.
  void tick() override {
    const double now = Clock();
    if (now - lastScroll_ < kScrollSeconds) return;
    for (size_t li = levels_.size(); li-- > 0;) {
      const int where = itemAt(levels_[li], pointerX_, pointerY_);
      if (where == kOutside) continue;
      if (where == kUpArrow || where == kDownArrow) {
        scroll(li, where == kUpArrow ? -1 : +1);
        lastScroll_ = now;
        hover();
      }
      return;
    }
  }

  void key(unsigned short code, const std::string&, NSEventModifierFlags) override {
    Level& l = levels_.back();
    switch (code) {
      case kVK_Escape: done = true; break;
      case kVK_DownArrow: step(l, l.hover, +1); break;
      case kVK_UpArrow: step(l, l.hover, -1); break;
      case kVK_Home: step(l, -1, +1); break;
      case kVK_End: step(l, static_cast<int>(l.menu->items().size()), -1); break;
      case kVK_LeftArrow:
        if (levels_.size() > 1) levels_.pop_back();
        break;
      case kVK_RightArrow: enterSubmenu(l); break;
      case kVK_Return: case kVK_ANSI_KeypadEnter: case kVK_Space:
        if (l.hover < 0) break;
        if (l.menu->itemAtIndex(l.hover)->hasSubmenu()) enterSubmenu(l);
        else choose(l.menu->itemAtIndex(l.hover));
        break;
      default: break;
    }
  }

 private:
  struct Level {
    NSMenu* menu;
    double x, y, width;
    double height;  // on the window: the whole menu, or as much as there is room for
    int hover = kNoItem;
    int first = 0;  // the first row shown (rows: the items not hidden)
  };
  struct Row {
    int item;
    double top;
  };
  // What a level shows: its rows on the window and whether they go on above and below.
  struct Layout {
    std::vector<Row> rows;
    bool up = false, down = false;
  };

  static int px(double v, double k) { return static_cast<int>(v * k + 0.5); }

  // Highlights the item under the pointer and opens its submenu.
  void hover() {
    const double x = pointerX_, y = pointerY_;
    for (size_t li = levels_.size(); li-- > 0;) {
      const int i = itemAt(levels_[li], x, y);
      if (i == kOutside) continue;
      levels_.resize(li + 1);
      Level& l = levels_.back();
      l.hover = i >= 0 ? i : kNoItem;
      NSMenuItem* item = i >= 0 ? l.menu->itemAtIndex(i) : nullptr;
      if (item != nullptr && item->hasSubmenu() && item->isEnabled()) openSubmenu(l, i);
      return;
    }
  }

  static std::vector<int> rowItems(NSMenu* menu) {
    std::vector<int> rows;
    for (size_t i = 0; i < menu->items().size(); ++i)
      if (!menu->items()[i]->isHidden()) rows.push_back(static_cast<int>(i));
    return rows;
  }

  // The height of rows from, to the end.
  static double restHeight(NSMenu* menu, const std::vector<int>& rows, size_t from) {
    double h = 0;
    for (size_t r = from; r < rows.size(); ++r) h += RowHeight(menu->itemAtIndex(rows[r]));
    return h;
  }

  static Layout layout(const Level& l) {
    Layout out;
    const std::vector<int> rows = rowItems(l.menu);
    const size_t first = std::min(static_cast<size_t>(l.first), rows.size());
    out.up = first > 0;
    double top = l.y + kMargin + (out.up ? kArrowHeight : 0);
    const double bottom = l.y + l.height - kMargin;
    // Scrolled to its end, the menu's last item sits at its bottom.
    if (out.up && static_cast<int>(first) == lastFirst(l)) top = bottom - restHeight(l.menu, rows, first);
    out.down = top + restHeight(l.menu, rows, first) > bottom + 1e-9;
    const double limit = bottom - (out.down ? kArrowHeight : 0);
    for (size_t r = first; r < rows.size(); ++r) {
      const double h = RowHeight(l.menu->itemAtIndex(rows[r]));
      if (top + h > limit + 1e-9) break;
      out.rows.push_back(Row{rows[r], top});
      top += h;
    }
    return out;
  }

  // The first row from which the rest of the menu shows without scrolling further.
  static int lastFirst(const Level& l) {
    const std::vector<int> rows = rowItems(l.menu);
    for (size_t f = 0; f < rows.size(); ++f) {
      const double room = l.height - 2 * kMargin - (f > 0 ? kArrowHeight : 0);
      if (restHeight(l.menu, rows, f) <= room + 1e-9) return static_cast<int>(f);
    }
    return static_cast<int>(rows.size());
  }

  // The item under a point, or kNoItem, kUpArrow, kDownArrow, kOutside.
  static int itemAt(const Level& l, double x, double y) {
    if (x < l.x || x >= l.x + l.width || y < l.y || y >= l.y + l.height) return kOutside;
    const Layout shown = layout(l);
    if (shown.up && y < l.y + kMargin + kArrowHeight) return kUpArrow;
    if (shown.down && y >= l.y + l.height - kMargin - kArrowHeight) return kDownArrow;
    for (const Row& r : shown.rows) {
      NSMenuItem* item = l.menu->itemAtIndex(r.item);
      if (y >= r.top && y < r.top + RowHeight(item)) return item->isSeparatorItem() ? kNoItem : r.item;
    }
    return kNoItem;
  }

  double widthOf(NSMenu* menu) const {
    double width = 80;
    for (NSMenuItem* item : menu->items())
      width = std::max(width, Canvas::measure(item->title()->utf8(), static_cast<int>(kFontSize)) + 44.0 +
                                  12.0 * item->indentationLevel());
    return width;
  }

  // Opens menu with its top-left corner at (x, y), moved into the window and
  // no taller than it.
  void open(NSMenu* menu, double x, double y) {
    Level l{menu, x, y, widthOf(menu), 0};
    l.height = std::min(2 * kMargin + restHeight(menu, rowItems(menu), 0), area_.height);
    l.x = std::max(0.0, std::min(l.x, area_.width - l.width));
    l.y = std::max(0.0, std::min(l.y, area_.height - l.height));
    levels_.push_back(l);
  }

  // Opens the submenu of item index beside it: to the right of l, or to its
  // left where the window has no room on the right.
  void openSubmenu(const Level& l, int index) {
    const Layout shown = layout(l);
    auto row = std::find_if(shown.rows.begin(), shown.rows.end(), [&](const Row& r) { return r.item == index; });
    if (row == shown.rows.end()) return;
    NSMenu* sub = l.menu->itemAtIndex(index)->submenu();
    const double width = widthOf(sub);
    double x = l.x + l.width - 2;
    if (x + width > area_.width && l.x - width + 2 >= 0) x = l.x - width + 2;
    open(sub, x, row->top - kMargin);
  }

  void enterSubmenu(Level& l) {
    if (l.hover < 0 || !l.menu->itemAtIndex(l.hover)->hasSubmenu() || !l.menu->itemAtIndex(l.hover)->isEnabled())
      return;
    const size_t at = static_cast<size_t>(&l - levels_.data());
    levels_.resize(at + 1);
    openSubmenu(levels_[at], levels_[at].hover);
    if (levels_.size() > at + 1) step(levels_.back(), kNoItem, +1);
  }

  // Scrolls level li by rows (negative: up); the submenus it opened close.
  void scroll(size_t li, int rows) {
    Level& l = levels_[li];
    const int first = std::clamp(l.first + rows, 0, lastFirst(l));
    if (first == l.first) return;
    l.first = first;
    levels_.resize(li + 1);
  }

  // Scrolls l so that item is shown.
  void reveal(size_t li, int item) {
    Level& l = levels_[li];
    const std::vector<int> rows = rowItems(l.menu);
    const int row = static_cast<int>(std::find(rows.begin(), rows.end(), item) - rows.begin());
    if (row < l.first) scroll(li, row - l.first);
    while (l.first < lastFirst(l)) {
      const Layout shown = layout(l);
      if (std::any_of(shown.rows.begin(), shown.rows.end(), [&](const Row& r) { return r.item == item; })) break;
      scroll(li, +1);
    }
  }

  // Highlights the next enabled item from `from` in direction (wrapping
  // around) and scrolls it into view.
  void step(Level& l, int from, int direction) {
    const int n = static_cast<int>(l.menu->items().size());
    for (int tries = 0, i = from; tries < n; ++tries) {
      i = ((i + direction) % n + n) % n;
      NSMenuItem* item = l.menu->itemAtIndex(i);
      if (!item->isSeparatorItem() && !item->isHidden() && item->isEnabled()) {
        l.hover = i;
        const size_t li = static_cast<size_t>(&l - levels_.data());
        levels_.resize(li + 1);
        reveal(li, i);
        return;
      }
    }
  }

  void choose(NSMenuItem* item) {
    if (item == nullptr || !item->isEnabled() || item->isSeparatorItem()) return;
    if (item->hasSubmenu()) return;
    chosen = item;
    done = true;
  }

  NSSize area_;
  std::vector<Level> levels_;
  double lastScroll_ = 0;
  double pointerX_ = -1, pointerY_ = -1;
  double wheelSteps_ = 0;
  bool moved_ = false;
  bool pressed_ = false;
};

}  // namespace

NSMenuItem* RunMenuOverlay(const nsx::MenuRequest& request) {
  if (request.menu == nullptr || request.menu->numberOfItems() == 0) return nullptr;
  NSPoint at = request.locationInView;
  if (request.view != nullptr) at = ShownPointOfBase(request.view->convertPointToView(at, nullptr));
  MenuOverlay overlay(request.menu, at);
  if (!RunOverlay(overlay)) return nullptr;
  return overlay.chosen;
}

}  // namespace appkit
