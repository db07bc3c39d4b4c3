#include <AppKit/NSWorkspace.h>

NS_IMPLEMENT_CLASS(NSWorkspace)

namespace {

bool Hand(const std::string& target, bool path) {
  return nsx::ActiveModalResponder().openDocument(nsx::OpenRequest{target, path});
}

}  // namespace

NSWorkspace* NSWorkspace::sharedWorkspace() {
  static NSWorkspace* workspace = allocShared<NSWorkspace>();
  return workspace;
}

BOOL NSWorkspace::openURL(NSURL* url) {
  if (url == nullptr || !NSWorkspaceOpenURL(url->cfURL())) return NO;
  NSString* path = url->isFileURL() ? url->path() : nullptr;
  if (path != nullptr) return Hand(path->utf8(), true);
  NSString* text = url->absoluteString();
  return text != nullptr && Hand(text->utf8(), false);
}

BOOL NSWorkspace::openFile(NSString* path) {
  if (path == nullptr || !NSFileManager::defaultManager()->fileExistsAtPath(path)) return NO;
  return NSWorkspaceOpenFile(path->utf8()) && Hand(path->utf8(), true);
}

BOOL NSWorkspace::selectFile(NSString* fullPath, NSString* rootFullPath) {
  if (fullPath == nullptr || !NSFileManager::defaultManager()->fileExistsAtPath(fullPath)) return NO;
  const std::string root = rootFullPath != nullptr ? rootFullPath->utf8() : std::string();
  if (!NSWorkspaceRevealFile(fullPath->utf8(), root)) return NO;
  const std::string folder = !root.empty() ? root : fullPath->stringByDeletingLastPathComponent()->utf8();
  return Hand(folder.empty() ? std::string("/") : folder, true);
}
