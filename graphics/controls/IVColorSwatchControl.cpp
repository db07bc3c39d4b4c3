#include "graphics/controls/IVColorSwatchControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

IVColorSwatchControl::IVColorSwatchControl(const IRECT& bounds, const char* label, ColorChosenFunc func,
                                           const IVStyle& style, ESwatchLayout layout,
                                           const std::vector<EVColorRole>& colorRoles,
                                           const std::vector<const char*>& labels)
  : IControl(bounds), IVectorBase(style), mColorChosenFunc(std::move(func)), mLayout(layout), mColorRoles(colorRoles),
    mSelf(std::make_shared<IVColorSwatchControl*>(this))
{
  AttachIControl(this);
  mText = style.valueText;
  mStyle.valueText.mAlign = mText.mAlign = kAlignFar;
  SetLabelStr(label);
  for (const char* text : labels) mLabels.emplace_back(text ? text : "");
  for (EVColorRole& role : mColorRoles)
    if (role < 0 || role >= kNumVColors) role = kBackground;
  mCellRects.resize(mColorRoles.size());
}

IVColorSwatchControl::~IVColorSwatchControl() = default;

const char* IVColorSwatchControl::CellLabel(int i) const
{
  return i < static_cast<int>(mLabels.size()) ? mLabels[static_cast<size_t>(i)].Get() : "";
}

void IVColorSwatchControl::OnResize()
{
  SetTargetRECT(IVectorBaseLayout(mRECT, true));
  const int n = static_cast<int>(mColorRoles.size());
  const int columns = mLayout == ESwatchLayout::kHorizontal ? n : (mLayout == ESwatchLayout::kVertical ? 1 : 3);
  const int rows = mLayout == ESwatchLayout::kHorizontal ? 1 : (mLayout == ESwatchLayout::kVertical ? n : 3);
  const IRECT& w = mWidgetBounds;
  for (int k = 0; k < n; ++k)
  {
    const int col = k % columns, row = k / columns;
    IRECT cell = w;
    if (row < rows)
    {
      const float cw = w.W() / columns, ch = w.H() / rows;
      cell = IRECT(w.L + col * cw, w.T + row * ch, w.L + (col + 1) * cw, w.T + (row + 1) * ch);
    }
    mCellRects[static_cast<size_t>(k)] = cell.GetPadded(-2.f);
  }
  SetDirty(false);
}

void IVColorSwatchControl::Draw(IGfx& g)
{
  DrawWidget(g);
  DrawLabel(g);
}

void IVColorSwatchControl::DrawWidget(IGfx& g)
{
  for (int k = 0; k < NCells(); ++k)
  {
    const IRECT& r = GetCellRect(k);
    const char* label = CellLabel(k);
    const float f = *label ? 0.25f : 1.f;
    const IRECT swatch(r.R - f * r.W(), r.T, r.R, r.B);
    g.FillRect(GetColor(mColorRoles[static_cast<size_t>(k)]), swatch, &mBlend);
    g.DrawRect(k == mCellOver ? kColorGrey : kColorDarkGrey, swatch.GetPadded(0.5f), &mBlend, 1.f);
    if (*label) g.DrawText(mStyle.valueText, label, IRECT(r.L, r.T, r.L + 0.7f * r.W(), r.B), &mBlend);
  }
}

int IVColorSwatchControl::CellForPos(float x, float y) const
{
  for (int k = 0; k < NCells(); ++k)
    if (GetCellRect(k).Contains(x, y)) return k;
  return -1;
}

void IVColorSwatchControl::OnMouseDown(float x, float y, const IMouseMod& /*mod*/)
{
  const int k = CellForPos(x, y);
  if (k < 0 || !GetUI()) return;
  const EVColorRole role = mColorRoles[static_cast<size_t>(k)];
  IColor color = GetColor(role);
  GetUI()->PromptForColor(color, "Choose a color", [self = std::weak_ptr<IVColorSwatchControl*>(mSelf), k, role](const IColor& chosen) {
    const auto alive = self.lock();
    if (!alive) return;
    IVColorSwatchControl* swatch = *alive;
    swatch->mStyle.colors.SetColor(role, chosen);
    swatch->SetDirty(false);
    if (swatch->mColorChosenFunc) swatch->mColorChosenFunc(k, chosen);
  });
}

void IVColorSwatchControl::OnMouseOver(float x, float y, const IMouseMod& /*mod*/)
{
  mCellOver = CellForPos(x, y);
  SetDirty(true);
}

void IVColorSwatchControl::OnMouseOut()
{
  mCellOver = -1;
  SetDirty(true);
}

} // namespace fx::gfx
