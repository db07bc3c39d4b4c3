#pragma once
// Second base of the controls that draw a frame of a multi-frame bitmap chosen by their value
// (slot 0): frame 1 at 0, the last frame at 1, centred in the control's bounds. Main thread
// only.

#include "graphics/records/IBitmap.h"
#include "graphics/records/IRECT.h"

namespace fx::gfx {

class IControl;
class IGfx;

class IBitmapBase
{
public:
  explicit IBitmapBase(const IBitmap& bitmap) : mBitmap(bitmap) {}
  virtual ~IBitmapBase() = default;

  /** Set by the owning control's constructor. */
  void AttachIControl(IControl* control) { mControl = control; }
  IControl* GetIControl() const { return mControl; }

  /** A rectangle of one frame of bitmap, centred in area. */
  static IRECT FrameRect(const IBitmap& bitmap, const IRECT& area);

  /** The frame (1-based) the owner's value selects: 1 for fewer than two frames or a value at or
   *  below 0, the last frame for 1 and above. */
  int GetFrame() const;
  /** Draws that frame; an empty bitmap draws nothing. */
  void DrawBitmap(IGfx& g);

  /** The same bitmap loaded again for the editor's screen scale; kept when it cannot be found
   *  again (made from memory, or its file gone). */
  void RescaleBitmap();

  const IBitmap& GetBitmap() const { return mBitmap; }
  void SetBitmap(const IBitmap& bitmap) { mBitmap = bitmap; }

protected:
  IBitmap mBitmap;
  IControl* mControl = nullptr;
};

} // namespace fx::gfx
