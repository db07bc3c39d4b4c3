#pragma once
// An editor that draws real pixels: the recording back end with its path primitives, fills,
// strokes, text, bitmaps, layers and shadows carried out by the vector renderer on the Metal
// renderer over the software Metal layer, the way the macOS back end binds them. Frames are
// drawn into an offscreen framebuffer and read back as RGBA.

#include "tests/graphics/RecordingGfx.h"
#include "tests/metal/Harness.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fx::gfx::test {

class VGTestGfx : public RecordingGfx
{
public:
  /** Loads Roboto-Regular from the system's fonts as "Roboto-Regular". */
  VGTestGfx(IGEditorDelegate& dlg, int w, int h, float scale = 1.f);
  ~VGTestGfx() override;

  /** One frame over the whole editor, cleared to clear, with draw run inside it. */
  Image Render(const std::function<void()>& draw, VGcolor clear = rgba(1, 1, 1, 1));
  /** Every control drawn as a frame of the whole editor. */
  Image DrawAll(VGcolor clear = rgba(1, 1, 1, 1));
  /** A bitmap of w × h RGBA pixels (top row first), held by this editor until it goes. */
  IBitmap MakeBitmap(int w, int h, const std::vector<uint8_t>& rgba, int nFrames = 1, bool horizontal = false);
  bool HasFont() const { return mHasFont; }

  // --- Drawing back end on the vector renderer ---
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, int winding) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool isHole) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeStyle& options, const IBlend* blend) override;
  void PathFill(const IPattern& pattern, const IFillStyle& options, const IBlend* blend) override;
  void SetPathTransform(const IMatrix& m) override;
  void SetClipRegion(const IRECT& r) override;
  void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend) override;
  void DrawFastDropShadow(const IRECT& inner, const IRECT& outer, float xyDrop, float roundness, float blur,
                          const IBlend* blend) override;
  APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable) override;
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) override;
  void UpdateLayer() override;
  const char* GetDrawingAPIName() override { return "VG | Metal"; }

private:
  class Bitmap;
  void PrepareText(const IText& text, const char* str, IRECT& r, float& x, float& y) const;
  VGcolor Color(const IColor& c, const IBlend* blend) const;
  void BeginTarget();
  int WindowW() const { return static_cast<int>(Width() * GetDrawScale()); }
  int WindowH() const { return static_cast<int>(Height() * GetDrawScale()); }

  Harness mHarness;
  MVGframebuffer* mMain = nullptr;
  int mMainW = 0, mMainH = 0;
  bool mInFrame = false;
  bool mHasFont = false;
  std::vector<std::unique_ptr<APIBitmap>> mOwnedBitmaps;
};

} // namespace fx::gfx::test
