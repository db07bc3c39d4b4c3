// Opening URLs and files in the user's browser or file manager. Every
// request is recorded; requests are only handed to the desktop (xdg-open)
// when a host has switched that on, so tests never open anything.
// Any thread.
#pragma once

#include <string>
#include <vector>

#include <CoreFoundation/CoreFoundation.h>

// Asks the desktop to open url (a web address or a file URL). Returns false
// for a null URL; true once the request is recorded (and handed on).
bool NSWorkspaceOpenURL(CFURLRef url);
// The same for a file or folder path.
bool NSWorkspaceOpenFile(const std::string& path);
// Shows path selected in a file-manager window of root (path's folder when
// root is empty); recorded as "reveal:" and the path. The desktop is asked
// to open that folder.
bool NSWorkspaceRevealFile(const std::string& path, const std::string& root);

namespace nsx {

// Every URL text asked to open, oldest first (file paths as "file://" URLs,
// revealed files as "reveal:" and the path).
std::vector<std::string> OpenedURLs();
void ClearOpenedURLs();
// Off by default; a host application may switch real opening on.
void SetDesktopOpeningEnabled(bool enabled);

}  // namespace nsx
