#pragma once
// Rectangles in insertion order: dirty regions and gesture regions. Single owner.

#include "core/FxTypedBuf.h"
#include "graphics/records/IRECT.h"

namespace fx::gfx {

class IRECTList
{
public:
  IRECTList() = default;

  // Appends a copy; false when the list could not grow.
  bool Add(const IRECT& r) { return mRects.Add(r); }
  // Removes entry idx (ignored outside the range); later entries move down.
  void Delete(int idx) { mRects.Delete(idx); }
  int Size() const { return mRects.GetSize(); }
  // The empty rectangle outside the range.
  IRECT Get(int idx) const { return (idx >= 0 && idx < Size()) ? mRects.Get()[idx] : IRECT(); }
  void Set(int idx, const IRECT& r) { if (idx >= 0 && idx < Size()) mRects.Get()[idx] = r; }
  void Clear() { mRects.Clear(); }

  // Union of every entry starting from the first (empty for an empty list).
  IRECT Bounds() const;
  // Every entry outward to whole pixels at scale.
  void PixelAlign(float scale);

  // Rewrites the list so it covers the same area with fewer, non-overlapping pieces: contained
  // rectangles are removed, overlaps cut by shrinking or splitting, mergeable pairs merged.
  void Optimize();

  // x runs along one whole side of r (shares three of its edges).
  static bool LiesAlongSide(const IRECT& r, const IRECT& x);
  // x shares a corner with r.
  static bool LiesInCorner(const IRECT& r, const IRECT& x);
  // Shrinks r by x, a rectangle lying along one full side of r.
  static IRECT Shrink(const IRECT& r, const IRECT& x);
  // Splits r around x, which lies at a corner of r: returns what is left of r and the piece
  // to append in *piece.
  static IRECT Split(const IRECT& r, const IRECT& x, IRECT* piece);

private:
  FxTypedBuf<IRECT> mRects;
};

} // namespace fx::gfx
