// The URL object: its text and, for file URLs, the decoded POSIX path.
#pragma once

#include <CoreFoundation/CFURL.h>

#include <CoreFoundation/CFObject.h>

struct OpaqueCFURL final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeURL;
  OpaqueCFURL(std::string urlText, bool fileURL, std::string filePath, bool directory);
  ~OpaqueCFURL() override;
  bool Equals(const cfx::Object& other) const override { return text == static_cast<const OpaqueCFURL&>(other).text; }
  CFHashCode Hash() const override;
  std::string Describe() const override { return text; }

  const std::string text;
  const bool isFile;
  const std::string path;  // file URLs: absolute path, no trailing '/' (except the root)
  const bool isDirectory;
  const CFStringRef string;
};

namespace cfx {
// A file URL for a POSIX path; relative paths are made absolute.
CFURLRef NewFileURL(const std::string& path, bool isDirectory);
// The file path of a URL; empty for null or non-file URLs.
std::string URLPath(CFURLRef url);
}  // namespace cfx
