#include "tests/graphics/VGTestGfx.h"

#include "graphics/mac/MVGRenderer.h"
#include "vector/VGText.h"
#include "vector/VGTextAlign.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fx::gfx::test {

namespace {

constexpr float kPi = 3.1415927f;
constexpr const char* kRobotoPath = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

} // namespace

/** A renderer image, or a framebuffer that layers draw into. */
class VGTestGfx::Bitmap : public APIBitmap
{
public:
  Bitmap(VGcontext* vg, int image, int w, int h, float scale, float drawScale, MVGframebuffer* fb)
    : APIBitmap(image, w, h, scale, drawScale), mVG(vg), mFB(fb)
  {
  }
  ~Bitmap() override
  {
    if (mFB) mvgrDeleteFramebuffer(mFB);
    else mvgrDeleteImage(mVG, GetImage());
  }
  MVGframebuffer* FB() const { return mFB; }

private:
  VGcontext* mVG;
  MVGframebuffer* mFB;
};

VGTestGfx::VGTestGfx(IGEditorDelegate& dlg, int w, int h, float scale) : RecordingGfx(dlg, w, h, 60, scale)
{
  mHasFont = vgrCreateFontFromFile(mHarness.vg, "Roboto-Regular", kRobotoPath) >= 0;
}

VGTestGfx::~VGTestGfx()
{
  // Controls may hold layers whose framebuffers need the renderer.
  RemoveAllControls();
  mOwnedBitmaps.clear();
  if (mMain) mvgrDeleteFramebuffer(mMain);
}

void VGTestGfx::BeginTarget()
{
  ILayer* layer = GetCurrentLayer();
  if (!layer)
  {
    mvgrBindFramebuffer(mMain);
    vgrBeginFrame(mHarness.vg, static_cast<float>(WindowW()), static_cast<float>(WindowH()), GetScreenScale());
    return;
  }
  auto* bitmap = static_cast<Bitmap*>(layer->GetAPIBitmap());
  mvgrBindFramebuffer(bitmap->FB());
  const IRECT& r = layer->Bounds();
  vgrBeginFrame(mHarness.vg, r.W() * GetDrawScale(), r.H() * GetDrawScale(), GetScreenScale());
}

Image VGTestGfx::Render(const std::function<void()>& draw, VGcolor clear)
{
  const int pw = static_cast<int>(WindowW() * GetScreenScale());
  const int ph = static_cast<int>(WindowH() * GetScreenScale());
  if (mMain && (mMainW != pw || mMainH != ph))
  {
    mvgrDeleteFramebuffer(mMain);
    mMain = nullptr;
  }
  if (!mMain)
  {
    mMain = mvgrCreateFramebuffer(mHarness.vg, pw, ph, 0);
    mMainW = pw;
    mMainH = ph;
  }
  mvgrBindFramebuffer(mMain);
  vgrBeginFrame(mHarness.vg, static_cast<float>(WindowW()), static_cast<float>(WindowH()), GetScreenScale());
  mvgrClearWithColor(mHarness.vg, clear);
  mInFrame = true;
  draw();
  vgrEndFrame(mHarness.vg);
  mInFrame = false;
  Image img;
  img.w = pw;
  img.h = ph;
  img.px.resize(static_cast<size_t>(pw) * ph * 4);
  mvgrReadPixels(mHarness.vg, mMain->image, 0, 0, pw, ph, img.px.data());
  mvgrBindFramebuffer(nullptr);
  return img;
}

Image VGTestGfx::DrawAll(VGcolor clear)
{
  return Render(
    [this] {
      IRECTList rects;
      rects.Add(GetBounds());
      DrawDirtyRects(rects);
    },
    clear);
}

IBitmap VGTestGfx::MakeBitmap(int w, int h, const std::vector<uint8_t>& rgba, int nFrames, bool horizontal)
{
  const int image = mvgrCreateRGBAImage(mHarness.vg, w, h, 0, rgba.data());
  mOwnedBitmaps.push_back(std::make_unique<Bitmap>(mHarness.vg, image, w, h, 1.f, 1.f, nullptr));
  return IBitmap(mOwnedBitmaps.back().get(), w, h, nFrames, horizontal, "made");
}

VGcolor VGTestGfx::Color(const IColor& c, const IBlend* blend) const
{
  return rgba(c.R / 255.f, c.G / 255.f, c.B / 255.f, c.A * BlendWeight(blend) / 255.f);
}

void VGTestGfx::PathClear() { vgrBeginPath(mHarness.vg); }
void VGTestGfx::PathClose() { vgrClosePath(mHarness.vg); }
void VGTestGfx::PathArc(float cx, float cy, float r, float a1, float a2, int winding)
{
  vgrArc(mHarness.vg, cx, cy, r, (a1 - 90.f) / 180.f * kPi, (a2 - 90.f) / 180.f * kPi, winding == 0 ? 2 : 1);
}
void VGTestGfx::PathMoveTo(float x, float y) { vgrMoveTo(mHarness.vg, x, y); }
void VGTestGfx::PathLineTo(float x, float y) { vgrLineTo(mHarness.vg, x, y); }
void VGTestGfx::PathSetWinding(bool isHole) { vgrSetPathWinding(mHarness.vg, isHole ? 2 : 1); }
void VGTestGfx::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  vgrBezierTo(mHarness.vg, c1x, c1y, c2x, c2y, x2, y2);
}
void VGTestGfx::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  vgrQuadTo(mHarness.vg, cx, cy, x2, y2);
}

void VGTestGfx::PathStroke(const IPattern& pattern, float thickness, const IStrokeStyle& options, const IBlend* blend)
{
  VGcontext* vg = mHarness.vg;
  if (options.mCap >= 0 && options.mCap <= 2) vgrSetLineCap(vg, options.mCap);
  static const int kJoins[3] = {4, 1, 3};
  if (options.mJoin >= 0 && options.mJoin <= 2) vgrSetLineJoin(vg, kJoins[options.mJoin]);
  vgrSetMiterLimit(vg, options.mMiterLimit);
  vgrSetStrokeWidth(vg, thickness);
  vgrSetStrokeColor(vg, Color(pattern.mStops[0].mColor, blend));
  vgrSetPathWinding(vg, 1);
  vgrSetCompositeOperation(vg, blend ? blend->mMethod : 0);
  vgrStroke(vg);
  vgrSetCompositeOperation(vg, 0);
  if (!options.mPreserve) vgrBeginPath(vg);
}

void VGTestGfx::PathFill(const IPattern& pattern, const IFillStyle& options, const IBlend* blend)
{
  VGcontext* vg = mHarness.vg;
  if (options.mFillRule == 0) vgrSetPathWinding(vg, 1);
  else if (options.mFillRule == 1) vgrSetPathWinding(vg, 2);
  vgrSetFillColor(vg, Color(pattern.mStops[0].mColor, blend));
  vgrSetCompositeOperation(vg, blend ? blend->mMethod : 0);
  vgrFill(vg);
  vgrSetCompositeOperation(vg, 0);
  if (!options.mPreserve) vgrBeginPath(vg);
}

void VGTestGfx::SetPathTransform(const IMatrix& m)
{
  VGcontext* vg = mHarness.vg;
  vgrResetTransform(vg);
  vgrScale(vg, GetDrawScale(), GetDrawScale());
  if (const ILayer* layer = GetCurrentLayer()) vgrTranslate(vg, -layer->Bounds().L, -layer->Bounds().T);
  vgrApplyTransform(vg, static_cast<float>(m.mXX), static_cast<float>(m.mYX), static_cast<float>(m.mXY),
                    static_cast<float>(m.mYY), static_cast<float>(m.mTX), static_cast<float>(m.mTY));
}

void VGTestGfx::SetClipRegion(const IRECT& r) { vgrSetScissor(mHarness.vg, r.L, r.T, r.W(), r.H()); }

void VGTestGfx::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend)
{
  RecordingGfx::DrawBitmap(bitmap, dest, srcX, srcY, blend);
  const APIBitmap* a = bitmap.GetAPIBitmap();
  if (!a) return;
  VGcontext* vg = mHarness.vg;
  const float s = 1.f / (a->GetScale() * a->GetDrawScale());
  VGpaint paint = vgrImagePattern(vg, 0, 0, bitmap.W() * a->GetScale(), bitmap.H() * a->GetScale(), 0, a->GetImage(),
                                  BlendWeight(blend));
  // Scale, then move pixel (srcX, srcY) to the destination's top-left.
  float xform[6] = {s, 0, 0, s, dest.L - srcX, dest.T - srcY};
  std::memcpy(paint.xform, xform, sizeof(xform));
  vgrBeginPath(vg);
  vgrRect(vg, dest.L, dest.T, dest.W(), dest.H());
  vgrSetFillPaint(vg, paint);
  vgrSetCompositeOperation(vg, blend ? blend->mMethod : 0);
  vgrFill(vg);
  vgrSetCompositeOperation(vg, 0);
  vgrBeginPath(vg);
}

void VGTestGfx::DrawFastDropShadow(const IRECT& inner, const IRECT& outer, float xyDrop, float roundness, float blur,
                                   const IBlend* blend)
{
  VGcontext* vg = mHarness.vg;
  VGpaint paint = vgrBoxGradient(vg, inner.L + xyDrop, inner.T + xyDrop, inner.W(), inner.H(), roundness, blur,
                                 rgba(0, 0, 0, 128.f * BlendWeight(blend) / 255.f), rgba(0, 0, 0, 0));
  vgrBeginPath(vg);
  vgrRect(vg, outer.L, outer.T, outer.W(), outer.H());
  vgrSetFillPaint(vg, paint);
  vgrSetCompositeOperation(vg, 0);
  vgrFill(vg);
  vgrBeginPath(vg);
}

APIBitmap* VGTestGfx::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool /*cacheable*/)
{
  VGcontext* vg = mHarness.vg;
  if (mInFrame) vgrEndFrame(vg);
  MVGframebuffer* fb = mvgrCreateFramebuffer(vg, width, height, 0);
  if (!fb) return nullptr;
  mvgrBindFramebuffer(fb);
  mvgrClearWithColor(vg, rgba(0, 0, 0, 0));
  vgrBeginFrame(vg, static_cast<float>(width), static_cast<float>(height), 1.f);
  vgrEndFrame(vg);
  if (mInFrame) BeginTarget();
  return new Bitmap(vg, fb->image, width, height, static_cast<float>(static_cast<int>(scale)),
                    static_cast<float>(drawScale), fb);
}

void VGTestGfx::UpdateLayer()
{
  RecordingGfx::UpdateLayer();
  vgrEndFrame(mHarness.vg);
  BeginTarget();
}

void VGTestGfx::PrepareText(const IText& text, const char* str, IRECT& r, float& x, float& y) const
{
  VGcontext* vg = mHarness.vg;
  vgrSetFontBlur(vg, 0);
  vgrSetFontSize(vg, text.mSize);
  vgrSetFontFace(vg, text.mFont);
  static const int kH[3] = {VG_ALIGN_LEFT, VG_ALIGN_CENTER, VG_ALIGN_RIGHT};
  static const int kV[3] = {VG_ALIGN_TOP, VG_ALIGN_MIDDLE, VG_ALIGN_BOTTOM};
  const int h = std::clamp(text.mAlign, 0, 2), v = std::clamp(text.mVAlign, 0, 2);
  x = h == 0 ? r.L : (h == 1 ? r.MW() : r.R);
  y = v == 0 ? r.T : (v == 1 ? r.MH() : r.B);
  vgrSetTextAlign(vg, kH[h] | kV[v]);
  float b[4] = {};
  vgrGetTextBounds(vg, x, y, str, nullptr, b);
  r = IRECT(b[0], b[1], b[2], b[3]);
}

float VGTestGfx::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  RecordingGfx::DoMeasureText(text, str, bounds);
  IRECT r = bounds;
  float x = 0, y = 0;
  PrepareText(text, str, r, x, y);
  MeasureRotatedTextBounds(text, bounds, r);
  bounds = r;
  return r.W();
}

void VGTestGfx::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend)
{
  RecordingGfx::DoDrawText(text, str, bounds, blend);
  IRECT r = bounds;
  float x = 0, y = 0;
  PrepareText(text, str, r, x, y);
  PathTransformSave();
  if (text.mAngle != 0.f)
  {
    double tx = 0.0, ty = 0.0;
    CalculateRotatedTextBounds(text, bounds, r, tx, ty);
    PathTransformTranslate(static_cast<float>(tx), static_cast<float>(ty));
    PathTransformRotate(text.mAngle);
  }
  VGcontext* vg = mHarness.vg;
  vgrSetFillColor(vg, Color(text.mFGColor, blend));
  vgrSetCompositeOperation(vg, blend ? blend->mMethod : 0);
  vgrDrawText(vg, x, y, str, nullptr);
  vgrSetCompositeOperation(vg, 0);
  PathTransformRestore();
}

} // namespace fx::gfx::test
