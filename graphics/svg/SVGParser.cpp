#include "graphics/svg/SVGParser.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "graphics/svg/SVGReader.h"
#include "graphics/svg/SVGXmlGuard.h"

namespace fx::svg {

SVGImage* SVGParse(const char* data, size_t size, const char* units, float dpi)
{
  const std::string text = detail::guardXml(data, size);
  if (text.empty()) return nullptr;
  TiXmlDocument doc;
  doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
  // The guard hands over well-formed tags; should the parser still stop early, what it read
  // before stopping is used.
  return detail::readDocument(doc, units, dpi).release();
}

SVGImage* SVGParseFile(const char* path, const char* units, float dpi)
{
  if (!path) return nullptr;
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return nullptr;
  // Reading ends at a NUL byte, as parsing does; a file beyond any image's size is refused.
  constexpr size_t kMaxFileBytes = size_t(64) << 20;
  std::string data;
  char buf[65536];
  size_t n;
  bool failed = false;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
  {
    const void* nul = std::memchr(buf, 0, n);
    data.append(buf, nul ? size_t(static_cast<const char*>(nul) - buf) : n);
    if (data.size() > kMaxFileBytes) failed = true;
    if (nul || failed) break;
  }
  failed = failed || std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return nullptr;
  return SVGParse(data.data(), data.size(), units, dpi);
}

void SVGDeleteImage(SVGImage* image) { delete image; }

} // namespace fx::svg
