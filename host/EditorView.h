#pragma once
// A unit's editor as a host application shows it: the Cocoa-view property
// (31) names the view factory's class, the class is made by name from the
// object runtime, and the view it gives goes into a window of the platform
// layer. Pointer, wheel and key events reach the view through the window as
// a person's would; the view's timer draws on the main run loop's clock and
// the frames are read back from its Metal layer. Closing takes the view out
// of the window, which closes the editor. Main thread only.

#include <AppKit/AppKit.h>
#include <AudioUnit/AudioUnit.h>

#include <cstdint>
#include <string>
#include <vector>

class CAMetalLayer;

namespace orbexhost {

class EditorView {
public:
  EditorView() = default;
  ~EditorView();
  EditorView(const EditorView&) = delete;
  EditorView& operator=(const EditorView&) = delete;

  // Opens unit's editor in a new window titled title. editorScale is the
  // scale the unit's editor opens at (its size at scale 1 is the view's size
  // divided by it). False with a message when the unit has no editor or the
  // view cannot be made.
  bool Open(AudioUnit unit, double editorScale, const std::string& title, std::string& error);
  // Takes the view out of its window (the editor closes) and releases all.
  void Close();
  bool IsOpen() const { return mView != nullptr; }

  NSWindow* Window() const { return mWindow; }
  // The editor's size at scale 1, and its scale now (its view's width over it).
  double Width() const { return mWidth; }
  double Height() const { return mHeight; }
  double Scale() const;
  // The view's size in points.
  NSSize ViewSize() const;

  // A pointer event at (x, y) in editor units, placed with scale (view
  // points per editor unit). modifiers are ScriptModifier bits.
  void Mouse(NSEventType type, double x, double y, double scale, unsigned modifiers, int clickCount);
  // A move or drag to (x, y) carrying the hand's movement (dx, dy), in editor
  // units, as a device gives it.
  void Move(NSEventType type, double x, double y, double scale, unsigned modifiers, double dx, double dy);
  // Where the pointer is now, in editor units at scale.
  NSPoint PointerAt(double scale) const;
  // The wheel turned by lines (positive: away from the person) at (x, y).
  void Wheel(double x, double y, double scale, double lines, unsigned modifiers);
  // A key pressed and released: the key code with the characters it types.
  void Key(unsigned short keyCode, const std::u16string& characters, const std::u16string& ignoringModifiers,
           unsigned modifiers);

  // Lets seconds pass on the main run loop's clock (timers, idle, frames),
  // then waits until every frame drawn meanwhile has reached the layer and
  // keeps the window the view's size. False with a message when frames do
  // not arrive.
  bool Advance(double seconds, std::string& error);
  // The picture the view shows, drawn first when it has not drawn yet: RGBA
  // rows top down, width x height pixels. False with a message.
  bool Picture(std::vector<uint8_t>& rgba, int& width, int& height, std::string& error);

  // Drags the editor's corner resizer from near its lower right corner so
  // the editor takes scale, as a person would. False with a message when the
  // editor did not take it.
  bool DragToScale(double scale, std::string& error);

  // NSEvent modifier flags of ScriptModifier bits.
  static NSEventModifierFlags Flags(unsigned modifiers);

  // Makes the window the view's size, keeping its top-left corner where the screen has room. Called
  // whenever the view's frame changes, so that events the window takes next are placed in the
  // window the view is in.
  void FitWindow();

private:
  NSPoint WindowPoint(double x, double y, double scale);
  CAMetalLayer* Layer() const;
  bool WaitForFrames(std::string& error);

  NSWindow* mWindow = nullptr;
  NSView* mView = nullptr;     // retained
  NSObject* mFactory = nullptr;
  NSObject* mFollower = nullptr;  // calls FitWindow when the view's frame changes
  double mWidth = 0, mHeight = 0;
};

}  // namespace orbexhost
