#pragma once
// A grid of colour cells, each showing one colour role of the control's own style; a press on a
// cell opens the platform's colour picker and the chosen colour becomes that role's colour.
// Main thread only.

#include "core/FxString.h"
#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

#include <functional>
#include <memory>
#include <vector>

namespace fx::gfx {

enum class ESwatchLayout : int
{
  kGrid = 0,       // 3 × 3
  kHorizontal = 1, // one row
  kVertical = 2,   // one column
};

class IVColorSwatchControl : public IControl, public IVectorBase
{
public:
  using ColorChosenFunc = std::function<void(int cellIdx, const IColor& color)>;

  IVColorSwatchControl(const IRECT& bounds, const char* label = "", ColorChosenFunc func = nullptr,
                       const IVStyle& style = IVStyleDefault, ESwatchLayout layout = ESwatchLayout::kGrid,
                       const std::vector<EVColorRole>& colorRoles = {kBackground, kForeground, kPressed, kFrame,
                                                                     kHighlight, kShadow, kExtra1, kExtra2, kExtra3},
                       const std::vector<const char*>& labels = {});
  ~IVColorSwatchControl() override;

  void Draw(IGfx& g) override;
  void DrawWidget(IGfx& g) override;
  void OnResize() override;
  /** Opens the colour picker for the cell under the point; nothing beside every cell. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;

  int NCells() const { return static_cast<int>(mCellRects.size()); }
  const IRECT& GetCellRect(int i) const { return mCellRects[static_cast<size_t>(i)]; }
  int GetMouseOverCell() const { return mCellOver; }

protected:
  /** The first cell containing the point, -1 when none. */
  int CellForPos(float x, float y) const;
  const char* CellLabel(int i) const;

  ColorChosenFunc mColorChosenFunc;
  int mCellOver = -1;
  ESwatchLayout mLayout;
  std::vector<IRECT> mCellRects;
  std::vector<FxString> mLabels;
  std::vector<EVColorRole> mColorRoles;
  /** Cleared when the control goes, so a picker answering later changes nothing. */
  std::shared_ptr<IVColorSwatchControl*> mSelf;
};

} // namespace fx::gfx
