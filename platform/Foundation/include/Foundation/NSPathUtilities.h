// Standard folders, found by the Linux conventions:
//   Application Support, Library  -> $XDG_DATA_HOME (default ~/.local/share)
//   Music, Desktop, Documents, ... -> ~/Music, ~/Desktop, ~/Documents, ...
// in the user domain; in the local domain the first entry of $XDG_DATA_DIRS
// (default /usr/local/share), in the system domain /usr/share. The home
// folder is $HOME (the password database when unset). Environment values
// are read at every call. Any thread.
#pragma once

#include <string>
#include <vector>

#include <CoreFoundation/CoreFoundation.h>
#include <Foundation/NSObjCRuntime.h>

typedef NSUInteger NSSearchPathDirectory;
enum : NSUInteger {
  NSApplicationDirectory = 1,
  NSDemoApplicationDirectory = 2,
  NSDeveloperApplicationDirectory = 3,
  NSAdminApplicationDirectory = 4,
  NSLibraryDirectory = 5,
  NSDeveloperDirectory = 6,
  NSUserDirectory = 7,
  NSDocumentationDirectory = 8,
  NSDocumentDirectory = 9,
  NSCoreServiceDirectory = 10,
  NSAutosavedInformationDirectory = 11,
  NSDesktopDirectory = 12,
  NSCachesDirectory = 13,
  NSApplicationSupportDirectory = 14,
  NSDownloadsDirectory = 15,
  NSInputMethodsDirectory = 16,
  NSMoviesDirectory = 17,
  NSMusicDirectory = 18,
  NSPicturesDirectory = 19,
  NSPrinterDescriptionDirectory = 20,
  NSSharedPublicDirectory = 21,
  NSPreferencePanesDirectory = 22,
  NSItemReplacementDirectory = 99,
  NSAllApplicationsDirectory = 100,
  NSAllLibrariesDirectory = 101
};

typedef NSUInteger NSSearchPathDomainMask;
enum : NSUInteger {
  NSUserDomainMask = 1,
  NSLocalDomainMask = 2,
  NSNetworkDomainMask = 4,
  NSSystemDomainMask = 8,
  NSAllDomainsMask = 0x0ffff
};

// The folders for directory in the domains of domainMask, user domain first.
// Without expandTilde, folders inside the home folder start with "~".
// Empty when the directory has no folder in those domains.
std::vector<std::string> NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory,
                                                             NSSearchPathDomainMask domainMask, BOOL expandTilde);

// The user's home folder, without a trailing '/'.
std::string NSHomeDirectory();
// path with a leading "~" or "~/" replaced by the home folder.
std::string NSExpandTildeInPath(const std::string& path);
