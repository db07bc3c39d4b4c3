// A pop-up menu drawn in the desktop window, with its submenus.
#include <algorithm>
#include <chrono>

#include <AppKit/NSMenu.h>

#include "Desktop.h"

namespace appkit {
namespace {

constexpr double kItemHeight = 20, kSeparatorHeight = 9, kFontSize = 13;

double Clock() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class MenuOverlay final : public Overlay {
 public:
  MenuOverlay(NSMenu* menu, NSPoint at) { open(menu, at.x, at.y); }
  NSMenuItem* chosen = nullptr;

  void draw(Canvas& c, double k) override {
    for (const Level& l : levels_) {
      const int x = px(l.x, k), y = px(l.y, k), w = px(l.width, k), h = px(height(l), k);
      c.fill(x + 3, y + 3, w, h, kShade);
      c.fill(x, y, w, h, kPanel);
      c.outline(x, y, w, h, kEdge);
      double top = l.y + 4;
      for (size_t i = 0; i < l.menu->items().size(); ++i) {
        NSMenuItem* item = l.menu->items()[i];
        if (item->isHidden()) continue;
        if (item->isSeparatorItem()) {
          c.fill(x + px(6, k), px(top + 4, k), w - px(12, k), std::max(1, px(1, k)), kEdge);
          top += kSeparatorHeight;
          continue;
        }
        const bool hot = static_cast<int>(i) == l.hover && item->isEnabled();
        if (hot) c.fill(x + 1, px(top, k), w - 2, px(kItemHeight, k), kHighlight);
        const Rgba ink = !item->isEnabled() ? kFaint : hot ? kOnHighlight : kInk;
        const int baseline = px(top + 14.5, k), size = px(kFontSize, k);
        if (item->state() == NSControlStateValueOn) c.text("\u2713", x + px(5, k), baseline, size, ink);
        c.text(item->title()->utf8(), x + px(20 + 12 * item->indentationLevel(), k), baseline, size, ink, x + w - px(16, k));
        if (item->hasSubmenu()) c.text("\u25B8", x + w - px(14, k), baseline, size, ink);
        top += kItemHeight;
      }
    }
  }

  void mouseMoved(double x, double y) override {
    moved_ = true;
    for (size_t li = levels_.size(); li-- > 0;) {
      const int i = itemAt(levels_[li], x, y);
      if (i < -1) continue;  // outside this level
      levels_.resize(li + 1);
      Level& l = levels_.back();
      l.hover = i;
      NSMenuItem* item = i >= 0 ? l.menu->itemAtIndex(i) : nullptr;
      if (item != nullptr && item->hasSubmenu() && item->isEnabled()) openSubmenu(l, i);
      return;
    }
  }

  void mouseDown(double x, double y, int) override {
    for (const Level& l : levels_)
      if (itemAt(l, x, y) >= -1) {
        pressed_ = true;
        return;  // on the menu: the release decides
      }
    done = true;                          // a press outside dismisses
  }

  void mouseUp(double x, double y) override {
    if (!moved_ && !pressed_ && Clock() - opened_ < 0.3) return;  // the release of the press that opened it
    for (size_t li = levels_.size(); li-- > 0;) {
      const int i = itemAt(levels_[li], x, y);
      if (i >= 0) {
        choose(levels_[li].menu->itemAtIndex(i));
        return;
      }
    }
  }

  void key(unsigned short code, const std::string& text, NSEventModifierFlags) override {
    Level& l = levels_.back();
    switch (code) {
      case kVK_Escape: done = true; break;
      case kVK_DownArrow: step(l, +1); break;
      case kVK_UpArrow: step(l, -1); break;
      case kVK_LeftArrow:
        if (levels_.size() > 1) levels_.pop_back();
        break;
      case kVK_RightArrow:
        if (l.hover >= 0 && l.menu->itemAtIndex(l.hover)->hasSubmenu()) {
          openSubmenu(l, l.hover);
          step(levels_.back(), +1);
        }
        break;
      case kVK_Return: case kVK_ANSI_KeypadEnter: case kVK_Space:
        if (l.hover >= 0) choose(l.menu->itemAtIndex(l.hover));
        break;
      default: (void)text; break;
    }
  }

 private:
  struct Level {
    NSMenu* menu;
    double x, y, width;
    int hover = -1;
  };

  static int px(double v, double k) { return static_cast<int>(v * k + 0.5); }

  static double height(const Level& l) {
    double h = 8;
    for (NSMenuItem* item : l.menu->items())
      if (!item->isHidden()) h += item->isSeparatorItem() ? kSeparatorHeight : kItemHeight;
    return h;
  }

  // The item index under a point, -1 on the menu but not on an item, -2 outside.
  static int itemAt(const Level& l, double x, double y) {
    if (x < l.x || x >= l.x + l.width || y < l.y || y >= l.y + height(l)) return -2;
    double top = l.y + 4;
    for (size_t i = 0; i < l.menu->items().size(); ++i) {
      NSMenuItem* item = l.menu->items()[i];
      if (item->isHidden()) continue;
      const double h = item->isSeparatorItem() ? kSeparatorHeight : kItemHeight;
      if (y >= top && y < top + h) return item->isSeparatorItem() ? -1 : static_cast<int>(i);
      top += h;
    }
    return -1;
  }

  void open(NSMenu* menu, double x, double y) {
    Level l{menu, x, y, 80};
    for (NSMenuItem* item : menu->items())
      l.width = std::max(l.width, Canvas::measure(item->title()->utf8(), static_cast<int>(kFontSize)) + 44.0 +
                                      12.0 * item->indentationLevel());
    const NSSize area = ShownContentSize();
    l.x = std::max(0.0, std::min(l.x, area.width - l.width));
    l.y = std::max(0.0, std::min(l.y, area.height - height(l)));
    levels_.push_back(l);
    opened_ = Clock();
  }

  void openSubmenu(const Level& l, int index) {
    double top = l.y + 4;
    for (int i = 0; i < index; ++i)
      if (!l.menu->items()[i]->isHidden()) top += l.menu->items()[i]->isSeparatorItem() ? kSeparatorHeight : kItemHeight;
    NSMenu* sub = l.menu->itemAtIndex(index)->submenu();
    const double x = l.x + l.width - 2;
    open(sub, x, top - 4);
  }

  void step(Level& l, int direction) {
    const int n = static_cast<int>(l.menu->items().size());
    for (int tries = 0, i = l.hover; tries < n; ++tries) {
      i = (i + direction + n) % n;
      NSMenuItem* item = l.menu->itemAtIndex(i);
      if (!item->isSeparatorItem() && !item->isHidden() && item->isEnabled()) {
        l.hover = i;
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

  std::vector<Level> levels_;
  double opened_ = 0;
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
