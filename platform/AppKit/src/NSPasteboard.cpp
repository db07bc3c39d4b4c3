#include <map>

#include <AppKit/NSPasteboard.h>

NS_IMPLEMENT_CLASS(NSPasteboard)

NSPasteboardType const NSPasteboardTypeString = nsx::ConstantString("public.utf8-plain-text");
NSPasteboardType const NSStringPboardType = NSPasteboardTypeString;
NSPasteboardType const NSFilenamesPboardType = nsx::ConstantString("NSFilenamesPboardType");
NSPasteboardName const NSPasteboardNameGeneral = nsx::ConstantString("Apple CFPasteboard general");
NSPasteboardName const NSPasteboardNameDrag = nsx::ConstantString("Apple CFPasteboard drag");

namespace {
std::string (*g_readClipboard)() = nullptr;
void (*g_writeClipboard)(const std::string&) = nullptr;
}  // namespace

NSPasteboard* NSPasteboard::generalPasteboard() { return pasteboardWithName(NSPasteboardNameGeneral); }

NSPasteboard* NSPasteboard::pasteboardWithName(NSPasteboardName name) {
  static auto* boards = new std::map<std::string, NSPasteboard*>();
  const std::string key = name != nullptr ? name->utf8() : std::string();
  NSPasteboard*& b = (*boards)[key];
  if (b == nullptr) {
    b = allocShared<NSPasteboard>();
    b->general_ = key == NSPasteboardNameGeneral->utf8();
  }
  return b;
}

NSPasteboard* NSPasteboard::pasteboardWithUniqueName() { return static_cast<NSPasteboard*>(alloc()->autorelease()); }

NSInteger NSPasteboard::clearContents() {
  for (auto& e : contents_) e.second->release();
  contents_.clear();
  return ++changeCount_;
}

NSInteger NSPasteboard::declareTypes(NSArray*, id) { return clearContents(); }

BOOL NSPasteboard::setString(NSString* string, NSPasteboardType type) {
  if (string == nullptr || type == nullptr) return NO;
  NSString* copy = NSString::alloc()->initWithString(string);
  nsx::SetRetained(contents_[type->utf8()], static_cast<id>(copy));
  copy->release();
  ++changeCount_;
  if (general_ && g_writeClipboard != nullptr && type->isEqualToString(NSPasteboardTypeString))
    g_writeClipboard(copy->utf8());
  return YES;
}

NSString* NSPasteboard::stringForType(NSPasteboardType type) {
  if (type == nullptr) return nullptr;
  if (general_ && g_readClipboard != nullptr && type->isEqualToString(NSPasteboardTypeString)) {
    const std::string desktop = g_readClipboard();
    if (!desktop.empty()) return nsx::Str(desktop);
  }
  auto it = contents_.find(type->utf8());
  if (it == contents_.end() || !it->second->isKindOfClass(NSString::class_())) return nullptr;
  return static_cast<NSString*>(it->second);
}

BOOL NSPasteboard::setPropertyList(id list, NSPasteboardType type) {
  if (list == nullptr || type == nullptr) return NO;
  nsx::SetRetained(contents_[type->utf8()], list);
  ++changeCount_;
  return YES;
}

id NSPasteboard::propertyListForType(NSPasteboardType type) {
  if (type == nullptr) return nil;
  auto it = contents_.find(type->utf8());
  return it != contents_.end() ? it->second : nil;
}

NSArray* NSPasteboard::types() {
  std::vector<id> names;
  for (const auto& e : contents_) names.push_back(nsx::Str(e.first));
  return NSArray::arrayWithVector(names);
}

void NSPasteboard::dealloc() {
  clearContents();
  NSObject::dealloc();
}

namespace nsx {
void SetClipboardBridge(std::string (*read)(), void (*write)(const std::string& text)) {
  g_readClipboard = read;
  g_writeClipboard = write;
}
}  // namespace nsx
