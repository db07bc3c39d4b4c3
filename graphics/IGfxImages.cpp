// Bitmaps, bitmap-font text, SVG images and text.

#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fx::gfx {

void IGfx::DrawBitmapFrame(const IBitmap& bitmap, const IRECT& bounds, int n, const IBlend* blend)
{
  if (!bitmap.IsValid()) return;
  const int frames = bitmap.N();
  n = std::clamp(n, 1, frames);
  int srcX = 0, srcY = 0;
  if (frames >= 2 && n >= 2)
  {
    if (bitmap.GetFramesAreHorizontal()) srcX = (n - 1) * bitmap.W() / frames;
    else srcY = (n - 1) * bitmap.H() / frames;
  }
  DrawBitmap(bitmap, bounds, srcX, srcY, blend);
}

void IGfx::DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend)
{
  if (!bitmap.IsValid() || bitmap.W() <= 0 || bitmap.H() <= 0) return;
  const float w = static_cast<float>(bitmap.W()), h = static_cast<float>(bitmap.H());
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / w, bounds.H() / h);
  DrawBitmap(bitmap, IRECT(0.f, 0.f, w, h), 0, 0, blend);
  PathTransformRestore();
}

void IGfx::DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                             const IBlend* blend)
{
  if (!bitmap.IsValid()) return;
  const float drawScale = bitmap.GetAPIBitmap()->GetDrawScale();
  if (!(drawScale > 0.f)) return;
  const float w = bitmap.W() / drawScale, h = bitmap.H() / drawScale;
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(static_cast<float>(angle));
  DrawBitmap(bitmap, IRECT(-w * 0.5f, -h * 0.5f, w * 0.5f, h * 0.5f), 0, 0, blend);
  PathTransformRestore();
}

void IGfx::DrawBitmapedText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* blend,
                            const char* str, bool vCenter, bool multiline, int charWidth, int charHeight,
                            int charOffset)
{
  if (!str || !*str || !bitmap.IsValid() || charWidth <= 0 || charHeight <= 0) return;

  const int len = static_cast<int>(std::strlen(str));
  const float cw = static_cast<float>(charWidth), ch = static_cast<float>(charHeight);
  const float top = vCenter ? bounds.T + (bounds.H() - ch) * 0.5f : bounds.T;
  const float width = len * cw;
  float x0 = bounds.L;
  if (text.mAlign == kAlignCenter) x0 = bounds.L + (bounds.W() - width) * 0.5f;
  else if (text.mAlign == kAlignFar) x0 = bounds.R - width;

  int lines = 1;
  int perLine = static_cast<int>(bounds.W() / cw);
  if (multiline)
  {
    if (width > bounds.W()) lines = static_cast<int>(width / bounds.W()) + 1;
    else perLine = len;
  }
  if (perLine < 1) return;

  int idx = 0;
  for (int l = 0; l < lines; ++l)
  {
    for (int c = 0; c < perLine; ++c, ++idx)
    {
      if (idx >= len) return;
      // Codes below 32 (and bytes above 127, read as negative) show the first frame.
      const int code = static_cast<signed char>(str[idx]);
      const int frame = std::min(std::max(code, 32) - 31, bitmap.N());
      const float x = x0 + c * (cw + static_cast<float>(charOffset));
      const float y = top + l * ch;
      DrawBitmapFrame(bitmap, IRECT(x, y, x + cw, y + ch), frame, blend);
    }
  }
}

void IGfx::DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend)
{
  if (!svg.IsValid() || !(svg.W() > 0.f) || !(svg.H() > 0.f)) return;
  const float scale = std::min(bounds.W() / svg.W(), bounds.H() / svg.H());
  if (!std::isfinite(scale)) return;
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(scale);
  DoDrawSVG(svg, blend);
  PathTransformRestore();
}

void IGfx::DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                          double angle, const IBlend* blend)
{
  PathTransformSave();
  PathTransformTranslate(destCentreX, destCentreY);
  PathTransformRotate(static_cast<float>(angle));
  DrawSVG(svg, IRECT(-width * 0.5f, -height * 0.5f, width * 0.5f, height * 0.5f), blend);
  PathTransformRestore();
}

void IGfx::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend)
{
  if (!str || !*str) return;
  DoDrawText(text, str, bounds, blend);
}

void IGfx::DrawText(const IText& text, const char* str, float x, float y, const IBlend* blend)
{
  DrawText(text, str, IRECT(x, y, x, y), blend);
}

float IGfx::MeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  if (!str || !*str) return 0.f;
  return DoMeasureText(text, str, bounds);
}

void IGfx::CalculateRotatedTextBounds(const IText& text, const IRECT& bounds, IRECT& rect, double& tx,
                                      double& ty) const
{
  if (text.mAngle == 0.f) return;
  const float rad = text.mAngle / 180.f * 3.1415927f;
  const float c = std::cos(rad), s = std::sin(rad);
  auto box = [&](float x, float y1, float y2) {
    const float ax = x * c - y1 * s, ay = x * s + y1 * c;
    const float bx = x * c - y2 * s, by = x * s + y2 * c;
    return IRECT(std::min(ax, bx), std::min(ay, by), std::max(ax, bx), std::max(ay, by));
  };
  rect = box(rect.L, rect.T, rect.B).Union(box(rect.R, rect.T, rect.B));

  switch (text.mAlign)
  {
    case kAlignNear: tx = bounds.L - rect.L; break;
    case kAlignCenter: tx = bounds.MW() - rect.MW(); break;
    case kAlignFar: tx = bounds.R - rect.R; break;
    default: break;
  }
  switch (text.mVAlign)
  {
    case kVAlignTop: ty = bounds.T - rect.T; break;
    case kVAlignMiddle: ty = bounds.MH() - rect.MH(); break;
    case kVAlignBottom: ty = bounds.B - rect.B; break;
    default: break;
  }
}

void IGfx::MeasureRotatedTextBounds(const IText& text, const IRECT& bounds, IRECT& rect) const
{
  double tx = 0.0, ty = 0.0;
  CalculateRotatedTextBounds(text, bounds, rect, tx, ty);
  const float dx = static_cast<float>(tx), dy = static_cast<float>(ty);
  rect = IRECT(rect.L + dx, rect.T + dy, rect.R + dx, rect.B + dy);
}

} // namespace fx::gfx
