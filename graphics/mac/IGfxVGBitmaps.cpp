// The vector-renderer binding's bitmaps: renderer images and framebuffers as the graphics
// core's bitmaps, this editor's bitmap store, drawing bitmaps, and the pixels and shadows of
// layers.

#include "graphics/mac/IGfxVG.h"

#include "graphics/mac/MVGRenderer.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <memory>

namespace fx::gfx {

namespace {

// A resource the platform keeps itself: its image is never deleted by the bitmap.
constexpr int kSharedImageLocation = 3;

IBitmap Wrap(APIBitmap* api, int nStates, bool framesAreHorizontal, const char* name)
{
  const float scale = api->GetScale() > 0.f ? api->GetScale() : 1.f;
  return IBitmap(api, static_cast<int>(api->GetWidth() / scale), static_cast<int>(api->GetHeight() / scale), nStates,
                 framesAreHorizontal, name);
}

// The text after the last dot of the name ("" without one).
const char* ExtensionOf(const char* name)
{
  const char* dot = std::strrchr(name, '.');
  return dot ? dot + 1 : "";
}

// Bytes of a w × h RGBA surface; -1 when that many do not fit an int.
long long RGBABytes(int w, int h)
{
  const long long n = static_cast<long long>(w) * h * 4;
  return (w > 0 && h > 0 && n <= INT_MAX) ? n : -1;
}

} // namespace

// ---------------------------------------------------------------------------------- Bitmap

IGfxVG::Bitmap::Bitmap(VGcontext* ctx, int image, float scale, bool shared)
  : mContext(ctx), mShared(shared)
{
  int w = 0, h = 0;
  if (ctx && image) vgrGetImageSize(ctx, image, &w, &h);
  SetBitmap(image, w, h, scale, 1.f);
}

IGfxVG::Bitmap::Bitmap(IGfxVG* owner, VGcontext* ctx, int width, int height, float scale, float drawScale)
  : mOwner(owner), mContext(ctx)
{
  mFramebuffer = ctx ? mvgrCreateFramebuffer(ctx, width, height, 0) : nullptr;
  if (!mFramebuffer)
  {
    SetBitmap(0, 0, 0, scale, drawScale);
    return;
  }
  mvgrBindFramebuffer(mFramebuffer);
  mvgrClearWithColor(ctx, vgrColorFromFloatsA(0.f, 0.f, 0.f, 0.f));
  // An empty frame carries the clear out now.
  vgrBeginFrame(ctx, static_cast<float>(width), static_cast<float>(height), 1.f);
  vgrEndFrame(ctx);
  SetBitmap(mFramebuffer->image, width, height, scale, drawScale);
}

IGfxVG::Bitmap::Bitmap(VGcontext* ctx, int width, int height, const unsigned char* rgba, float scale, float drawScale)
  : mContext(ctx)
{
  const int image = ctx ? mvgrCreateRGBAImage(ctx, width, height, 0, rgba) : 0;
  SetBitmap(image, image ? width : 0, image ? height : 0, scale, drawScale);
}

IGfxVG::Bitmap::~Bitmap()
{
  if (mShared) return;
  if (mFramebuffer)
  {
    if (mOwner) mOwner->DeferFramebufferRelease(mFramebuffer);
    else mvgrDeleteFramebuffer(mFramebuffer);
    return;
  }
  if (GetImage() && mContext) mvgrDeleteImage(mContext, GetImage());
}

// ---------------------------------------------------------------------------------- Loading

bool IGfxVG::BitmapExtSupported(const char* ext)
{
  if (!ext) return false;
  // A lower-case copy of at most 31 characters; a longer extension is judged by its start.
  char lower[32] = {};
  for (size_t i = 0; i + 1 < sizeof(lower) && ext[i]; ++i)
    lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(ext[i])));
  return std::strstr(lower, "png") || std::strstr(lower, "jpg") || std::strstr(lower, "jpeg");
}

IBitmap IGfxVG::LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale)
{
  if (!name || !*name) return IBitmap();
  const int target = targetScale == 0 ? static_cast<int>(GetScreenScale()) : targetScale;
  FxMutexLock lock(mBitmapStore.Mutex());
  APIBitmap* bitmap = mBitmapStore.Find(name, target);
  if (!bitmap)
  {
    const char* ext = ExtensionOf(name);
    FxString path;
    int source = target;
    const int location = SearchScaledBitmap(name, ext, path, target, source);
    if (location == kNotFound || !BitmapExtSupported(ext)) return IBitmap();
    // Found at another scale that is stored already: one copy per name and scale.
    bitmap = mBitmapStore.Find(name, source);
    if (!bitmap)
    {
      std::unique_ptr<APIBitmap> loaded(LoadAPIBitmap(path.Get(), source, static_cast<EResourceLocation>(location), ext));
      // A file that did not decode is no bitmap, and nothing is kept of it.
      if (!loaded || loaded->GetImage() == 0) return IBitmap();
      bitmap = loaded.get();
      if (!mBitmapStore.Add(loaded.release(), name, source)) return IBitmap();
    }
  }
  return Wrap(bitmap, nStates, framesAreHorizontal, name);
}

IBitmap IGfxVG::LoadBitmap(const char* name, const void* data, int dataSize, int nStates, bool framesAreHorizontal,
                           int /*targetScale*/)
{
  if (!name || !*name || !BitmapExtSupported(ExtensionOf(name))) return IBitmap();
  APIBitmap* bitmap = LoadAPIBitmap(name, data, dataSize, 1);
  return bitmap ? Wrap(bitmap, nStates, framesAreHorizontal, name) : IBitmap();
}

APIBitmap* IGfxVG::LoadAPIBitmap(const char* path, int scale, EResourceLocation location, const char* /*ext*/)
{
  int image = 0;
  if (location == kAbsolutePath && mVG && path)
  {
    ActivateContext();
    image = vgrCreateImageFromFile(mVG, path, 0);
    DeactivateContext();
  }
  return new Bitmap(mVG, image, static_cast<float>(scale), static_cast<int>(location) == kSharedImageLocation);
}

APIBitmap* IGfxVG::LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale)
{
  FxMutexLock lock(mBitmapStore.Mutex());
  if (APIBitmap* stored = mBitmapStore.Find(name, scale)) return stored;
  if (!mVG || !data || dataSize <= 0) return nullptr;
  ActivateContext();
  const int image = vgrCreateImageFromMemory(mVG, 0, static_cast<const unsigned char*>(data), dataSize);
  DeactivateContext();
  if (image == 0) return nullptr; // bytes that did not decode: nothing is stored
  auto* bitmap = new Bitmap(mVG, image, static_cast<float>(scale), false);
  return mBitmapStore.Add(bitmap, name, scale) ? bitmap : nullptr;
}

APIBitmap* IGfxVG::CreateAPIBitmap(int width, int height, float scale, double drawScale, bool /*cacheable*/)
{
  if (!mVG || width <= 0 || height <= 0) return nullptr;
  // The new framebuffer is bound and cleared at once: what was recorded goes first.
  if (mInFrame) vgrEndFrame(mVG);
  auto bitmap = std::make_unique<Bitmap>(this, mVG, width, height, static_cast<float>(static_cast<int>(scale)),
                                         static_cast<float>(drawScale));
  if (mInFrame) BeginCurrentTarget();
  return bitmap->GetFramebuffer() ? bitmap.release() : nullptr;
}

// ---------------------------------------------------------------------------------- Drawing

void IGfxVG::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend)
{
  const APIBitmap* api = bitmap.GetAPIBitmap();
  if (!mVG || !api || api->GetImage() == 0) return;
  const float density = api->GetScale() * api->GetDrawScale();
  if (!(density > 0.f)) return;
  const float s = 1.f / density;
  VGpaint paint{};
  paint.xform[0] = s;
  paint.xform[3] = s;
  paint.xform[4] = dest.L - static_cast<float>(srcX);
  paint.xform[5] = dest.T - static_cast<float>(srcY);
  paint.extent[0] = static_cast<float>(bitmap.W()) * api->GetScale();
  paint.extent[1] = static_cast<float>(bitmap.H()) * api->GetScale();
  paint.innerColor = paint.outerColor = vgrColorFromFloatsA(1.f, 1.f, 1.f, BlendWeight(blend));
  paint.image = api->GetImage();
  vgrBeginPath(mVG);
  vgrRect(mVG, dest.L, dest.T, dest.W(), dest.H());
  vgrSetFillPaint(mVG, paint);
  SetBlendMode(blend);
  vgrFill(mVG);
  vgrSetCompositeOperation(mVG, VG_SOURCE_OVER);
  vgrBeginPath(mVG);
}

// ---------------------------------------------------------------------------------- Layers

IGfxVG::Bitmap* IGfxVG::LayerBitmap(const ILayerPtr& layer)
{
  auto* bitmap = layer ? dynamic_cast<Bitmap*>(layer->GetAPIBitmap()) : nullptr;
  return bitmap && bitmap->GetFramebuffer() ? bitmap : nullptr;
}

void IGfxVG::GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data)
{
  Bitmap* bitmap = LayerBitmap(layer);
  if (!mVG || !bitmap) return;
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  const long long bytes = RGBABytes(w, h);
  if (bytes < 0) return;
  data.Resize(static_cast<int>(bytes));
  if (data.GetSize() != bytes) return;
  PushLayer(layer.get());
  mvgrReadPixels(mVG, bitmap->GetImage(), 0, 0, w, h, data.Get());
  PopLayer();
}

void IGfxVG::SetLayerBitmapData(const ILayerPtr& layer, const RawBitmapData& data)
{
  Bitmap* bitmap = LayerBitmap(layer);
  if (!mVG || !bitmap) return;
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  const long long bytes = RGBABytes(w, h);
  if (bytes < 0 || data.GetSize() < bytes) return;
  const float scale = static_cast<float>(static_cast<int>(bitmap->GetScale()));
  Bitmap pixels(mVG, w, h, data.Bytes(), scale, bitmap->GetDrawScale());
  PushLayer(layer.get());
  DrawBitmap(Wrap(&pixels, 1, false, ""), layer->Bounds(), 0, 0, nullptr);
  PopLayer();
}

void IGfxVG::ApplyShadowMask(const ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow)
{
  Bitmap* bitmap = LayerBitmap(layer);
  if (!mVG || !bitmap) return;
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  const long long bytes = RGBABytes(w, h);
  if (bytes < 0 || mask.GetSize() < bytes) return;
  const IRECT& bounds = layer->Bounds();

  if (!shadow.mDrawForeground)
  {
    // The layer's own content is erased.
    PushLayer(layer.get());
    vgrSetBlendFunc(mVG, VG_ZERO, VG_ZERO);
    IGfx::PathRect(bounds);
    vgrSetFillColor(mVG, VGColor(kColorTransparent));
    vgrFill(mVG);
    PopLayer();
  }

  const float scale = static_cast<float>(static_cast<int>(bitmap->GetScale()));
  Bitmap maskBitmap(mVG, w, h, mask.Bytes(), scale, bitmap->GetDrawScale());
  APIBitmap* shadowSurface = CreateAPIBitmap(w, h, bitmap->GetScale(), bitmap->GetDrawScale(), false);
  if (!shadowSurface) return;
  const IBitmap shadowBitmap = Wrap(shadowSurface, 1, false, "");
  ILayer shadowLayer(shadowSurface, bounds, nullptr, IRECT());

  PathTransformSave();
  PushLayer(layer.get());
  PushLayer(&shadowLayer);
  // The shadow's pattern survives only where the mask has coverage.
  DrawBitmap(Wrap(&maskBitmap, 1, false, ""), bounds, 0, 0, nullptr);
  IGfx::PathRect(bounds);
  PathTransformTranslate(-shadow.mXOffset, -shadow.mYOffset);
  const IBlend sourceIn(kBlendSourceIn, 1.f);
  PathFill(shadow.mPattern, IFillStyle(), &sourceIn);
  PopLayer();
  // The shadow goes behind the layer's content.
  const IBlend destOver(kBlendDestOver, shadow.mOpacity > 0.f ? std::min(shadow.mOpacity, 1.f) : 0.f);
  const IRECT moved(bounds.L + shadow.mXOffset, bounds.T + shadow.mYOffset, bounds.R + shadow.mXOffset,
                    bounds.B + shadow.mYOffset);
  DrawBitmap(shadowBitmap, moved, 0, 0, &destOver);
  PopLayer();
  PathTransformRestore();
}

} // namespace fx::gfx
