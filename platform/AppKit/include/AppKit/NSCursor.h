// Cursors: the standard ones (shared), the private window-resize and help
// cursors reached by selector (respondsToSelector / performSelector on the
// class), and cursors made from an image and a hot spot. set makes one the
// current cursor; hide and unhide nest (through CoreGraphics' cursor
// record). A desktop window shows the current cursor. Main thread.
#pragma once

#include <string>

#include <AppKit/NSImage.h>

class NSCursor : public NSObject {
  NS_CLASS(NSCursor, NSObject)
 public:
  static NSCursor* arrowCursor();
  static NSCursor* IBeamCursor();
  static NSCursor* crosshairCursor();
  static NSCursor* closedHandCursor();
  static NSCursor* openHandCursor();
  static NSCursor* pointingHandCursor();
  static NSCursor* resizeLeftCursor();
  static NSCursor* resizeRightCursor();
  static NSCursor* resizeLeftRightCursor();
  static NSCursor* resizeUpCursor();
  static NSCursor* resizeDownCursor();
  static NSCursor* resizeUpDownCursor();
  static NSCursor* operationNotAllowedCursor();
  static NSCursor* dragCopyCursor();
  static NSCursor* dragLinkCursor();
  static NSCursor* contextualMenuCursor();
  static NSCursor* disappearingItemCursor();
  static NSCursor* busyButClickableCursor();
  // Private cursors of the system, also reached by selector.
  static NSCursor* _windowResizeNorthCursor();
  static NSCursor* _windowResizeSouthCursor();
  static NSCursor* _windowResizeEastWestCursor();
  static NSCursor* _windowResizeNorthSouthCursor();
  static NSCursor* _windowResizeNorthWestSouthEastCursor();
  static NSCursor* _windowResizeNorthEastSouthWestCursor();
  static NSCursor* _helpCursor();
  static BOOL helpCursorShown();
  static void _setHelpCursor(BOOL shown);

  static NSCursor* currentCursor();
  static void hide();
  static void unhide();

  // A cursor from image (retained) with the hot spot in points from the
  // top-left corner.
  NSCursor* initWithImage(NSImage* image, NSPoint hotSpot);
  void set();
  NSImage* image() const { return image_; }
  NSPoint hotSpot() const { return hotSpot_; }
  // The kind of a standard cursor ("arrow", "ibeam", "crosshair",
  // "pointing-hand", "resize-ns", ...; "image" for image cursors).
  const std::string& kind() const { return kind_; }
  void dealloc() override;

 protected:
  NSCursor() = default;

 private:
  static NSCursor* standard(const char* kind);
  NSImage* image_ = nullptr;
  NSPoint hotSpot_ = NSZeroPoint;
  std::string kind_;
};

namespace nsx {
// Called when the current cursor changes (the desktop window installs it).
void SetCursorChangedHook(void (*hook)(NSCursor* cursor));
}  // namespace nsx
