#include "core/FxPaths.h"

#include <CoreFoundation/CoreFoundation.h>
#include <Foundation/Foundation.h>

#include <strings.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

namespace fx {

namespace {

constexpr int kMaxPresetsPathLen = 1024;

// First folder of a standard directory in one domain, "~" expanded; empty when none.
std::string FirstFolder(NSSearchPathDirectory directory, NSSearchPathDomainMask domain)
{
  const std::vector<std::string> folders = NSSearchPathForDirectoriesInDomains(directory, domain, true);
  return folders.empty() ? std::string() : folders.front();
}

bool SetFromFolder(FxString& result, const std::string& folder)
{
  result.Set(folder.c_str());
  return !folder.empty();
}

bool FileExists(const char* path)
{
  struct stat st;
  return path && *path && stat(path, &st) == 0 && !S_ISDIR(st.st_mode);
}

// Owns one CF object for the length of a scope.
template <class T>
struct CFHolder
{
  T ref;
  explicit CFHolder(T r) : ref(r) {}
  ~CFHolder()
  {
    if (ref) CFRelease(ref);
  }
  CFHolder(const CFHolder&) = delete;
  CFHolder& operator=(const CFHolder&) = delete;
  explicit operator bool() const { return ref != nullptr; }
};

CFBundleRef BundleWithID(const char* bundleID)
{
  if (!bundleID || !*bundleID) return nullptr;
  CFHolder<CFStringRef> id(CFStringCreateWithCString(kCFAllocatorDefault, bundleID, kCFStringEncodingUTF8));
  return id ? CFBundleGetBundleWithIdentifier(id.ref) : nullptr;
}

bool URLToPath(CFURLRef url, std::string& path)
{
  if (!url) return false;
  char buf[4096];
  if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buf), sizeof(buf))) return false;
  path = buf;
  return true;
}

// The name after the last '/' (the whole text without one).
const char* LastComponent(const char* path)
{
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// The text without the extension of its last component.
std::string WithoutExtension(const char* path)
{
  const char* last = LastComponent(path);
  const char* dot = std::strrchr(last, '.');
  return dot ? std::string(path, dot - path) : std::string(path);
}

// Asks the bundle for a resource by name and type; the path when a file exists there.
bool BundleResource(CFBundleRef bundle, const std::string& name, const char* type, std::string& path)
{
  CFHolder<CFStringRef> cfName(CFStringCreateWithCString(kCFAllocatorDefault, name.c_str(), kCFStringEncodingUTF8));
  CFHolder<CFStringRef> cfType(CFStringCreateWithCString(kCFAllocatorDefault, type, kCFStringEncodingUTF8));
  if (!cfName || !cfType) return false;
  CFHolder<CFURLRef> url(CFBundleCopyResourceURL(bundle, cfName.ref, cfType.ref, nullptr));
  return URLToPath(url.ref, path) && FileExists(path.c_str());
}

} // namespace

bool AppSupportPath(FxString& result, bool isSystem)
{
  return SetFromFolder(result, FirstFolder(NSApplicationSupportDirectory, isSystem ? NSSystemDomainMask : NSUserDomainMask));
}

bool MusicFolderPath(FxString& result) { return SetFromFolder(result, FirstFolder(NSMusicDirectory, NSUserDomainMask)); }

bool AppSupportFolderPath(FxString& result, const char* name)
{
  std::string folder = FirstFolder(NSApplicationSupportDirectory, NSUserDomainMask);
  if (folder.empty()) return SetFromFolder(result, folder);
  folder += '/';
  if (name) folder += name;
  return SetFromFolder(result, folder);
}

bool PresetsFolderPath(FxString& result, bool isSystem, const char* makerName, const char* plugName)
{
  std::string path = FirstFolder(NSLibraryDirectory, isSystem ? NSLocalDomainMask : NSUserDomainMask);
  if (path.empty()) return SetFromFolder(result, path);
  path += "/Audio/Presets/";
  path += makerName ? makerName : "";
  path += '/';
  path += plugName ? plugName : "";
  path += '/';
  if (path.size() > static_cast<size_t>(kMaxPresetsPathLen)) path.clear();
  return SetFromFolder(result, path);
}

bool DesktopPath(FxString& result) { return SetFromFolder(result, FirstFolder(NSDesktopDirectory, NSUserDomainMask)); }

bool UserHomePath(FxString& result) { return SetFromFolder(result, NSHomeDirectory()); }

bool MacBundleExecutablePath(FxString& result, const char* bundleID)
{
  CFBundleRef bundle = BundleWithID(bundleID);
  if (!bundle) return false;
  CFHolder<CFURLRef> url(CFBundleCopyExecutableURL(bundle));
  std::string path;
  if (!URLToPath(url.ref, path)) return false;
  result.Set(path.c_str());
  return true;
}

bool MacBundleFolderPath(FxString& result, const char* bundleID)
{
  CFBundleRef bundle = BundleWithID(bundleID);
  if (!bundle) return false;
  CFHolder<CFURLRef> url(CFBundleCopyBundleURL(bundle));
  if (!url) return false;
  CFHolder<CFURLRef> parent(CFURLCreateCopyDeletingLastPathComponent(kCFAllocatorDefault, url.ref));
  std::string path;
  if (!URLToPath(parent.ref, path)) return false;
  if (path.empty() || path.back() != '/') path += '/';
  result.Set(path.c_str());
  return true;
}

bool MacBundleResourcePath(FxString& result, const char* bundleID)
{
  CFBundleRef bundle = BundleWithID(bundleID);
  if (!bundle) return false;
  CFHolder<CFURLRef> url(CFBundleCopyResourcesDirectoryURL(bundle));
  std::string path;
  if (!URLToPath(url.ref, path)) return false;
  result.Set(path.c_str());
  return true;
}

bool IsSandboxed() { return NSHomeDirectory().find("Library/Containers/") != std::string::npos; }

bool LocateResource(const char* fileName, const char* type, FxString& result, const char* bundleID,
                    const char* sharedResourcesSubPath)
{
  result.Set("");
  if (!fileName || !*fileName) return false;

  const char* dot = std::strrchr(fileName, '.');
  const char* ext = dot ? dot + 1 : fileName;
  const bool typeMatches = type && strcasecmp(ext, type) == 0;

  // The lookups below use the name's own spelling of the extension: it equals type ignoring
  // case, and on a case-sensitive file system only it finds the file the caller named.
  if (typeMatches)
  {
    if (CFBundleRef bundle = BundleWithID(bundleID))
    {
      std::string path;
      if (BundleResource(bundle, WithoutExtension(LastComponent(fileName)), ext, path) ||
          BundleResource(bundle, WithoutExtension(fileName), ext, path))
      {
        result.Set(path.c_str());
        return true;
      }
    }

    if (sharedResourcesSubPath && *sharedResourcesSubPath)
    {
      std::string path = FirstFolder(NSMusicDirectory, NSUserDomainMask);
      if (!path.empty())
      {
        path += '/';
        path += sharedResourcesSubPath;
        path += "/Resources/";
        path += WithoutExtension(LastComponent(fileName));
        path += '.';
        path += ext;
        if (FileExists(path.c_str()))
        {
          result.Set(path.c_str());
          return true;
        }
      }
    }
  }

  if (FileExists(fileName))
  {
    result.Set(fileName);
    return true;
  }
  return false;
}

} // namespace fx
