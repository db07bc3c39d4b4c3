#include "vector/VGImageCheck.h"

#include <algorithm>
#include <cstring>

namespace fx::gfx {

namespace {

uint32_t be16(const unsigned char* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t be32(const unsigned char* p) { return (be16(p) << 16) | be16(p + 2); }

bool sizeAccepted(uint64_t w, uint64_t h) {
  return w >= 1 && h >= 1 && w <= kVGMaxImageSide && h <= kVGMaxImageSide && w * h <= kVGMaxImagePixels;
}

constexpr uint64_t kMaxDeflateRatio = 1100;

constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Walks the chunks: every length inside the file, the header first (after the
// iPhone-format marker chunk, which may precede it), image data that starts with bytes and
// is enough to inflate to the image's rows.
bool checkPng(const unsigned char* d, size_t size, uint32_t* w, uint32_t* h) {
  size_t pos = 8;
  bool header = false, data = false;
  uint64_t rawBytes = 0, packed = 0;
  while (pos + 8 <= size) {
    const uint64_t len = be32(d + pos);
    const unsigned char* type = d + pos + 4;
    if (len > 0x7FFFFFFF || pos + 12 + len > size) return false;
    const unsigned char* body = d + pos + 8;
    if (!header) {
      if (std::memcmp(type, "CgBI", 4) == 0 && pos == 8) {
        pos += 12 + len;
        continue;
      }
      if (std::memcmp(type, "IHDR", 4) != 0 || len != 13) return false;
      *w = be32(body), *h = be32(body + 4);
      if (!sizeAccepted(*w, *h)) return false;
      // Filtered rows before interlacing: a filter byte and the packed samples.
      static const uint32_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
      const uint32_t depth = body[8], colour = body[9];
      const uint64_t bits = uint64_t(*w) * (colour < 7 ? kChannels[colour] : 0) * depth;
      rawBytes = uint64_t(*h) * (1 + (bits + 7) / 8);
      header = true;
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      if (!data && len == 0) return false;
      data = true;
      packed += len;
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      // Deflate expands at most about 1032 times; less data cannot hold the image.
      return data && packed * kMaxDeflateRatio >= rawBytes;
    }
    pos += 12 + len;
  }
  return false;
}

bool isStartOfFrame(unsigned m) {
  return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// Walks the markers of the whole file (tables may come between the scans of a progressive
// image): every segment inside the file, one frame header with an accepted size before
// the first scan, Huffman tables of at most 256 codes, every table a scan decodes with
// defined before it, and enough coded data for at least one bit per block row unit (the
// decoder reads zeros past the end, so a few bytes could otherwise claim a huge image).
bool checkJpeg(const unsigned char* d, size_t size, uint32_t* w, uint32_t* h) {
  size_t pos = 2, coded = 0;
  bool frame = false, progressive = false;
  bool defined[2][4] = {};  // DC, AC
  uint64_t units = 0;
  while (pos < size) {
    if (d[pos] != 0xFF) {  // entropy-coded data of a scan
      pos++, coded++;
      continue;
    }
    while (pos < size && d[pos] == 0xFF) pos++;  // fill bytes
    if (pos >= size) break;
    const unsigned m = d[pos++];
    if (m == 0x00 || (m >= 0xD0 && m <= 0xD7) || m == 0x01) {  // stuffed byte, restart
      coded++;
      continue;
    }
    if (m == 0xD9) break;  // end of image
    if (m == 0xD8) return false;
    if (pos + 2 > size) return false;
    const size_t len = be16(d + pos);
    if (len < 2 || pos + len > size) return false;
    const unsigned char* seg = d + pos + 2;
    const size_t n = len - 2;
    if (isStartOfFrame(m)) {
      if (frame || n < 6) return false;
      *h = be16(seg + 1), *w = be16(seg + 3);
      if (!sizeAccepted(*w, *h)) return false;
      const size_t components = seg[5];
      if (components == 0 || n < 6 + 3 * components) return false;
      uint32_t hmax = 1, vmax = 1;
      for (size_t c = 0; c < components; c++) {
        hmax = std::max<uint32_t>(hmax, seg[7 + 3 * c] >> 4);
        vmax = std::max<uint32_t>(vmax, seg[7 + 3 * c] & 15);
      }
      units = uint64_t((*w + 8 * hmax - 1) / (8 * hmax)) * ((*h + 8 * vmax - 1) / (8 * vmax));
      progressive = m == 0xC2 || m == 0xC6 || m == 0xCA || m == 0xCE;
      frame = true;
    } else if (m == 0xC4) {
      for (size_t at = 0; at < n;) {
        if (at + 17 > n) return false;
        size_t codes = 0;
        for (int i = 0; i < 16; i++) codes += seg[at + 1 + i];
        const unsigned tableClass = seg[at] >> 4, id = seg[at] & 15;
        if (codes > 256 || at + 17 + codes > n || tableClass > 1 || id > 3) return false;
        defined[tableClass][id] = true;
        at += 17 + codes;
      }
    } else if (m == 0xDA) {
      if (!frame || n < 1) return false;
      const size_t components = seg[0];
      if (components == 0 || n < 1 + 2 * components + 3) return false;
      const unsigned spectralStart = seg[1 + 2 * components], approxHigh = seg[3 + 2 * components] >> 4;
      const bool needDc = !progressive || (spectralStart == 0 && approxHigh == 0);
      const bool needAc = !progressive || spectralStart > 0;
      for (size_t c = 0; c < components; c++) {
        const unsigned dc = seg[2 + 2 * c] >> 4, ac = seg[2 + 2 * c] & 15;
        if (dc > 3 || ac > 3) return false;
        if ((needDc && !defined[0][dc]) || (needAc && !defined[1][ac])) return false;
      }
    }
    pos += len;
  }
  return frame && uint64_t(coded) * 8 >= units;
}

}  // namespace

VGImageFormat vgrImageFormat(const unsigned char* data, size_t size) {
  if (data == nullptr) return VGImageFormat::kNone;
  if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return VGImageFormat::kPNG;
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return VGImageFormat::kJPEG;
  return VGImageFormat::kNone;
}

bool vgrCheckEncodedImage(const unsigned char* data, size_t size, uint32_t* w, uint32_t* h) {
  uint32_t iw = 0, ih = 0;
  if (size > kVGMaxEncodedImageBytes || size > 0x7FFFFFFF) return false;
  bool ok = false;
  switch (vgrImageFormat(data, size)) {
    case VGImageFormat::kPNG: ok = checkPng(data, size, &iw, &ih); break;
    case VGImageFormat::kJPEG: ok = checkJpeg(data, size, &iw, &ih); break;
    default: return false;
  }
  if (ok && w) *w = iw;
  if (ok && h) *h = ih;
  return ok;
}

bool vgrReadImageFile(FILE* f, std::vector<unsigned char>* bytes) {
  if (f == nullptr || bytes == nullptr) return false;
  bytes->clear();
  unsigned char buf[65536];
  for (;;) {
    const size_t got = std::fread(buf, 1, sizeof(buf), f);
    if (got == 0) break;
    if (bytes->size() + got > kVGMaxEncodedImageBytes) return false;
    bytes->insert(bytes->end(), buf, buf + got);
  }
  return !std::ferror(f) && !bytes->empty();
}

}  // namespace fx::gfx
