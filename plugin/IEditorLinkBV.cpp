#include "plugin/IEditorLinkBV.h"

#include <CoreFoundation/CoreFoundation.h>
#include <Foundation/NSWorkspace.h>

#include <cstring>
#include <string>

bool IEditorLinkBV::OpenURL(const char* url)
{
  if (!url || !*url) return false;
  if (!std::strstr(url, "http")) return NSWorkspaceOpenFile(std::string(url));
  CFStringRef text = CFStringCreateWithCString(nullptr, url, kCFStringEncodingUTF8);
  if (!text) return false;
  CFURLRef cfURL = CFURLCreateWithString(nullptr, text, nullptr);
  CFRelease(text);
  if (!cfURL) return false;
  const bool ok = NSWorkspaceOpenURL(cfURL);
  CFRelease(cfURL);
  return ok;
}
