#include "tools/artwork/ArtLegend.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "vector/FstashTtConfig.h"
#include <stb_truetype.h>

namespace orbexart {

using namespace fx::gfx;

std::string LegendFontFile() { return std::string(ORBEX_ARTWORK_FONT_DIR) + "/RobotoCondensed-Bold.ttf"; }

namespace {

// The face's own metrics, read with the font library the renderer draws with.
class LegendFace {
 public:
  LegendFace() {
    std::ifstream f(LegendFontFile(), std::ios::binary);
    mData.assign(std::istreambuf_iterator<char>(f), {});
    if (mData.empty() || !stbtt_InitFont(&mInfo, mData.data(), 0)) return;
    int ascent = 0, descent = 0, gap = 0, x0 = 0, y0 = 0, x1 = 0, cap = 0;
    stbtt_GetFontVMetrics(&mInfo, &ascent, &descent, &gap);
    if (!stbtt_GetCodepointBox(&mInfo, 'H', &x0, &y0, &x1, &cap) || ascent <= descent || cap <= 0) return;
    // The renderer's font size is the height from descender to ascender.
    mUnitsPerSize = float(ascent - descent);
    mCapPerSize = cap / mUnitsPerSize;
  }
  bool ok() const { return mCapPerSize > 0; }
  float capPerSize() const { return mCapPerSize; }

  // In pixels at font size `size`: the advance from c's origin to that of next (0: none),
  // kerning included, and c's ink (false for a letter without any, such as a space).
  float Advance(int c, int next, float size) const {
    int advance = 0, lsb = 0;
    stbtt_GetCodepointHMetrics(&mInfo, c, &advance, &lsb);
    const int kern = next ? stbtt_GetCodepointKernAdvance(&mInfo, c, next) : 0;
    return float(advance + kern) * size / mUnitsPerSize;
  }
  bool Ink(int c, float size, float& left, float& right) const {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (!stbtt_GetCodepointBox(&mInfo, c, &x0, &y0, &x1, &y1) || x1 <= x0) return false;
    left = float(x0) * size / mUnitsPerSize;
    right = float(x1) * size / mUnitsPerSize;
    return true;
  }

 private:
  std::vector<unsigned char> mData;
  stbtt_fontinfo mInfo{};
  float mUnitsPerSize = 0, mCapPerSize = 0;
};

const LegendFace& Face() {
  static const LegendFace face;
  return face;
}

struct Letter {
  const char* text;  // its bytes in the legend
  int bytes;
  int code;
};

// The legend's letters (UTF-8).
std::vector<Letter> Letters(const char* text) {
  std::vector<Letter> letters;
  for (const char* p = text; *p;) {
    const unsigned char c = static_cast<unsigned char>(*p);
    const int n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    int code = n == 1 ? c : c & (0x3F >> (n - 1));
    int k = 1;
    for (; k < n && (static_cast<unsigned char>(p[k]) & 0xC0) == 0x80; k++)
      code = (code << 6) | (static_cast<unsigned char>(p[k]) & 0x3F);
    letters.push_back({p, k, code});
    p += k;
  }
  return letters;
}

}  // namespace

void Legend(VGcontext* vg, float x, float y, const char* text, VGcolor colour, int align) {
  const LegendFace& face = Face();
  const std::vector<Letter> letters = Letters(text);
  if (!face.ok() || letters.empty()) return;
  const float s = vg->devicePxRatio;
  // The renderer sizes glyphs in tenths of a pixel: the smallest size whose capitals are at
  // least as high as wanted (the little they exceed it, under a twentieth of a pixel, leaves
  // the row above them all but empty).
  const float tenths = std::ceil(kLegendCapHeight * s / face.capPerSize() * 10.0f);
  const float size = tenths / 10.0f;

  // The steps from letter to letter, rounded to whole pixels with the tracking (within a
  // quarter pixel of the wanted one) whose largest rounding is smallest.
  std::vector<float> steps;
  for (size_t i = 0; i + 1 < letters.size(); i++)
    steps.push_back(face.Advance(letters[i].code, letters[i + 1].code, size));
  const float wanted = kLegendTracking * s;
  float tracking = wanted, worst = 1;
  for (int k = -16; k <= 16; k++) {
    const float t = wanted + k / 64.0f;
    float e = 0;
    for (float step : steps) e = std::max(e, std::fabs(std::round(step + t) - (step + t)));
    if (e < worst - 1e-4f || (e <= worst + 1e-4f && std::fabs(t - wanted) < std::fabs(tracking - wanted)))
      worst = e, tracking = t;
  }

  std::vector<float> pen(letters.size(), 0);
  float inkLeft = 1e9f, inkRight = -1e9f;
  for (size_t i = 0; i < letters.size(); i++) {
    if (i > 0) pen[i] = pen[i - 1] + std::round(steps[i - 1] + tracking);
    float l = 0, r = 0;
    if (face.Ink(letters[i].code, size, l, r)) {
      inkLeft = std::min(inkLeft, pen[i] + l);
      inkRight = std::max(inkRight, pen[i] + r);
    }
  }
  if (inkLeft > inkRight) return;
  const float anchor = (align & VG_ALIGN_RIGHT)    ? inkRight
                       : (align & VG_ALIGN_CENTER) ? (inkLeft + inkRight) / 2
                                                   : inkLeft;
  const float origin = std::round(x * s - anchor);
  const float baseline = std::round(y * s + face.capPerSize() * size / 2);

  // Size and positions a little past the whole tenth and whole pixels, where the renderer's
  // truncation of sizes and glyph positions lands on them.
  vgrSetFontFace(vg, kFontLegend);
  vgrSetFontSize(vg, (tenths + 0.5f) / 10.0f / s);
  vgrSetLetterSpacing(vg, 0);
  vgrSetTextAlign(vg, VG_ALIGN_LEFT | VG_ALIGN_BASELINE);
  vgrSetFillColor(vg, colour);
  for (size_t i = 0; i < letters.size(); i++)
    vgrDrawText(vg, (origin + pen[i] + 0.25f) / s, (baseline + 0.25f) / s, letters[i].text,
                letters[i].text + letters[i].bytes);
}

}  // namespace orbexart
