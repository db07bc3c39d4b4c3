#include "graphics/records/IRECTList.h"

namespace fx::gfx {

IRECT IRECTList::Bounds() const
{
  const int n = Size();
  if (n == 0) return IRECT();
  IRECT u = mRects.Get()[0];
  for (int i = 1; i < n; ++i) u = u.Union(mRects.Get()[i]);
  return u;
}

void IRECTList::PixelAlign(float scale)
{
  const int n = Size();
  for (int i = 0; i < n; ++i) mRects.Get()[i].PixelAlign(scale);
}

bool IRECTList::LiesAlongSide(const IRECT& r, const IRECT& x)
{
  return (x.L == r.L && x.R == r.R && (x.T == r.T || x.B == r.B)) ||
         (x.T == r.T && x.B == r.B && (x.L == r.L || x.R == r.R));
}

bool IRECTList::LiesInCorner(const IRECT& r, const IRECT& x)
{
  return (x.L == r.L || x.R == r.R) && (x.T == r.T || x.B == r.B);
}

IRECT IRECTList::Shrink(const IRECT& r, const IRECT& x)
{
  if (r.L != x.L) return IRECT(r.L, r.T, x.L, r.B);
  if (r.T != x.T) return IRECT(r.L, r.T, r.R, x.T);
  if (r.R != x.R) return IRECT(x.R, r.T, r.R, r.B);
  return IRECT(r.L, x.B, r.R, r.B);
}

IRECT IRECTList::Split(const IRECT& r, const IRECT& x, IRECT* piece)
{
  if (r.L == x.L && r.T == x.T)
  {
    *piece = IRECT(x.R, r.T, r.R, x.B);
    return IRECT(r.L, x.B, r.R, r.B);
  }
  if (r.L == x.L)
  {
    *piece = IRECT(r.L, r.T, r.R, x.T);
    return IRECT(x.R, x.T, r.R, r.B);
  }
  if (r.T == x.T)
  {
    *piece = IRECT(r.L, r.T, x.L, x.B);
    return IRECT(r.L, x.B, r.R, r.B);
  }
  *piece = IRECT(r.L, r.T, r.R, x.T);
  return IRECT(r.L, x.T, x.L, r.B);
}

void IRECTList::Optimize()
{
  // Pass 1: remove contained rectangles and cut overlaps. Pieces appended by a split are
  // visited later, since the size is re-read on every step. Every step keeps the covered area,
  // so the cap on appended pieces (a guard against pathological zero-size overlaps) is safe.
  const int maxSize = Size() * 16 + 64;
  for (int i = 0; i < Size(); ++i)
  {
    for (int j = i + 1; j < Size();)
    {
      IRECT a = Get(i);
      IRECT b = Get(j);
      if (a.Contains(b))
      {
        Delete(j);
        continue;
      }
      if (b.Contains(a))
      {
        Delete(i);
        j = i + 1;
        continue;
      }
      if (a.Intersects(b))
      {
        // Cut the overlap x out of one of the two. Only cuts that leave one rectangle are
        // made: shrinking when x runs along a whole side, splitting when x sits in a corner.
        // An overlap through the middle of both (a cross) stays; it is only drawn twice.
        const IRECT x = a.Intersect(b);
        if (LiesAlongSide(a, x))
          Set(i, Shrink(a, x));
        else if (LiesAlongSide(b, x))
          Set(j, Shrink(b, x));
        else
        {
          const bool splitA = a.Area() < b.Area();
          const int first = splitA ? i : j;
          const int second = splitA ? j : i;
          const int target = LiesInCorner(Get(first), x) ? first : (LiesInCorner(Get(second), x) ? second : -1);
          if (target >= 0)
          {
            if (Size() >= maxSize) break;
            IRECT piece;
            Set(target, Split(Get(target), x, &piece));
            if (!Add(piece)) return; // out of memory: the list still covers everything
          }
        }
      }
      ++j;
    }
  }

  // Pass 2: merge mergeable pairs, restarting after each merge.
  bool merged = true;
  while (merged)
  {
    merged = false;
    for (int i = 0; i < Size() && !merged; ++i)
    {
      for (int j = i + 1; j < Size(); ++j)
      {
        const IRECT a = Get(i);
        const IRECT b = Get(j);
        if (a.Mergeable(b))
        {
          Set(j, a.Union(b));
          Delete(i);
          merged = true;
          break;
        }
      }
    }
  }
}

} // namespace fx::gfx
