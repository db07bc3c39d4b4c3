#pragma once
// Second base of the controls that draw a frame of a multi-frame bitmap chosen by their value
// (slot 0): frame 1 at 0, the last frame at 1, centred in the control's bounds. Main thread
// only.

#include "graphics/records/IBitmap.h"

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

  /** The frame (1-based) the owner's value selects: 1 for fewer than two frames or a value at or
   *  below 0, the last frame for 1 and above. */
  int GetFrame() const;
  /** Draws that frame; an empty bitmap draws nothing. */
  void DrawBitmap(IGfx& g);

  const IBitmap& GetBitmap() const { return mBitmap; }
  void SetBitmap(const IBitmap& bitmap) { mBitmap = bitmap; }

protected:
  IBitmap mBitmap;
  IControl* mControl = nullptr;
};

} // namespace fx::gfx
