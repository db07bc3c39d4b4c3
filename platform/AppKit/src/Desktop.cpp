#include "AppKitInternal.h"

namespace appkit {
void DesktopWindowClosed(NSWindow*) {}
}  // namespace appkit
