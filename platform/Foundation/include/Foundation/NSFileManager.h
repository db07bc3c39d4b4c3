// File-system queries. Any thread.
#pragma once

#include <Foundation/NSString.h>

class NSFileManager : public NSObject {
  NS_CLASS(NSFileManager, NSObject)
 public:
  static NSFileManager* defaultManager();  // shared
  BOOL fileExistsAtPath(NSString* path);
  BOOL fileExistsAtPath(NSString* path, BOOL* isDirectory);

 protected:
  NSFileManager() = default;
};
