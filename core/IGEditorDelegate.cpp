#include "core/IGEditorDelegate.h"

#include "core/IControlLink.h"
#include "core/IParam.h"
#include "core/IStateChunk.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

IGEditorDelegate::IGEditorDelegate(int nParams)
  : IEditorDelegate(nParams)
{
}

IGEditorDelegate::~IGEditorDelegate()
{
  // The editor goes before the functions that made it and the parameters it shows. The classes
  // above this one are gone already, so the editor must not call back into the delegate.
  mTearingDown = true;
  mGraphics.reset();
}

void* IGEditorDelegate::OpenWindow(void* pParent)
{
  if (mGraphics) ReleaseGraphics();

  IGfxLink* graphics = CreateGraphics();
  if (!graphics) return nullptr;
  mGraphics.reset(graphics);

  if (mSizeSaved) mGraphics->Resize(mSavedWidth, mSavedHeight, mSavedScale, true);

  return mGraphics->OpenWindow(pParent);
}

void IGEditorDelegate::CloseWindow()
{
  if (mClosing) return;
  mClosing = true;
  OnUIClose();
  if (mGraphics) ReleaseGraphics();
  mClosing = false;
}

void IGEditorDelegate::ReleaseGraphics()
{
  mSizeSaved = true;
  mSavedWidth = mGraphics->Width();
  mSavedHeight = mGraphics->Height();
  // The scale chosen, not the smaller one a small screen held the editor to.
  mSavedScale = mGraphics->GetChosenScale();
  mGraphics->CloseWindow();
  mEditorReady = false;
  mGraphics.reset();
}

IGfxLink* IGEditorDelegate::CreateGraphics()
{
  return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr;
}

void IGEditorDelegate::LayoutUI(IGfx* pGraphics)
{
  if (mLayoutFunc) mLayoutFunc(pGraphics);
}

void IGEditorDelegate::SendControlValueFromDelegate(int ctrlTag, double normalizedValue)
{
  // Not a number (say a meter fed by damaged audio) is no position: the control keeps its own.
  if (!mGraphics || std::isnan(normalizedValue)) return;
  // Reached from host and timer callbacks: an unknown tag is ignored, never thrown into them.
  if (IControlLink* control = mGraphics->FindControlWithTag(ctrlTag)) control->SetValueFromDelegate(normalizedValue, 0);
}

void IGEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
  if (!mGraphics) return;
  if (IControlLink* control = mGraphics->FindControlWithTag(ctrlTag)) control->OnMsgFromDelegate(msgTag, dataSize, pData);
}

void IGEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  if (mGraphics)
  {
    for (int i = 0; i < mGraphics->NControls(); ++i)
    {
      IControlLink* control = mGraphics->GetControl(i);
      if (control && control->GetWantsMidi()) control->OnMidi(msg);
    }
  }
  OnMidiMsgUI(msg);
}

void IGEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double value, bool normalized)
{
  const IParam* param = GetParam(paramIdx);
  if (!param) return;

  if (mGraphics)
  {
    if (!normalized) value = param->ToNormalized(param->Constrain(value));
    // A normalised value that is not a number shows the parameter's present value instead.
    value = std::isnan(value) ? GetParamNormalized(paramIdx) : std::clamp(value, 0.0, 1.0);

    for (int i = 0; i < mGraphics->NControls(); ++i)
    {
      IControlLink* control = mGraphics->GetControl(i);
      if (!control) continue;
      for (int v = 0; v < control->NVals(); ++v)
      {
        if (control->GetParamIdx(v) == paramIdx) control->SetValueFromDelegate(value, v);
      }
    }
  }
  OnParamChangeUI(paramIdx, kDelegate);
}

bool IGEditorDelegate::OnKeyDown(const IKeyPress& key)
{
  if (!mEditorReady || !mGraphics) return false;
  float x = 0.f, y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return mGraphics->OnKeyDown(x, y, key);
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress& key)
{
  if (!mEditorReady || !mGraphics) return false;
  float x = 0.f, y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return mGraphics->OnKeyUp(x, y, key);
}

bool IGEditorDelegate::SerializeEditorState(IStateChunk& chunk) const
{
  int32_t width = mSavedWidth;
  int32_t height = mSavedHeight;
  float scale = mSavedScale;
  if (mGraphics)
  {
    width = mGraphics->Width();
    height = mGraphics->Height();
    scale = mGraphics->GetChosenScale();
  }
  // An append that cannot grow the chunk empties it: that must not pass as a saved state.
  return chunk.Put(&width) > 0 && chunk.Put(&height) > 0 && chunk.Put(&scale) > 0;
}

int IGEditorDelegate::UnserializeEditorState(const IStateChunk& chunk, int startPos)
{
  int32_t width = 0;
  int32_t height = 0;
  float scale = 0.f;
  int pos = chunk.Get(&width, startPos);
  if (pos >= 0) pos = chunk.Get(&height, pos);
  if (pos >= 0) pos = chunk.Get(&scale, pos);

  // A short, zero or nonsensical record would open the editor at no size: keep what is there.
  const bool usable = pos >= 0 && width > 0 && height > 0 && std::isfinite(scale) && scale > 0.f;

  if (!mEditorReady || !mGraphics)
  {
    if (usable)
    {
      mSavedWidth = width;
      mSavedHeight = height;
      mSavedScale = scale;
    }
  }
  else if (usable)
  {
    mGraphics->Resize(width, height, scale, true);
  }
  return pos;
}

void IGEditorDelegate::SetScreenScale(float scale)
{
  if (mEditorReady && mGraphics) mGraphics->SetScreenScale(scale);
}

} // namespace fx::gfx
