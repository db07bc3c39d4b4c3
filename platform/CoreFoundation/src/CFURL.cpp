#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>

#include "CFStringImpl.h"
#include "CFURLImpl.h"

namespace {

bool IsUnreserved(unsigned char c) {
  return std::isalnum(c) || std::strchr("-._~/!$&'()*+,;=:@", c) != nullptr;
}

std::string PercentEncode(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c != 0 && IsUnreserved(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// False for a broken escape or an escaped NUL.
bool PercentDecode(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int hi = HexValue(text[i + 1]);
    const int lo = HexValue(text[i + 2]);
    if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

// Strips trailing slashes (keeping the root) and makes the path absolute.
std::string NormalisePath(std::string path) {
  if (path.empty() || path[0] != '/') {
    char cwd[4096];
    std::string base = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/";
    path = path.empty() ? base : base + "/" + path;
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The path part of a URL text: after "scheme://authority", before '?' or '#'.
std::string PathOfText(const std::string& text) {
  size_t start = text.find(':');
  if (start == std::string::npos) return std::string();
  ++start;
  if (text.compare(start, 2, "//") == 0) {
    start = text.find('/', start + 2);
    if (start == std::string::npos) return std::string();
  }
  const size_t end = text.find_first_of("?#", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string LastComponent(const std::string& path) {
  if (path == "/") return path;
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

const OpaqueCFURL* URL(CFURLRef url) { return cfx::As<OpaqueCFURL>(url); }

}  // namespace

OpaqueCFURL::OpaqueCFURL(std::string urlText, bool fileURL, std::string filePath, bool directory)
    : cfx::Object(kType, false), text(std::move(urlText)), isFile(fileURL), path(std::move(filePath)),
      isDirectory(directory), string(cfx::NewString(text)) {}

OpaqueCFURL::~OpaqueCFURL() { CFRelease(string); }

CFHashCode OpaqueCFURL::Hash() const {
  CFHashCode h = 0;
  for (unsigned char c : text) h = h * 131 + c;
  return h;
}

namespace cfx {

CFURLRef NewFileURL(const std::string& rawPath, bool isDirectory) {
  if (rawPath.find('\0') != std::string::npos) return nullptr;
  std::u16string check;
  if (!Utf8ToUtf16(rawPath.data(), rawPath.size(), check)) return nullptr;
  const std::string path = NormalisePath(rawPath);
  std::string text = "file://" + PercentEncode(path);
  if (isDirectory && path != "/") text += '/';
  return new OpaqueCFURL(std::move(text), true, path, isDirectory);
}

std::string URLPath(CFURLRef url) {
  const OpaqueCFURL* u = URL(url);
  return (u != nullptr && u->isFile) ? u->path : std::string();
}

}  // namespace cfx

extern "C" {

CFTypeID CFURLGetTypeID(void) { return cfx::kTypeURL; }

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath, CFURLPathStyle pathStyle,
                                       Boolean isDirectory) {
  if (pathStyle != kCFURLPOSIXPathStyle || cfx::As<OpaqueCFString>(filePath) == nullptr) return nullptr;
  return cfx::NewFileURL(cfx::StringText(filePath), isDirectory);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer, CFIndex bufLen,
                                                 Boolean isDirectory) {
  if (buffer == nullptr || bufLen < 0) return nullptr;
  return cfx::NewFileURL(std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufLen)), isDirectory);
}

CFURLRef CFURLCreateWithString(CFAllocatorRef, CFStringRef URLString, CFURLRef) {
  if (cfx::As<OpaqueCFString>(URLString) == nullptr) return nullptr;
  const std::string& text = cfx::StringText(URLString);
  // scheme ":" rest, with no spaces or control characters anywhere.
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return nullptr;
  size_t colon = 0;
  while (colon < text.size() && (std::isalnum(static_cast<unsigned char>(text[colon])) || text[colon] == '+' ||
                                 text[colon] == '-' || text[colon] == '.'))
    ++colon;
  if (colon >= text.size() || text[colon] != ':') return nullptr;
  for (unsigned char c : text)
    if (c <= 0x20 || c == 0x7F) return nullptr;
  std::string scheme = text.substr(0, colon);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (scheme == "file") {
    std::string decoded;
    if (!PercentDecode(PathOfText(text), decoded) || decoded.empty()) return nullptr;
    const bool dir = decoded.back() == '/';
    std::string path = NormalisePath(decoded);
    return new OpaqueCFURL(text, true, std::move(path), dir);
  }
  return new OpaqueCFURL(text, false, std::string(), !text.empty() && text.back() == '/');
}

CFStringRef CFURLGetString(CFURLRef url) {
  const OpaqueCFURL* u = URL(url);
  return u != nullptr ? u->string : nullptr;
}

CFStringRef CFURLCopyScheme(CFURLRef url) {
  const OpaqueCFURL* u = URL(url);
  if (u == nullptr) return nullptr;
  return cfx::NewString(u->text.substr(0, u->text.find(':')));
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef url, CFURLPathStyle pathStyle) {
  const OpaqueCFURL* u = URL(url);
  if (u == nullptr || !u->isFile || pathStyle != kCFURLPOSIXPathStyle) return nullptr;
  return cfx::NewString(u->path);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, UInt8* buffer, CFIndex maxBufLen) {
  const OpaqueCFURL* u = URL(url);
  if (buffer == nullptr || maxBufLen <= 0) return false;
  buffer[0] = 0;
  if (u == nullptr || !u->isFile || u->path.size() + 1 > static_cast<size_t>(maxBufLen)) return false;
  std::memcpy(buffer, u->path.c_str(), u->path.size() + 1);
  return true;
}

Boolean CFURLHasDirectoryPath(CFURLRef url) {
  const OpaqueCFURL* u = URL(url);
  return u != nullptr && u->isDirectory;
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
  const OpaqueCFURL* u = URL(url);
  if (u == nullptr) return nullptr;
  if (u->isFile) return cfx::NewString(LastComponent(u->path));
  std::string decoded;
  if (!PercentDecode(LastComponent(PathOfText(u->text)), decoded)) decoded.clear();
  CFStringRef s = cfx::NewString(decoded);
  return s != nullptr ? s : cfx::NewString(std::string());
}

CFStringRef CFURLCopyPathExtension(CFURLRef url) {
  const OpaqueCFURL* u = URL(url);
  if (u == nullptr) return nullptr;
  const std::string last = LastComponent(u->isFile ? u->path : PathOfText(u->text));
  const size_t dot = last.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == last.size()) return nullptr;
  return cfx::NewString(last.substr(dot + 1));
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url, CFStringRef pathComponent,
                                               Boolean isDirectory) {
  const OpaqueCFURL* u = URL(url);
  if (u == nullptr || !u->isFile || cfx::As<OpaqueCFString>(pathComponent) == nullptr) return nullptr;
  const std::string& component = cfx::StringText(pathComponent);
  return cfx::NewFileURL(u->path == "/" ? "/" + component : u->path + "/" + component, isDirectory);
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef, CFURLRef url) {
  const OpaqueCFURL* u = URL(url);
  if (u == nullptr || !u->isFile) return nullptr;
  const size_t slash = u->path.rfind('/');
  const std::string parent = (slash == std::string::npos || slash == 0) ? "/" : u->path.substr(0, slash);
  return cfx::NewFileURL(parent, true);
}

}  // extern "C"
