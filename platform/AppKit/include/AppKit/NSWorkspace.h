// The workspace: opening URLs and files and revealing files in the file
// manager, through the Foundation layer's recorded opener (Foundation/
// NSWorkspace.h: every request is recorded; only a host that switched it
// on hands them to the desktop). Main thread only.
#pragma once

#include <AppKit/NSResponder.h>
#include <Foundation/NSWorkspace.h>

class NSWorkspace : public NSObject {
  NS_CLASS(NSWorkspace, NSObject)
 public:
  static NSWorkspace* sharedWorkspace();  // shared
  BOOL openURL(NSURL* url);
  // NO when nothing exists at path.
  BOOL openFile(NSString* path);
  // Shows the file in a file-manager window of the folder rootFullPath (its
  // own folder when empty); NO when the file does not exist.
  BOOL selectFile(NSString* fullPath, NSString* rootFullPath);

 protected:
  NSWorkspace() = default;
};
