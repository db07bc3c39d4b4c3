// Pasteboards in memory: the general one (the clipboard; with a desktop
// window shown it is the desktop's clipboard as well), the drag pasteboard
// and unnamed ones. Main thread only.
#pragma once

#include <map>
#include <string>

#include <AppKit/NSResponder.h>

typedef NSString* NSPasteboardType;
extern NSPasteboardType const NSPasteboardTypeString;  // also NSStringPboardType
extern NSPasteboardType const NSStringPboardType;
extern NSPasteboardType const NSFilenamesPboardType;
typedef NSString* NSPasteboardName;
extern NSPasteboardName const NSPasteboardNameGeneral;
extern NSPasteboardName const NSPasteboardNameDrag;

class NSPasteboard : public NSObject {
  NS_CLASS(NSPasteboard, NSObject)
 public:
  static NSPasteboard* generalPasteboard();                     // shared
  static NSPasteboard* pasteboardWithName(NSPasteboardName name);  // shared per name
  static NSPasteboard* pasteboardWithUniqueName();                // autoreleased
  NSInteger clearContents();  // the new change count
  NSInteger declareTypes(NSArray* types, id owner);
  BOOL setString(NSString* string, NSPasteboardType type);
  NSString* stringForType(NSPasteboardType type);
  // Property lists: the layer keeps arrays of strings (file names).
  BOOL setPropertyList(id list, NSPasteboardType type);
  id propertyListForType(NSPasteboardType type);
  NSArray* types();  // autoreleased
  NSInteger changeCount() const { return changeCount_; }
  void dealloc() override;

 protected:
  NSPasteboard() = default;

 private:
  std::map<std::string, id> contents_;  // retained
  NSInteger changeCount_ = 0;
  bool general_ = false;
};

namespace nsx {
// The desktop's clipboard, kept in step with the general pasteboard's
// string while set (the desktop window installs it; null functions remove it).
void SetClipboardBridge(std::string (*read)(), void (*write)(const std::string& text));
}  // namespace nsx
