#include <cmath>
#include <map>

#include <AppKit/NSApplication.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSWindow.h>
#include <CoreGraphics/CGCursorRecord.h>
#include <CoreGraphics/CGDirectDisplay.h>

#include "AppKitInternal.h"

NS_IMPLEMENT_CLASS(NSApplication)
NS_IMPLEMENT_CLASS(NSScreen)
NS_IMPLEMENT_CLASS(NSAppearance)
NS_IMPLEMENT_CLASS(NSAnimationContext)

const double NSAppKitVersionNumber = NSAppKitVersionNumber10_15;

NSAppearanceName const NSAppearanceNameAqua = nsx::ConstantString("NSAppearanceNameAqua");
NSAppearanceName const NSAppearanceNameDarkAqua = nsx::ConstantString("NSAppearanceNameDarkAqua");

namespace {
CGFloat g_backingScale = 1.0;
NSAppearance* g_systemAppearance = nullptr;
}  // namespace

BOOL NSApplicationLoad() { return YES; }

NSApplication* NSApplication::sharedApplication() {
  static NSApplication* app = allocShared<NSApplication>();
  return app;
}

NSAppearance* NSApplication::effectiveAppearance() const {
  if (appearance_ != nullptr) return appearance_;
  return g_systemAppearance != nullptr ? g_systemAppearance : NSAppearance::appearanceNamed(NSAppearanceNameAqua);
}

void NSApplication::setAppearance(NSAppearance* appearance) {
  appearance_ = appearance;  // appearances are shared
  appkit::AppearanceChanged();
}

NSWindow* NSApplication::keyWindow() const {
  for (NSWindow* w : nsx::AllWindows())
    if (w->isKeyWindow()) return w;
  return nullptr;
}

NSArray* NSApplication::windows() const {
  const auto all = nsx::AllWindows();
  return NSArray::arrayWithVector(std::vector<id>(all.begin(), all.end()));
}

NSAppearance* NSAppearance::appearanceNamed(NSAppearanceName name) {
  static auto* shared = new std::map<std::string, NSAppearance*>();
  if (name == nullptr) return nullptr;
  NSAppearanceName known = nullptr;
  if (name->isEqualToString(NSAppearanceNameAqua)) known = NSAppearanceNameAqua;
  if (name->isEqualToString(NSAppearanceNameDarkAqua)) known = NSAppearanceNameDarkAqua;
  if (known == nullptr) return nullptr;
  NSAppearance*& a = (*shared)[known->utf8()];
  if (a == nullptr) {
    a = allocShared<NSAppearance>();
    a->name_ = known;
  }
  return a;
}

NSAppearance* NSAppearance::currentAppearance() { return NSApp->effectiveAppearance(); }

NSScreen* NSScreen::mainScreen() {
  static NSScreen* screen = allocShared<NSScreen>();
  return screen;
}

NSArray* NSScreen::screens() { return NSArray::arrayWithObject(mainScreen()); }

NSRect NSScreen::frame() const { return CGDisplayBounds(CGMainDisplayID()); }

CGFloat NSScreen::backingScaleFactor() const { return g_backingScale; }

void NSAnimationContext::beginGrouping() {}
void NSAnimationContext::endGrouping() {}
NSAnimationContext* NSAnimationContext::currentContext() {
  static NSAnimationContext* context = allocShared<NSAnimationContext>();
  return context;
}

namespace nsx {

void SetMainScreen(NSSize size, CGFloat backingScaleFactor) {
  cgx::SetMainDisplaySize(size.width, size.height);
  const CGFloat scale = std::isfinite(backingScaleFactor) && backingScaleFactor >= 0.5 && backingScaleFactor <= 8
                            ? backingScaleFactor
                            : 1.0;
  if (scale == g_backingScale) return;
  g_backingScale = scale;
  appkit::BackingPropertiesChanged();
}

void SetSystemAppearance(NSAppearanceName name) {
  NSAppearance* a = NSAppearance::appearanceNamed(name);
  if (a == nullptr || a == g_systemAppearance) return;
  g_systemAppearance = a;
  appkit::AppearanceChanged();
}

}  // namespace nsx

namespace appkit {

void BackingPropertiesChanged() {
  for (NSWindow* w : nsx::AllWindows()) ForEachView(w->contentView(), [](NSView* v) { v->viewDidChangeBackingProperties(); });
}

void AppearanceChanged() {
  for (NSWindow* w : nsx::AllWindows()) {
    if (w->appearance() != nullptr) continue;
    ForEachView(w->contentView(), [](NSView* v) {
      if (v->appearance() == nullptr) v->viewDidChangeEffectiveAppearance();
    });
  }
}

}  // namespace appkit
