#pragma once
// A headless back end for the graphics core's tests: every drawing and platform call is
// recorded with its arguments, and what the platform would answer (decoded bitmaps, measured
// text, menu choices, layer pixels) is set by the test.

#include "graphics/IGfx.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fx::gfx::test {

/** One recorded call: its name, numeric arguments, a text argument and a pointer argument. */
struct Call
{
  std::string op;
  std::vector<double> a;
  std::string s;
  const void* p = nullptr;
};

/** A back-end bitmap of a given pixel size that counts the live ones. */
class FakeBitmap : public APIBitmap
{
public:
  FakeBitmap(int w, int h, float scale, float drawScale = 1.f) : APIBitmap(++sNextImage, w, h, scale, drawScale)
  {
    ++sAlive;
  }
  ~FakeBitmap() override { --sAlive; }
  static inline int sAlive = 0;
  static inline int sNextImage = 0;
};

class FakeFont : public PlatformFont
{
public:
  explicit FakeFont(std::string name) : mName(std::move(name)) {}
  std::string mName;
};

class RecordingGfx : public IGfx
{
public:
  explicit RecordingGfx(IGEditorDelegate& dlg, int w = 1000, int h = 270, int fps = 60, float scale = 1.f);
  ~RecordingGfx() override;

  // --- What the test reads ---
  mutable std::vector<Call> calls;
  void Clear() { calls.clear(); }
  std::vector<std::string> Ops() const;
  int Count(const std::string& op) const;
  /** The first call of that name, or null. */
  const Call* Find(const std::string& op) const;
  /** Calls of that name. */
  std::vector<Call> All(const std::string& op) const;

  // --- What the platform answers ---
  /** Chosen item index of a platform menu (-1: dismissed); the menu is returned with it set. */
  int menuChoice = -1;
  bool menuAsync = false;
  /** Text measures this wide per byte and as high as the text size. */
  float charWidth = 6.f;
  bool acceptFonts = true;
  bool platformHasFont = true;
  bool flippedBitmapData = false;
  float windowScale = 1.f;
  /** The screen's room for the view in points; 0 x 0: the view is on no screen. */
  float screenRoomW = 0.f, screenRoomH = 0.f;
  /** Pixels of a layer read back: RGBA bytes of width × height; empty: transparent. */
  std::function<void(const ILayer& layer, RawBitmapData& data)> layerPixels;
  RawBitmapData lastShadowMask;
  float mouseX = 0.f, mouseY = 0.f;

  // --- Drawing back end ---
  void PathClear() override { Rec("PathClear"); }
  void PathClose() override { Rec("PathClose"); }
  void PathArc(float cx, float cy, float r, float a1, float a2, int winding) override
  {
    Rec("PathArc", {cx, cy, r, a1, a2, static_cast<double>(winding)});
  }
  void PathMoveTo(float x, float y) override { Rec("PathMoveTo", {x, y}); }
  void PathLineTo(float x, float y) override { Rec("PathLineTo", {x, y}); }
  void PathSetWinding(bool isHole) override { Rec("PathSetWinding", {isHole ? 1.0 : 0.0}); }
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override
  {
    Rec("PathCubicBezierTo", {c1x, c1y, c2x, c2y, x2, y2});
  }
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override
  {
    Rec("PathQuadraticBezierTo", {cx, cy, x2, y2});
  }
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeStyle& options, const IBlend* blend) override;
  void PathFill(const IPattern& pattern, const IFillStyle& options, const IBlend* blend) override;
  void SetPathTransform(const IMatrix& m) override { Rec("SetPathTransform", {m.mXX, m.mYX, m.mXY, m.mYY, m.mTX, m.mTY}); }
  void SetClipRegion(const IRECT& r) override { Rec("SetClipRegion", {r.L, r.T, r.R, r.B}); }
  void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int srcX, int srcY, const IBlend* blend) override;
  IColor GetBackgroundColor() const override { return kColorBlack; }
  void* GetDrawContext() override { return nullptr; }
  const char* GetDrawingAPIName() override { return "Recording"; }
  bool BitmapExtSupported(const char* ext) override;
  APIBitmap* LoadAPIBitmap(const char* path, int scale, EResourceLocation location, const char* ext) override;
  APIBitmap* LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale) override;
  APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable) override;
  bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) override;
  void GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data) override;
  void SetLayerBitmapData(const ILayerPtr& layer, const RawBitmapData& data) override;
  void ApplyShadowMask(const ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow) override;
  int GetAlphaChannelIndex() const override { return 3; }
  bool IsBitmapDataFlipped() const override { return flippedBitmapData; }
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) override;
  void UpdateLayer() override { Rec("UpdateLayer"); }
  void BeginFrame() override
  {
    Rec("BeginFrame");
    IGfx::BeginFrame();
  }
  void EndFrame() override { Rec("EndFrame"); }
  void DrawResize() override { Rec("DrawResize"); }
  void OnControlDrawn(const IRECT& r) override { Rec("OnControlDrawn", {r.L, r.T, r.R, r.B}); }

  // --- Platform back end ---
  void GetMouseLocation(float& x, float& y) const override
  {
    x = mouseX;
    y = mouseY;
  }
  void HideMouseCursor(bool hide, bool lock) override;
  void MoveMouseCursor(float x, float y) override { Rec("MoveMouseCursor", {x, y}); }
  ECursor SetMouseCursor(ECursor cursorType) override
  {
    Rec("SetMouseCursor", {static_cast<double>(cursorType)});
    return IGfx::SetMouseCursor(cursorType);
  }
  void EndPlatformUserInput() override { Rec("EndPlatformUserInput"); }
  void* OpenWindow(void* pParent) override;
  void CloseWindow() override;
  void* GetWindow() override { return mOpen ? this : nullptr; }
  bool GetTextFromClipboard(FxString& str) override
  {
    str.Set(clipboard.c_str());
    return !clipboard.empty();
  }
  bool SetTextInClipboard(const char* str) override
  {
    clipboard = str ? str : "";
    return true;
  }
  void UpdateTooltips() override { Rec("UpdateTooltips"); }
  EMessageBoxResult ShowMessageBox(const char* str, const char* caption, EMessageBoxButtons buttons,
                                   IMsgBoxCompletionHandlerFunc completionHandler) override;
  void PromptForFile(FxString& fileName, FxString& path, EFilePromptAction action, const char* ext) override;
  void PromptForDirectory(FxString& dir) override { Rec("PromptForDirectory", {}, dir.Get()); }
  bool PromptForColor(IColor& color, const char* prompt, IColorPickerHandlerFunc func) override;
  bool OpenURL(const char* url, const char*, const char*, const char*) override
  {
    Rec("OpenURL", {}, url ? url : "");
    return true;
  }
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, void* data, int dataSize) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) override;
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  float GetPlatformWindowScale() const override { return windowScale; }
  bool GetPlatformScreenRoom(float& width, float& height) const override
  {
    width = screenRoomW;
    height = screenRoomH;
    return screenRoomW > 0.f;
  }
  void PlatformResize(bool parentHasResized) override { Rec("PlatformResize", {parentHasResized ? 1.0 : 0.0}); }

  std::string clipboard;
  /** The last menu shown by the platform. */
  IPopupMenu* lastMenu = nullptr;

private:
  void Rec(const char* op, std::vector<double> a = {}, std::string s = {}, const void* p = nullptr) const
  {
    calls.push_back({op, std::move(a), std::move(s), p});
  }
  bool mOpen = false;
};

} // namespace fx::gfx::test
