// Named appearances, light (Aqua) and dark (DarkAqua). The system's
// appearance is Aqua until a program sets it (nsx::SetSystemAppearance),
// which tells every view whose effective appearance changes. Main thread.
#pragma once

#include <AppKit/NSResponder.h>

typedef NSString* NSAppearanceName;
extern NSAppearanceName const NSAppearanceNameAqua;
extern NSAppearanceName const NSAppearanceNameDarkAqua;

class NSAppearance : public NSObject {
  NS_CLASS(NSAppearance, NSObject)
 public:
  // The shared appearance of that name; nil for an unknown name.
  static NSAppearance* appearanceNamed(NSAppearanceName name);
  static NSAppearance* currentAppearance();  // the application's effective appearance
  NSAppearanceName name() const { return name_; }

 protected:
  NSAppearance() = default;

 private:
  NSAppearanceName name_ = nullptr;
};

namespace nsx {
void SetSystemAppearance(NSAppearanceName name);
}  // namespace nsx
