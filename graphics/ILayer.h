#pragma once
// An offscreen drawing surface of a control (or of the bitmap scaler), and the drop shadow that
// can be computed from its pixels. Main thread.

#include "graphics/APIBitmap.h"
#include "graphics/IPattern.h"
#include "graphics/records/IRECT.h"

#include <memory>

namespace fx::gfx {

class IControl;

class ILayer
{
public:
  /** Takes ownership of the bitmap. */
  ILayer(APIBitmap* bitmap, const IRECT& layerRect, IControl* owner, const IRECT& ownerRect)
    : mBitmap(bitmap), mOwner(owner), mOwnerRect(ownerRect), mRect(layerRect)
  {
  }
  ILayer(const ILayer&) = delete;
  ILayer& operator=(const ILayer&) = delete;

  APIBitmap* GetAPIBitmap() const { return mBitmap.get(); }
  /** Gives the bitmap away; the layer keeps none. */
  APIBitmap* ReleaseAPIBitmap() { return mBitmap.release(); }
  IControl* GetOwner() const { return mOwner; }
  const IRECT& GetOwnerRECT() const { return mOwnerRect; }
  /** The area covered, in logical units, aligned to whole pixels. */
  const IRECT& Bounds() const { return mRect; }
  void Invalidate() { mInvalid = true; }
  bool IsInvalid() const { return mInvalid; }

private:
  friend class IGfx;

  std::unique_ptr<APIBitmap> mBitmap;
  IControl* mOwner = nullptr;
  IRECT mOwnerRect;
  IRECT mRect;
  bool mInvalid = false;
};

/** What a control keeps between frames. */
using ILayerPtr = std::unique_ptr<ILayer>;

struct IShadow
{
  IPattern mPattern = IPattern(kColorBlack);
  float mBlurSize = 0.f; // logical units
  float mXOffset = 0.f;
  float mYOffset = 0.f;
  float mOpacity = 1.f;
  bool mDrawForeground = true; // keep the layer's own content in front of the shadow

  IShadow() = default;
  IShadow(const IPattern& pattern, float blurSize, float xOffset, float yOffset, float opacity, bool drawForeground = true)
    : mPattern(pattern), mBlurSize(blurSize), mXOffset(xOffset), mYOffset(yOffset), mOpacity(opacity),
      mDrawForeground(drawForeground)
  {
  }
};

} // namespace fx::gfx
