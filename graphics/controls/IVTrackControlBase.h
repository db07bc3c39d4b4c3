#pragma once
// The base of vector controls that show several value slots as parallel tracks, one parameter
// each: optional step cells, track names, a baseline the fills grow from, peaks and a
// highlighted track. IVRangeSliderControl builds on it. Main thread only.

#include "core/FxString.h"
#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

#include <vector>

namespace fx::gfx {

class IVTrackControlBase : public IControl, public IVectorBase
{
public:
  /** One track per parameter index, in list order. */
  IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style, const std::vector<int>& params,
                     int nSteps = 0, EDirection direction = kVertical, const std::vector<const char*>& trackNames = {});

  void Draw(IGfx& g) override;
  /** Every track in order. */
  void DrawWidget(IGfx& g) override;
  /** The baseline (when above 0) across rect; no fill. */
  void DrawBackground(IGfx& g, const IRECT& rect) override;
  virtual void DrawTrack(IGfx& g, const IRECT& r, int chIdx);
  virtual void DrawTrackBackground(IGfx& g, const IRECT& r, int chIdx);
  virtual void DrawTrackName(IGfx& g, const IRECT& r, int chIdx);
  virtual void DrawTrackHandle(IGfx& g, const IRECT& r, int chIdx, bool aboveBaseValue);
  virtual void DrawPeak(IGfx& g, const IRECT& r, int chIdx, bool aboveBaseValue);
  virtual void MakeTrackRects(const IRECT& bounds);
  /** The step cells along the direction, stored last cell first. */
  virtual void MakeStepRects(const IRECT& bounds, int nSteps);

  void OnResize() override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  /** The first track containing the point, -1 when none. */
  int GetValIdxForPos(float x, float y) const override;

  int NTracks() const { return NVals(); }
  const IRECT& GetTrackBounds(int i) const { return mTrackBounds[static_cast<size_t>(i)]; }
  int NStepRects() const { return static_cast<int>(mStepBounds.size()); }
  const IRECT& GetStepRect(int j) const { return mStepBounds[static_cast<size_t>(j)]; }
  /** The area the value of track i fills (before snapping to step cells). */
  IRECT GetFillArea(const IRECT& r, int chIdx) const;

  void SetBaseValue(double value) { mBaseValue = value; }
  void SetHighlightedTrack(int chIdx) { mHighlightedTrack = chIdx; }
  void SetTrackGap(float gap) { mTrackGap = gap; }
  void SetPeakSize(float size) { mPeakSize = size; }
  void SetDrawTrackFrame(bool draw) { mDrawTrackFrame = draw; }
  void SetZeroValueStepHasBounds(bool has) { mZeroValueStepHasBounds = has; }
  int GetMouseOverTrack() const { return mMouseOverTrack; }

protected:
  EDirection mDirection;
  std::vector<IRECT> mTrackBounds;
  std::vector<IRECT> mStepBounds;
  std::vector<FxString> mTrackNames;
  int mNSteps;
  float mTrackGap = 0.f;
  float mPeakSize = 1.f;
  int mHighlightedTrack = -1;
  int mMouseOverTrack = -1;
  double mBaseValue = 0.0;
  bool mDrawTrackFrame = true;
  bool mZeroValueStepHasBounds = true;
};

} // namespace fx::gfx
