#pragma once
// What the vector knob and the vector slider share on top of their behaviour bases: the value
// text kept in step with the parameter, a press on it that asks for the value as text instead of
// starting a drag, its hover tint, and drags that only a press on the control starts. Main
// thread only.

#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"
#include "graphics/controls/IVControlSupport.h"

#include <utility>

namespace fx::gfx {

template <class Base>
class IVEditableValueBase : public Base, public IVectorBase
{
public:
  /** baseArgs construct the behaviour base. The value text is the style's, the shape an
   *  ellipse; an uneditable value never asks for text entry. */
  template <class... BaseArgs>
  IVEditableValueBase(const IVStyle& style, bool valueInWidget, const char* label, bool valueIsEditable,
                      float trackSize, BaseArgs&&... baseArgs)
    : Base(std::forward<BaseArgs>(baseArgs)...), IVectorBase(style, false, valueInWidget),
      mValueIsEditable(valueIsEditable)
  {
    AttachIControl(this);
    this->mHideCursorOnDrag = style.hideCursor;
    mTrackSize = trackSize;
    mShape = kVShapeEllipse;
    this->DisablePrompt(!valueIsEditable);
    this->mText = style.valueText;
    SetLabelStr(label);
  }

  /** Background, label, widget, then the value, tinted while the pointer is over it. */
  void Draw(IGfx& g) override
  {
    DrawBackground(g, this->mRECT);
    DrawLabel(g);
    DrawWidget(g);
    DrawValue(g, mValueMouseOver);
  }
  void OnInit() override { InitVectorTexts(*this, *this); }
  /** A press on the shown value asks for it as text; anywhere else the base's press. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override
  {
    if (mStyle.showValue && mValueBounds.Contains(x, y)) this->PromptUserInput(mValueBounds, 0);
    else Base::OnMouseDown(x, y, mod);
  }
  void OnMouseUp(float x, float y, const IMouseMod& mod) override
  {
    Base::OnMouseUp(x, y, mod);
    SetDirty(true);
  }
  /** Only a drag that a press on the control started moves it. */
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override
  {
    if (this->mMouseDown) Base::OnMouseDrag(x, y, dX, dY, mod);
  }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override
  {
    if (mStyle.showValue && !this->GetPromptDisabled()) mValueMouseOver = mValueBounds.Contains(x, y);
    Base::OnMouseOver(x, y, mod);
    SetDirty(false);
  }
  void OnMouseOut() override
  {
    mValueMouseOver = false;
    Base::OnMouseOut();
  }
  /** The base's, then the value text from the parameter. */
  void SetDirty(bool triggerAction = true, int valIdx = -1) override
  {
    Base::SetDirty(triggerAction, valIdx);
    SyncValueStr(*this, *this);
  }
  /** The widget, or an editable value's text. */
  bool IsHit(float x, float y) const override
  {
    return mWidgetBounds.Contains(x, y) || (mValueIsEditable && mValueBounds.Contains(x, y));
  }

protected:
  bool mValueMouseOver = false;
  bool mValueIsEditable;
};

} // namespace fx::gfx
