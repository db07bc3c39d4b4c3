// The path transform and its saved states, clipping to the current surface, offscreen layers
// and their drop shadows.

#include "graphics/IGfx.h"
#include "graphics/ShadowBlur.h"

#include <cmath>
#include <vector>

namespace fx::gfx {

// ---------------------------------------------------------------------------------- Transforms

void IGfx::PathTransformSave() { mTransformStates.push(mTransform); }

void IGfx::PathTransformRestore()
{
  if (mTransformStates.empty()) return;
  mTransform = mTransformStates.top();
  mTransformStates.pop();
  SetPathTransform(mTransform);
}

void IGfx::PathTransformReset(bool clearStates)
{
  if (clearStates) std::stack<IMatrix>().swap(mTransformStates);
  mTransform = IMatrix();
  SetPathTransform(mTransform);
}

void IGfx::PathTransformTranslate(float x, float y)
{
  mTransform.Translate(x, y);
  SetPathTransform(mTransform);
}

void IGfx::PathTransformScale(float scaleX, float scaleY)
{
  mTransform.Scale(scaleX, scaleY);
  SetPathTransform(mTransform);
}

void IGfx::PathTransformScale(float scale) { PathTransformScale(scale, scale); }

void IGfx::PathTransformRotate(float angle)
{
  mTransform.Rotate(angle);
  SetPathTransform(mTransform);
}

void IGfx::PathTransformSkew(float xAngle, float yAngle)
{
  mTransform.Skew(xAngle, yAngle);
  SetPathTransform(mTransform);
}

void IGfx::PathTransformMatrix(const IMatrix& matrix)
{
  mTransform.Transform(matrix);
  SetPathTransform(mTransform);
}

// ---------------------------------------------------------------------------------- Clipping

void IGfx::ApplyClip(const IRECT& clip)
{
  // Clip rectangles are in untransformed logical units.
  SetPathTransform(IMatrix());
  SetClipRegion(clip);
  SetPathTransform(mTransform);
}

void IGfx::PathClipRegion(const IRECT& r)
{
  const ILayer* layer = GetCurrentLayer();
  const IRECT area = layer ? layer->Bounds() : mClipRECT;
  ApplyClip(r.Empty() ? area : r.Intersect(area));
}

void IGfx::ClipToSurface() { PathClipRegion(IRECT()); }

// ---------------------------------------------------------------------------------- Layers

void IGfx::PushLayer(ILayer* layer) { PushLayerEntry(layer, false); }

void IGfx::PushLayerEntry(ILayer* layer, bool owned)
{
  if (!layer) return;
  mLayers.push_back({layer, owned});
  UpdateLayer();
  mTransform = IMatrix();
  SetPathTransform(mTransform);
  PathClipRegion(layer->Bounds());
  PathClear();
}

ILayer* IGfx::PopLayer()
{
  ILayer* layer = nullptr;
  if (!mLayers.empty())
  {
    layer = mLayers.back().layer;
    mLayers.pop_back();
  }
  UpdateLayer();
  mTransform = IMatrix();
  SetPathTransform(mTransform);
  ClipToSurface();
  PathClear();
  return layer;
}

void IGfx::StartLayer(IControl* owner, const IRECT& r, bool cacheable)
{
  const float scale = GetTotalScale();
  const IRECT aligned = r.GetPixelAligned(scale);
  const int w = static_cast<int>(std::ceil(std::ceil(aligned.W()) * scale));
  const int h = static_cast<int>(std::ceil(std::ceil(aligned.H()) * scale));
  APIBitmap* bitmap = (w > 0 && h > 0) ? CreateAPIBitmap(w, h, mScreenScale, mDrawScale, cacheable) : nullptr;
  if (!bitmap) return; // nothing to draw into: drawing stays on the current surface
  PushLayerEntry(new ILayer(bitmap, aligned, owner, owner ? owner->GetRECT() : IRECT()), true);
}

ILayerPtr IGfx::EndLayer()
{
  const bool owned = !mLayers.empty() && mLayers.back().owned;
  ILayer* layer = PopLayer();
  // A layer pushed by its owner with PushLayer stays its owner's.
  return ILayerPtr(owned ? layer : nullptr);
}

void IGfx::ResumeLayer(ILayerPtr& layer)
{
  if (ILayer* l = layer.release()) PushLayerEntry(l, true);
}

bool IGfx::CheckLayer(const ILayerPtr& layer)
{
  if (!layer || !layer->GetAPIBitmap()) return false;
  if (layer->mOwner && layer->mOwner->GetRECT() != layer->mOwnerRect)
  {
    layer->mOwnerRect = layer->mOwner->GetRECT();
    layer->Invalidate();
  }
  const APIBitmap* bitmap = layer->GetAPIBitmap();
  return !layer->IsInvalid() && bitmap->GetDrawScale() == mDrawScale && bitmap->GetScale() == mScreenScale;
}

namespace {

IBitmap LayerBitmap(const ILayer& layer)
{
  APIBitmap* api = layer.GetAPIBitmap();
  const float scale = api->GetScale() > 0.f ? api->GetScale() : 1.f;
  return IBitmap(api, static_cast<int>(api->GetWidth() / scale), static_cast<int>(api->GetHeight() / scale), 1, false);
}

} // namespace

void IGfx::DrawLayer(const ILayerPtr& layer, const IBlend* blend)
{
  if (!layer || !layer->GetAPIBitmap()) return;
  PathTransformSave();
  PathTransformReset(false);
  DrawBitmap(LayerBitmap(*layer), layer->Bounds(), 0, 0, blend);
  PathTransformRestore();
}

void IGfx::DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* blend)
{
  if (!layer || !layer->GetAPIBitmap()) return;
  const float w = layer->Bounds().W(), h = layer->Bounds().H();
  if (!(w > 0.f) || !(h > 0.f)) return;
  PathTransformSave();
  PathTransformTranslate(bounds.L, bounds.T);
  PathTransformScale(bounds.W() / w, bounds.H() / h);
  DrawBitmap(LayerBitmap(*layer), IRECT(0.f, 0.f, w, h), 0, 0, blend);
  PathTransformRestore();
}

void IGfx::DrawRotatedLayer(const ILayerPtr& layer, double angle)
{
  if (!layer || !layer->GetAPIBitmap()) return;
  PathTransformSave();
  PathTransformReset(false);
  DrawRotatedBitmap(LayerBitmap(*layer), layer->Bounds().MW(), layer->Bounds().MH(), angle, nullptr);
  PathTransformRestore();
}

void IGfx::ApplyLayerDropShadow(const ILayerPtr& layer, const IShadow& shadow)
{
  if (!layer || !layer->GetAPIBitmap()) return;
  RawBitmapData data1;
  GetLayerBitmapData(layer, data1);
  const APIBitmap* bitmap = layer->GetAPIBitmap();
  const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
  const int bytes = data1.GetSize();
  // No pixels, or fewer than the surface holds: nothing to blur.
  if (w <= 0 || h <= 0 || bytes < static_cast<long long>(w) * h * 4) return;

  RawBitmapData data2;
  if (data2.Resize(bytes) == nullptr || data2.GetSize() != bytes) return;

  const int alpha = GetAlphaChannelIndex();
  const ptrdiff_t rowStride = bytes / h;
  const ptrdiff_t colStride = bytes / w;
  const float b = std::max(1.f, shadow.mBlurSize * bitmap->GetScale() * bitmap->GetDrawScale() + 1.f);
  std::vector<uint8_t> kernel;
  const uint32_t norm = MakeShadowKernel(b, kernel);

  const uint8_t* in1 = data1.Bytes() + alpha;
  ptrdiff_t lineStride = rowStride;
  if (IsBitmapDataFlipped())
  {
    in1 += (h - 1) * rowStride;
    lineStride = -rowStride;
  }
  BlurShadowPass(in1, lineStride, h, w, data2.Bytes() + alpha, colStride, kernel, norm);
  BlurShadowPass(data2.Bytes() + alpha, colStride, w, h, data1.Bytes() + alpha, rowStride, kernel, norm);
  ApplyShadowMask(layer, data1, shadow);
}

} // namespace fx::gfx
