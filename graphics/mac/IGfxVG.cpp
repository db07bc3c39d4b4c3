// The vector-renderer binding: lifecycle of the renderer context and the main framebuffer,
// the frame sequence with its layer targets, the deferred framebuffer release, transforms,
// clipping, blend modes and the path primitives.

#include "graphics/mac/IGfxVG.h"

#include "graphics/mac/MVGRenderer.h"

#include <QuartzCore/CAMetalLayer.h>


namespace fx::gfx {

namespace {

// The single-precision pi of the arc conversion.
constexpr float kPi = 3.1415927f;

} // namespace

IGfxVG::IGfxVG(IGEditorDelegate& dlg, int width, int height, int fps, float scale)
  : IGfx(dlg, width, height, fps, scale)
{
  RetainFontStore();
}

IGfxVG::~IGfxVG()
{
  // The platform half closes its view first; a context still alive here is freed with what it
  // holds (the controls, deleted by the graphics core, hold no framebuffers by then), before
  // the font bytes it may point at.
  ReleaseContext();
  ReleaseFontStore();
}

// ---------------------------------------------------------------------------------- Context

void IGfxVG::OnViewInitialized(void* platformContext)
{
  if (mVG) ReleaseContext();
  mVG = mvgrCreateContext(static_cast<CAMetalLayer*>(platformContext), MVG_ANTIALIAS | MVG_TRIPLE_BUFFER);
  SetDrawContextReady(false);
  if (mVG) SetDrawContextReady(true);
}

void IGfxVG::OnViewDestroyed()
{
  RemoveAllControls();
  ReleaseContext();
}

void IGfxVG::ReleaseContext()
{
  FxMutexLock lock(mBitmapStore.Mutex());
  // Images go while their context exists; so do framebuffers still waiting for release.
  mBitmapStore.Clear();
  DrainReleaseStack();
  mvgrDeleteFramebuffer(mMainFramebuffer);
  mMainFramebuffer = nullptr;
  if (mVG)
  {
    mvgrDeleteContext(mVG);
    mVG = nullptr;
  }
  mInFrame = false;
  SetDrawContextReady(false);
}

void IGfxVG::DrawResize()
{
  ActivateContext();
  mvgrDeleteFramebuffer(mMainFramebuffer);
  mMainFramebuffer = nullptr;
  if (mVG)
  {
    const float ss = GetScreenScale();
    mMainFramebuffer = mvgrCreateFramebuffer(mVG, static_cast<int>(WindowWidth() * ss),
                                             static_cast<int>(WindowHeight() * ss), 0);
  }
  DeactivateContext();
}

// ---------------------------------------------------------------------------------- Frame

void IGfxVG::BeginMainFrame()
{
  mvgrBindFramebuffer(mMainFramebuffer);
  vgrBeginFrame(mVG, static_cast<float>(WindowWidth()), static_cast<float>(WindowHeight()), GetScreenScale());
}

void IGfxVG::BeginFrame()
{
  if (!mVG) return;
  mInFrame = true;
  IGfx::BeginFrame();
  BeginMainFrame();
}

void IGfxVG::EndFrame()
{
  if (mVG)
  {
    vgrEndFrame(mVG);
    if (mMainFramebuffer)
    {
      const float w = static_cast<float>(WindowWidth()), h = static_cast<float>(WindowHeight());
      mvgrBindFramebuffer(nullptr);
      vgrBeginFrame(mVG, w, h, GetScreenScale());
      const VGpaint paint = vgrImagePattern(mVG, 0.f, 0.f, w, h, 0.f, mMainFramebuffer->image, 1.f);
      vgrSave(mVG);
      vgrResetTransform(mVG);
      vgrTranslate(mVG, XTranslation(), YTranslation());
      vgrBeginPath(mVG);
      vgrRect(mVG, 0.f, 0.f, w, h);
      vgrSetFillPaint(mVG, paint);
      vgrFill(mVG);
      vgrRestore(mVG);
      vgrEndFrame(mVG);
    }
  }
  // Also without a framebuffer: the frame is over, so what waited for it may go.
  mInFrame = false;
  DrainReleaseStack();
}

void IGfxVG::BeginCurrentTarget()
{
  const ILayer* top = GetCurrentLayer();
  const auto* bitmap = top ? dynamic_cast<const Bitmap*>(top->GetAPIBitmap()) : nullptr;
  if (!bitmap || !bitmap->GetFramebuffer())
  {
    BeginMainFrame();
    return;
  }
  const IRECT& r = top->Bounds();
  mvgrBindFramebuffer(bitmap->GetFramebuffer());
  vgrBeginFrame(mVG, r.W() * GetDrawScale(), r.H() * GetDrawScale(), GetScreenScale());
}

void IGfxVG::UpdateLayer()
{
  if (!mVG) return;
  vgrEndFrame(mVG);
  BeginCurrentTarget();
}

// ---------------------------------------------------------------------------------- Release

void IGfxVG::DeferFramebufferRelease(MVGframebuffer* fb)
{
  if (!fb) return;
  if (!mInFrame)
  {
    mvgrDeleteFramebuffer(fb);
    return;
  }
  FxMutexLock lock(mReleaseMutex);
  mReleaseStack.push_back(fb);
}

void IGfxVG::DrainReleaseStack()
{
  FxMutexLock lock(mReleaseMutex);
  while (!mReleaseStack.empty())
  {
    MVGframebuffer* fb = mReleaseStack.back();
    mReleaseStack.pop_back();
    mvgrDeleteFramebuffer(fb);
  }
}

int IGfxVG::NPendingFramebufferReleases()
{
  FxMutexLock lock(mReleaseMutex);
  return static_cast<int>(mReleaseStack.size());
}

// ---------------------------------------------------------------------------------- Transform, clip, blend

void IGfxVG::SetPathTransform(const IMatrix& m)
{
  if (!mVG) return;
  vgrResetTransform(mVG);
  vgrScale(mVG, GetDrawScale(), GetDrawScale());
  if (const ILayer* layer = GetCurrentLayer()) vgrTranslate(mVG, -layer->Bounds().L, -layer->Bounds().T);
  vgrApplyTransform(mVG, static_cast<float>(m.mXX), static_cast<float>(m.mYX), static_cast<float>(m.mXY),
                    static_cast<float>(m.mYY), static_cast<float>(m.mTX), static_cast<float>(m.mTY));
}

void IGfxVG::SetClipRegion(const IRECT& r)
{
  if (mVG) vgrSetScissor(mVG, r.L, r.T, r.W(), r.H());
}

void IGfxVG::SetBlendMode(const IBlend* blend)
{
  if (!blend)
  {
    vgrSetCompositeOperation(mVG, VG_SOURCE_OVER);
    return;
  }
  switch (blend->mMethod)
  {
    case kBlendDefault:
    case kBlendSourceIn:
    case kBlendSourceOut:
    case kBlendSourceAtop:
    case kBlendDestOver:
    case kBlendDestIn:
    case kBlendDestOut:
    case kBlendDestAtop: vgrSetCompositeOperation(mVG, blend->mMethod); break; // the same numbers
    case kBlendAdd: vgrSetBlendFunc(mVG, VG_SRC_ALPHA, VG_DST_ALPHA); break;
    case kBlendXOR: vgrSetCompositeOperation(mVG, VG_XOR); break;
    default: break; // an unknown method keeps the blend state as it is
  }
}

VGcolor IGfxVG::VGColor(const IColor& color, const IBlend* blend)
{
  return vgrColorFromFloatsA(color.R / 255.f, color.G / 255.f, color.B / 255.f,
                             color.A * BlendWeight(blend) / 255.f);
}

// ---------------------------------------------------------------------------------- Paths

void IGfxVG::PathClear()
{
  if (mVG) vgrBeginPath(mVG);
}

void IGfxVG::PathClose()
{
  if (mVG) vgrClosePath(mVG);
}

void IGfxVG::PathArc(float cx, float cy, float r, float a1, float a2, int winding)
{
  if (!mVG) return;
  vgrArc(mVG, cx, cy, r, (a1 - 90.f) / 180.f * kPi, (a2 - 90.f) / 180.f * kPi, winding == 0 ? VG_CW : VG_CCW);
}

void IGfxVG::PathMoveTo(float x, float y)
{
  if (mVG) vgrMoveTo(mVG, x, y);
}

void IGfxVG::PathLineTo(float x, float y)
{
  if (mVG) vgrLineTo(mVG, x, y);
}

void IGfxVG::PathSetWinding(bool isHole)
{
  if (mVG) vgrSetPathWinding(mVG, static_cast<int>(isHole) + 1);
}

void IGfxVG::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2)
{
  if (mVG) vgrBezierTo(mVG, c1x, c1y, c2x, c2y, x2, y2);
}

void IGfxVG::PathQuadraticBezierTo(float cx, float cy, float x2, float y2)
{
  if (mVG) vgrQuadTo(mVG, cx, cy, x2, y2);
}

} // namespace fx::gfx
