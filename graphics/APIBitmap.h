#pragma once
// The drawing back end's bitmap: its image handle, pixel size and the scales it was made for.
// Back ends derive from it; the bitmap store (or a layer) owns it. Main thread.

#include <cstdint>

namespace fx::gfx {

class APIBitmap
{
public:
  APIBitmap() = default;
  APIBitmap(int32_t image, int32_t width, int32_t height, float scale, float drawScale = 1.f)
    : mImage(image), mWidth(width), mHeight(height), mScale(scale), mDrawScale(drawScale)
  {
  }
  virtual ~APIBitmap() = default;
  APIBitmap(const APIBitmap&) = delete;
  APIBitmap& operator=(const APIBitmap&) = delete;

  int32_t GetImage() const { return mImage; }
  /** Size in pixels. */
  int32_t GetWidth() const { return mWidth; }
  int32_t GetHeight() const { return mHeight; }
  /** Pixels per logical unit the bitmap was made for (1 plain, 2 double density). */
  float GetScale() const { return mScale; }
  /** Editor draw scale the bitmap was made at (1 unless made as a layer surface). */
  float GetDrawScale() const { return mDrawScale; }

protected:
  void SetBitmap(int32_t image, int32_t width, int32_t height, float scale, float drawScale)
  {
    mImage = image;
    mWidth = width;
    mHeight = height;
    mScale = scale;
    mDrawScale = drawScale;
  }

private:
  int32_t mImage = 0;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  float mScale = 1.f;
  float mDrawScale = 1.f;
};

} // namespace fx::gfx
