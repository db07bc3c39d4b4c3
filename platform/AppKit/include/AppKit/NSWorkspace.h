// The workspace: opening URLs and files and revealing files in the file
// manager. Every request is recorded by the Foundation layer (Foundation/
// NSWorkspace.h) and handed to whoever answers the modal interface
// (NSModalResponder.h): in a shown desktop window the desktop's opener
// opens it, or the person is told why nothing can; a scripted responder
// takes it as answered; with no one to answer nothing is opened. Main
// thread only.
#pragma once

#include <AppKit/NSModalResponder.h>
#include <AppKit/NSResponder.h>
#include <Foundation/NSWorkspace.h>

#include <string>

class NSWorkspace : public NSObject {
  NS_CLASS(NSWorkspace, NSObject)
 public:
  static NSWorkspace* sharedWorkspace();  // shared
  // A web address, or a file URL (its file or folder); NO when it was not
  // opened.
  BOOL openURL(NSURL* url);
  // NO when nothing exists at path or it was not opened.
  BOOL openFile(NSString* path);
  // Shows the file in a file-manager window of the folder rootFullPath (its
  // own folder when empty): the folder is opened. NO when the file does not
  // exist or the folder was not opened.
  BOOL selectFile(NSString* fullPath, NSString* rootFullPath);

 protected:
  NSWorkspace() = default;
};

namespace nsx {

// Hands what a request names to the desktop's opener, as found on PATH:
// xdg-open, else "gio open". The opener is started without a shell and not
// waited for (a thread of its own reaps it). "" once it has started;
// otherwise why nothing can open it, naming the address or path (no such
// file or folder, no opener).
std::string OpenWithDesktopOpener(const OpenRequest& request);

}  // namespace nsx
