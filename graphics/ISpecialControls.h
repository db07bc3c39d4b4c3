#pragma once
// The editor's special controls as the editor reaches them: the in-editor text field and pop-up
// menu (made by the control library), the value bubble and the frame-rate display. Each concrete
// control derives from its base here; the editor reads the fields and calls the operations
// declared here and nothing else of them. Main thread.

#include "graphics/IControl.h"

#include <cstdint>

namespace fx::gfx {

class IPopupMenu;

/** The in-editor text field. While it edits it takes every hit test and is the only control
 *  that receives drags. Return commits through the editor's SetControlValueAfterTextEdit;
 *  Hide(true) dismisses it. */
class ITextEntryControlBase : public IControl
{
public:
  explicit ITextEntryControlBase(const IRECT& bounds = IRECT()) : IControl(bounds) {}

  /** Opens the field over bounds for the parameter (-1: none) with the initial text. */
  virtual void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str) = 0;
  bool GetEditing() const { return mEditing; }

protected:
  bool mEditing = false; // true while a text is being edited
};

/** The in-editor pop-up menu. While expanded it takes every hit test. When the user chooses or
 *  dismisses, it calls the editor's SetControlValueAfterPopupMenu (null when nothing was chosen)
 *  and then the menu's completion function. Hide(true) collapses it. */
class IPopupMenuControlBase : public IControl
{
public:
  static constexpr int kCollapsed = 0;
  static constexpr int kExpanded = 2;

  explicit IPopupMenuControlBase(const IRECT& bounds = IRECT()) : IControl(bounds) {}

  /** Shows the menu anchored at bounds. */
  virtual void CreatePopupMenu(IPopupMenu& menu, const IRECT& bounds) = 0;
  int GetState() const { return mState; }
  bool GetExpanded() const { return mState == kExpanded; }

protected:
  int mState = kCollapsed;
};

/** The floating value bubble shown next to a control while it changes. */
class IBubbleControlBase : public IControl
{
public:
  explicit IBubbleControlBase(const IRECT& bounds = IRECT()) : IControl(bounds) {}

  /** Shows str next to the anchor (x, y) of caller; the content is at least minimumContentBounds
   *  large. touchId is the pointer that holds the caller. */
  virtual void ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                          const IRECT& minimumContentBounds, uint64_t touchId) = 0;
  uint64_t GetTouchId() const { return mTouchId; }

protected:
  uint64_t mTouchId = 0;
};

/** The frame-timing display: keeps the last 100 frame times (seconds) for drawing. */
class IFPSDisplayControlBase : public IControl
{
public:
  static constexpr int kNumFrameTimes = 100;

  explicit IFPSDisplayControlBase(const IRECT& bounds = IRECT()) : IControl(bounds) {}

  /** The entry after the newest (wrapping after 100) receives the time and becomes the newest. */
  void AddFrameTime(float seconds)
  {
    mNewest = (mNewest + 1) % kNumFrameTimes;
    mFrameTimes[mNewest] = seconds;
  }
  float GetFrameTime(int i) const { return mFrameTimes[i]; }
  /** Index of the newest entry. */
  int GetNewestIndex() const { return mNewest; }

protected:
  float mFrameTimes[kNumFrameTimes] = {};
  int mNewest = 0;
};

} // namespace fx::gfx
