// The record of every URL and file the workspace was asked to open or
// reveal. Opening itself is AppKit's (AppKit/NSWorkspace.h), so nothing here
// opens anything. Any thread.
#pragma once

#include <string>
#include <vector>

#include <CoreFoundation/CoreFoundation.h>

// Records a request to open url (a web address or a file URL). False for a
// null URL; true once the request is recorded.
bool NSWorkspaceOpenURL(CFURLRef url);
// The same for a file or folder path.
bool NSWorkspaceOpenFile(const std::string& path);
// Records a request to show path selected in a file-manager window of root,
// as "reveal:" and the path.
bool NSWorkspaceRevealFile(const std::string& path, const std::string& root);

namespace nsx {

// Every URL text asked to open, oldest first (file paths as "file://" URLs,
// revealed files as "reveal:" and the path).
std::vector<std::string> OpenedURLs();
void ClearOpenedURLs();

}  // namespace nsx
