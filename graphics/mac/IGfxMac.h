// The editor object of the plug-in on macOS: the vector-renderer binding (IGfxVG) with the
// platform's view (IGfxView_vORBEX9_au) inside the host's window, the screen scale, cursor
// hiding, locking, warping and kinds, tooltips, modal message boxes, file, folder and colour
// prompts, native menus and text fields, URL opening and revealing files, the clipboard, the
// appearance and the platform fonts.
//
// The product's graphics factory makes one per editor opening and sets the bundle identifier;
// the editor delegate owns it. Main thread only.
#pragma once

#include <CoreGraphics/CGGeometry.h>

#include "core/FxString.h"
#include "graphics/mac/IGfxVG.h"

namespace fx::gfx {

class IGfxView_vORBEX9_au;

class IGfxMac : public IGfxVG
{
public:
  /** A frame rate of 0 or less gives 60. */
  IGfxMac(IGEditorDelegate& dlg, int width, int height, int fps, float scale);
  /** Tears the view down as CloseWindow does. */
  ~IGfxMac() override;

  void SetBundleID(const char* id) { mBundleID.Set(id ? id : ""); }
  const char* GetBundleID() override { return mBundleID.Get(); }

  // --- Window ---
  /** Closes a view left open, creates the view with its draw context, marks the delegate
   *  editor-ready, takes the main screen's backing scale, runs the delegate's layout, updates
   *  the tooltips, calls OnUIOpen and adds the view to the parent (when not null). */
  void* OpenWindow(void* pParent) override;
  /** Removes the tooltips, stops the timer, takes the view out of its superview and releases
   *  it; then the drawing resources go. */
  void CloseWindow() override;
  void* GetWindow() override;
  bool WindowIsOpen() override { return mView != nullptr; }
  IGfxView_vORBEX9_au* GetView() const { return mView; }
  void PlatformResize(bool parentHasResized) override;
  bool GetPlatformScreenRoom(float& width, float& height) const override;
  void AttachPlatformView(const IRECT& r, void* view) override;
  void RemovePlatformView(void* view) override;
  EUIAppearance GetUIAppearance() const override;
  const char* GetPlatformName() override { return "Cocoa"; }
  void UpdateTooltips() override;

  // --- Cursor ---
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide, bool lock) override;
  void MoveMouseCursor(float x, float y) override;
  ECursor SetMouseCursor(ECursor cursorType) override;
  /** The view's rule for a measured pointer position: while the cursor is hidden and locked (and
   *  no tablet is in use) the cursor goes back where it was hidden and the stored position is
   *  reported; otherwise the position is stored and reported as it is. */
  void DoCursorLock(float x, float y, float& outX, float& outY);
  CGPoint GetCursorScreenPoint() const { return mCursorScreenPoint; }
  /** Logical view coordinates to screen coordinates and back (bottom-left origin). */
  CGPoint ViewToScreen(float x, float y) const;
  void ScreenToView(CGPoint screen, float& x, float& y) const;

  // --- Prompts and platform input ---
  EMessageBoxResult ShowMessageBox(const char* str, const char* caption, EMessageBoxButtons buttons,
                                   IMsgBoxCompletionHandlerFunc completionHandler) override;
  void PromptForFile(FxString& fileName, FxString& path, EFilePromptAction action, const char* ext) override;
  /** Asks the platform, as its save panels do (nsx::CheckSave). */
  bool MaySaveFile(const char* path, FxString& why) override;
  void PromptForDirectory(FxString& dir) override;
  bool PromptForColor(IColor& color, const char* prompt, IColorPickerHandlerFunc func) override;
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  void EndPlatformUserInput() override;

  // --- System ---
  bool OpenURL(const char* url, const char* msgWindowTitle, const char* confirmMsg,
               const char* errMsgOnFailure) override;
  bool RevealPath(const char* path, bool select) override;
  bool GetTextFromClipboard(FxString& str) override;
  bool SetTextInClipboard(const char* str) override;
  /** The system version as 0x10XY: 0x10B0 from 10.11 on. */
  static int GetSystemVersion();

  // --- Fonts ---
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, void* data, int dataSize) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) override;

private:
  /** The view teardown of CloseWindow, without the drawing resources. */
  void CloseView();
  /** The cursor's screen point (whole points) becomes the stored position, in view units when a
   *  view exists. */
  void StoreCursorPosition();
  /** Moves the cursor to the stored screen point (bottom-left origin). */
  void WarpCursorToStoredPoint();

  IGfxView_vORBEX9_au* mView = nullptr; // one reference
  CGPoint mCursorScreenPoint{0.0, 0.0};
  FxString mBundleID;
};

} // namespace fx::gfx
