#pragma once
// Bitmap handle passed by value: the back end's bitmap, its size in editor units and how its
// frames are laid out. The handle does not own the back-end bitmap (the bitmap store does).

#include "core/FxString.h"

#include <cstdint>

namespace fx::gfx {

class APIBitmap;

class IBitmap
{
public:
  IBitmap() = default;
  // w, h: pixel size divided by the bitmap's own scale, made whole. A frame count below 1 is
  // taken as 1.
  IBitmap(APIBitmap* api, int32_t w, int32_t h, int32_t nFrames = 1, bool framesAreHorizontal = false,
          const char* name = "")
    : mAPIBitmap(api), mW(w), mH(h), mN(nFrames < 1 ? 1 : nFrames), mFramesAreHorizontal(framesAreHorizontal),
      mResourceName(name)
  {
  }

  APIBitmap* GetAPIBitmap() const { return mAPIBitmap; }
  int32_t W() const { return mW; }
  int32_t H() const { return mH; }
  int32_t N() const { return mN; }
  // Size of one frame (integer division).
  int32_t FW() const { return mFramesAreHorizontal ? mW / mN : mW; }
  int32_t FH() const { return mFramesAreHorizontal ? mH : mH / mN; }
  bool GetFramesAreHorizontal() const { return mFramesAreHorizontal; }
  const FxString& GetResourceName() const { return mResourceName; }
  bool IsValid() const { return mAPIBitmap != nullptr; }

private:
  APIBitmap* mAPIBitmap = nullptr;
  int32_t mW = 0;
  int32_t mH = 0;
  int32_t mN = 1;
  bool mFramesAreHorizontal = false;
  FxString mResourceName;
};

} // namespace fx::gfx
