// The graphics core bound to the vector renderer: every drawing operation of the editor
// becomes renderer paths, paints, images and text, drawn through the Metal renderer into an
// offscreen main framebuffer that each frame then copies to the view's drawable. Owns the
// renderer context, the main framebuffer, this editor's bitmaps and the framebuffers whose
// release waits for the end of the frame; font data lives in a process-wide store shared by
// every editor.
//
// Abstract: the platform half (IGfxMac) derives from it and supplies the view.
// Main thread only; the release stack and the stores lock themselves for the Metal threads
// and other editors.
#pragma once

#include <vector>

#include "core/FxMutex.h"
#include "graphics/IGfx.h"
#include "graphics/StaticStorage.h"
#include "graphics/mac/MVGTypes.h"
#include "vector/VGContext.h"

namespace fx::gfx {

class FontData;

class IGfxVG : public IGfx
{
public:
  /** A renderer image as the graphics core's bitmap: a decoded image, or a framebuffer that
   *  layers draw into. */
  class Bitmap : public APIBitmap
  {
  public:
    /** An existing image of the context; a shared one is never deleted by the bitmap. */
    Bitmap(VGcontext* ctx, int image, float scale, bool shared);
    /** A framebuffer of width × height pixels cleared to transparent black; the owner receives
     *  it at destruction (so it outlives the frame it was drawn in). Rebinds nothing. */
    Bitmap(IGfxVG* owner, VGcontext* ctx, int width, int height, float scale, float drawScale);
    /** An image of RGBA bytes (width × height × 4). */
    Bitmap(VGcontext* ctx, int width, int height, const unsigned char* rgba, float scale, float drawScale);
    ~Bitmap() override;

    MVGframebuffer* GetFramebuffer() const { return mFramebuffer; }
    VGcontext* GetContext() const { return mContext; }

  private:
    IGfxVG* mOwner = nullptr;
    VGcontext* mContext = nullptr;
    MVGframebuffer* mFramebuffer = nullptr;
    bool mShared = false;
  };

  IGfxVG(IGEditorDelegate& dlg, int width, int height, int fps, float scale);
  ~IGfxVG() override;

  // --- Frame ---
  /** Binds the main framebuffer and begins a renderer frame at the window size. Nothing
   *  without a renderer context. */
  void BeginFrame() override;
  /** Flushes into the main framebuffer, copies it to the drawable, and frees the framebuffers
   *  released during the frame. */
  void EndFrame() override;
  void UpdateLayer() override;
  /** Creates the renderer context on the platform's Metal layer. */
  void OnViewInitialized(void* platformContext) override;
  /** Removes the controls and frees this editor's bitmaps, the framebuffers and the context. */
  void OnViewDestroyed() override;
  /** Recreates the main framebuffer at the window size in pixels. */
  void DrawResize() override;
  bool IsDrawContextReady() const override { return mDrawContextReady; }
  void SetDrawContextReady(bool ready) override { mDrawContextReady = ready; }

  // --- Drawing ---
  void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend) override;
  /** Dashes and gaps of dashLen alternate from the first point; nothing for a line shorter
   *  than two of them or a dash length that is not positive. */
  void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                      float thickness, float dashLen) override;
  void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness,
                      float dashLen) override;
  void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop, float roundness,
                          float blur, const IBlend* blend) override;
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, int winding) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool isHole) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  /** Dash settings are not used: the stroke is solid. */
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeStyle& options,
                  const IBlend* blend) override;
  void PathFill(const IPattern& pattern, const IFillStyle& options, const IBlend* blend) override;
  void SetPathTransform(const IMatrix& m) override;
  void SetClipRegion(const IRECT& r) override;
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) override;

  // --- Drawing back end ---
  IColor GetBackgroundColor() const override { return kColorBlack; }
  void* GetDrawContext() override { return mVG; }
  const char* GetDrawingAPIName() override { return "VG | Metal"; }
  /** png, jpg or jpeg anywhere in the extension, in any case. */
  bool BitmapExtSupported(const char* ext) override;
  /** From this editor's store, or located at the nearest scale and loaded there (never redrawn
   *  at another scale). An empty bitmap when nothing is found or the type is refused. */
  IBitmap LoadBitmap(const char* name, int nStates, bool framesAreHorizontal, int targetScale) override;
  IBitmap LoadBitmap(const char* name, const void* data, int dataSize, int nStates, bool framesAreHorizontal,
                     int targetScale) override;
  /** Bitmaps live in this editor's store: these do nothing. */
  void RetainBitmap(const IBitmap&, const char*) override {}
  void ReleaseBitmap(const IBitmap&) override {}
  APIBitmap* LoadAPIBitmap(const char* path, int scale, EResourceLocation location, const char* ext) override;
  /** Encoded image bytes, kept in the store under name and scale. */
  APIBitmap* LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale) override;
  APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable) override;
  /** Hands the font's bytes to the renderer, once per process and font id; false when the font
   *  has no usable face or the renderer refuses it. */
  bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) override;
  void GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data) override;
  void SetLayerBitmapData(const ILayerPtr& layer, const RawBitmapData& data) override;
  void ApplyShadowMask(const ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow) override;
  int GetAlphaChannelIndex() const override { return 3; }
  bool IsBitmapDataFlipped() const override { return false; }

  // --- Own operations ---
  /** Frees the framebuffer now outside a frame; inside one, when the frame ends. */
  void DeferFramebufferRelease(MVGframebuffer* fb);
  void DrainReleaseStack();
  int NPendingFramebufferReleases();
  bool InFrame() const { return mInFrame; }
  MVGframebuffer* GetMainFramebuffer() const { return mMainFramebuffer; }
  /** Bitmaps this editor holds. */
  int NStoredBitmaps() { return mBitmapStore.NEntries(); }
  /** The renderer colour of an IColor at the blend's weight (straight alpha). */
  static VGcolor VGColor(const IColor& color, const IBlend* blend = nullptr);
  /** The window size in points: int(W × draw scale) by int(H × draw scale). */
  int WindowWidth() const { return static_cast<int>(Width() * GetDrawScale()); }
  int WindowHeight() const { return static_cast<int>(Height() * GetDrawScale()); }

  // --- The process-wide font-data store ---
  static FontData* FindFontData(const char* name, double scale);
  static bool AddFontData(FontData* data, const char* name, double scale);
  static void ClearFontStorage();
  static int NStoredFonts();
  static int FontStoreUsers();

protected:
  void SetBlendMode(const IBlend* blend);
  VGpaint MakeGradientPaint(const IPattern& pattern, const IBlend* blend);
  /** Sets the text state and measures: r becomes the text's box, (x, y) its anchor. */
  void PrepareAndMeasureText(const IText& text, const char* str, IRECT& r, float& x, float& y) const;

private:
  /** Binds the main framebuffer and begins a renderer frame at the window size. */
  void BeginMainFrame();
  /** Begins a renderer frame on the top layer's framebuffer, else on the main one. */
  void BeginCurrentTarget();
  /** Frees the bitmaps, the framebuffers and the renderer context (controls stay). */
  void ReleaseContext();
  /** The layer's bitmap as this back end's, null when it has none. */
  static Bitmap* LayerBitmap(const ILayerPtr& layer);
  /** Strokes the current path solid with the default stroke options. */
  void StrokeDashes(const IColor& color, const IBlend* blend, float thickness);
  static void RetainFontStore();
  static void ReleaseFontStore();

  bool mInFrame = false;
  FxMutex mReleaseMutex;
  std::vector<MVGframebuffer*> mReleaseStack;
  StaticStorage<APIBitmap> mBitmapStore;
  VGcontext* mVG = nullptr;
  MVGframebuffer* mMainFramebuffer = nullptr;
  bool mDrawContextReady = false;
};

} // namespace fx::gfx
