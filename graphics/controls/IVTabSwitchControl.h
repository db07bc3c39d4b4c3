#pragma once
// Switches with one labelled segment per state: IVTabSwitchControl lays its tabs side by side
// (or stacked) across the widget; IVRadioButtonControl draws one round button per row with its
// label beside it. A press on a segment selects its state. Main thread only.

#include "core/FxString.h"
#include "graphics/ISwitchControlBase.h"
#include "graphics/IVectorBase.h"

#include <initializer_list>
#include <vector>

namespace fx::gfx {

class IVTabSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  /** Where a tab lies in the row, for its corners. */
  enum ETabPosition : int
  {
    kTabFirst = 0,
    kTabMiddle = 1,
    kTabLast = 2,
  };

  /** As many states as labels (the parameter's range once attached; without labels a parameter's
   *  display texts become the labels). */
  IVTabSwitchControl(const IRECT& bounds, int paramIdx = -1, const std::vector<const char*>& labels = {},
                     const char* label = "", const IVStyle& style = IVStyleDefault,
                     EVShape shape = kVShapeRoundedEnds, EDirection direction = kHorizontal);
  IVTabSwitchControl(const IRECT& bounds, IActionFunction action, const std::vector<const char*>& labels,
                     const char* label = "", const IVStyle& style = IVStyleDefault,
                     EVShape shape = kVShapeRoundedEnds, EDirection direction = kHorizontal);

  void Draw(IGfx& g) override;
  void DrawWidget(IGfx& g) override;
  /** One tab, with the corners its position and the shape call for. */
  virtual void DrawButton(IGfx& g, const IRECT& bounds, bool pressed, bool mouseOver, ETabPosition position,
                          bool disabled);
  /** The first tab containing the point, -1 when none. */
  virtual int GetTabIndexForPos(float x, float y) const;

  void OnInit() override;
  void OnResize() override;
  /** The tab pressed becomes the value; a press beside every tab commits the value unchanged. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  bool IsHit(float x, float y) const override { return GetTabIndexForPos(x, y) >= 0; }

  /** The selected tab's label; "" without one. */
  const char* GetSelectedLabel() const;
  /** The tab the value selects (nearest). */
  int GetSelectedIdx() const;
  int GetMouseOverIdx() const { return mMouseOverIdx; }
  int NTabs() const { return static_cast<int>(mTabRects.size()); }
  const IRECT& GetTabRect(int i) const { return mTabRects[static_cast<size_t>(i)]; }

protected:
  void SetTabLabels(const std::vector<const char*>& labels);
  /** The label of tab i; null when it has none. */
  const char* TabLabel(int i) const;

  int mMouseOverIdx = -1;
  std::vector<IRECT> mTabRects;
  std::vector<FxString> mTabLabels;
  EDirection mDirection;
};

class IVRadioButtonControl : public IVTabSwitchControl
{
public:
  IVRadioButtonControl(const IRECT& bounds, int paramIdx = -1, const std::vector<const char*>& labels = {},
                       const char* label = "", const IVStyle& style = IVStyleDefault,
                       EVShape shape = kVShapeEllipse, EDirection direction = kVertical, float buttonSize = 10.f);
  IVRadioButtonControl(const IRECT& bounds, IActionFunction action, const std::vector<const char*>& labels,
                       const char* label = "", const IVStyle& style = IVStyleDefault,
                       EVShape shape = kVShapeEllipse, EDirection direction = kVertical, float buttonSize = 10.f);

  void DrawWidget(IGfx& g) override;
  /** Whole rows, or only their button column when only the buttons respond. */
  int GetTabIndexForPos(float x, float y) const override;

  void SetOnlyButtonsRespondToMouse(bool only) { mOnlyButtonsRespondToMouse = only; }

protected:
  float mButtonSize;
  float mLabelOffset;
  bool mOnlyButtonsRespondToMouse = false;
};

} // namespace fx::gfx
