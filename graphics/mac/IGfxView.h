// The editor's Cocoa view: it hosts the CAMetalLayer the renderer draws into, runs the frame
// timer that draws the graphics core's dirty controls, turns Cocoa's mouse, wheel, key, focus,
// appearance and drag events into the graphics core's input calls (positions in editor units:
// view points divided by the draw scale), and shows the native menus, the text field for a
// value, the colour panel, tooltips and the cursor kinds the controls ask for.
//
// Made by IGfxMac::OpenWindow; works only while its editor object is set. Main thread only.
#pragma once

#include <AppKit/AppKit.h>

#include <functional>

#include "graphics/IGfx.h"
#include "graphics/records/IRECTList.h"

namespace fx::gfx {

class IGfxMac;
class IGfxTextField_vORBEX9_au;

class IGfxView_vORBEX9_au : public NSView, public NSViewToolTipOwner, public NSTextFieldDelegate {
  NS_CLASS(IGfxView_vORBEX9_au, NSView)
 public:
  using ColorPickerFunc = std::function<void(const IColor& color)>;

  // Creation: the frame is the editor's size times its draw scale; the Metal layer and the
  // frame timer start here.
  IGfxView_vORBEX9_au* initWithIGfx(IGfxMac* graphics);
  void dealloc() override;

  // The editor object (not owned); null once it is gone: the view then ignores everything.
  IGfxMac* graphics() const { return mGraphics; }
  void forgetGraphics() { mGraphics = nullptr; }
  CAMetalLayer* metalLayer() const;

  // --- Frame timer ---
  void setTimer();
  void killTimer();
  bool timerRunning() const { return mTimer != nullptr; }
  void onTimer(NSTimer* timer);
  // One frame: the dirty controls are drawn, nothing when none is dirty.
  void render();

  // --- NSView ---
  BOOL isOpaque() override { return mGraphics != nullptr; }
  BOOL isFlipped() override { return YES; }
  BOOL acceptsFirstResponder() override { return YES; }
  BOOL acceptsFirstMouse(NSEvent*) override { return YES; }
  void drawRect(NSRect) override {}
  void viewDidMoveToWindow() override;
  void viewDidChangeBackingProperties() override;
  void viewDidChangeEffectiveAppearance() override;
  void frameDidChange(NSNotification* notification);
  void windowDidResign(NSNotification* notification);
  /** On its new screen the editor is no larger than the screen (the graphics core's scale limit). */
  void windowDidChangeScreen(NSNotification* notification);
  BOOL resignFirstResponder() override;
  // A text field is closed without commit and the editor delegate closes the editor (which
  // releases this view) before the view leaves its superview.
  void removeFromSuperview() override;

  // --- Pointer ---
  void updateTrackingAreas() override;
  void mouseEntered(NSEvent* event) override;
  void mouseExited(NSEvent* event) override;
  void mouseDown(NSEvent* event) override;
  void mouseUp(NSEvent* event) override;
  void mouseDragged(NSEvent* event) override;
  void rightMouseDown(NSEvent* event) override;
  void rightMouseUp(NSEvent* event) override;
  void rightMouseDragged(NSEvent* event) override;
  void mouseMoved(NSEvent* event) override;
  void scrollWheel(NSEvent* event) override;
  // The event's position in editor units after the cursor-lock rule; false without an editor.
  bool getMouseXY(NSEvent* event, float& x, float& y);
  IMouseInfo getMouseLeft(NSEvent* event);
  IMouseInfo getMouseRight(NSEvent* event);

  // --- Keys ---
  void keyDown(NSEvent* event) override;
  void keyUp(NSEvent* event) override;

  // --- Cursor ---
  void setMouseCursor(ECursor cursorType);

  // --- Menus, text field, colour panel ---
  // Shows the menu at the rectangle (view points) and answers the menu (or submenu) whose item
  // was chosen, with its chosen index set; null when nothing was.
  IPopupMenu* createPopupMenu(IPopupMenu& menu, NSRect bounds);
  void createTextEntry(int paramIdx, const IText& text, const char* str, int length, NSRect areaRect);
  // Removes the open text field without committing its text.
  void endUserInput();
  bool textFieldOpen() const { return mTextFieldView != nullptr; }
  IGfxTextField_vORBEX9_au* textField() const { return mTextFieldView; }
  void controlTextDidEndEditing(NSNotification* notification) override;
  BOOL promptForColor(const IColor& color, ColorPickerFunc func);
  void onColorPicked(NSColorPanel* panel);

  // --- Tooltips ---
  void registerToolTip(const IRECT& bounds);
  NSString* stringForToolTip(NSView* view, NSToolTipTag tag, NSPoint point, void* userData) override;

  // --- Drag and drop ---
  NSDragOperation draggingEntered(NSDraggingInfo* sender) override;
  BOOL performDragOperation(NSDraggingInfo* sender) override;

  float prevX() const { return mPrevX; }
  float prevY() const { return mPrevY; }
  NSCursor* moveCursor() const { return mMoveCursor; }

 protected:
  IGfxView_vORBEX9_au() = default;

 private:
  void pointerMod(NSEvent* event, IMouseMod& mod);
  void pressed(NSEvent* event, bool right);
  void dragged(NSEvent* event, bool right);
  void key(NSEvent* event, bool up);
  NSCursor* makeMoveCursor();

  IGfxMac* mGraphics = nullptr;
  NSTimer* mTimer = nullptr;
  NSTrackingArea* mTrackingArea = nullptr;
  IGfxTextField_vORBEX9_au* mTextFieldView = nullptr;
  NSCursor* mMoveCursor = nullptr;
  BOOL mMoveCursorTried = NO;
  float mPrevX = 0.f;
  float mPrevY = 0.f;
  BOOL mMouseOutDuringDrag = NO;
  IRECTList mDirtyRects;
  ColorPickerFunc mColorPickerFunc;
};

// A rectangle of editor units as view points: floor of left and top, ceil of right and bottom.
NSRect ScaledViewRect(const IRECT& r, float scale);

}  // namespace fx::gfx
