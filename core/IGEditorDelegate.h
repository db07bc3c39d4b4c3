#pragma once
// Binds the plug-in to one graphics editor: creates it through the product's factory, lays it
// out through the product's layout function, opens and closes its window inside the host's
// view, routes values, messages, MIDI and keys to its controls, and keeps the editor's size
// and scale with the plug-in state. Main thread only.

#include "core/IEditorDelegate.h"
#include "core/IGfxLink.h"

#include <functional>
#include <memory>

namespace fx::gfx {

class IGfx;

/** The editor is held through IGfxLink, the part of it the delegate drives; the factory returns
 *  the new editor object (an IGfx converts to it) and the layout function receives the IGfx. */
class IGEditorDelegate : public IEditorDelegate
{
public:
  using MakeGraphicsFunc = std::function<IGfxLink*()>;
  using LayoutFunc = std::function<void(IGfx*)>;

  /** Size of the editor state written by SerializeEditorState. */
  static constexpr int kEditorStateSize = 12;

  explicit IGEditorDelegate(int nParams);
  ~IGEditorDelegate() override;

  /** Closes a leftover editor, creates a new one, reapplies the size saved at the last close,
   *  and opens its window (the back end then lays it out and calls OnUIOpen). Null when no
   *  editor could be made. */
  void* OpenWindow(void* pParent) override;
  /** Calls OnUIClose, saves the editor's size and chosen scale, closes and deletes it. Re-entry
   *  while closing does nothing. */
  void CloseWindow() override;

  /** A new editor from the factory; null when none is installed. */
  virtual IGfxLink* CreateGraphics();
  /** Runs the layout function on the editor, when one is installed. The back end calls it with
   *  itself while it opens its window. */
  virtual void LayoutUI(IGfx* pGraphics);
  /** The editor while its window is ready, else null. */
  virtual IGfxLink* GetUI() const { return mEditorReady ? mGraphics.get() : nullptr; }

  /** A value for the control with that tag (slot 0); unknown tags and NaN are ignored. */
  void SendControlValueFromDelegate(int ctrlTag, double normalizedValue) override;
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize = 0, const void* pData = nullptr) override;
  void SendMidiMsgFromDelegate(const IMidiMsg& msg) override;
  /** To every control slot linked to the parameter, normalised and clamped to 0..1 (a NaN
   *  normalised value shows the parameter's present value); then OnParamChangeUI(kDelegate). */
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override;

  bool OnKeyDown(const IKeyPress& key) override;
  bool OnKeyUp(const IKeyPress& key) override;

  /** Appends width, height (int32) and scale (float32): the open editor's size and chosen scale,
   *  else the saved ones. False only when the chunk could not grow. */
  bool SerializeEditorState(IStateChunk& chunk) const override;
  /** Reads the 12 bytes back. Returns startPos + 12, or -1 when the chunk is short. The values
   *  are used only when all three were read and are positive (scale finite): closed, they become
   *  the size for the next opening; open, the editor is resized to them. */
  int UnserializeEditorState(const IStateChunk& chunk, int startPos) override;
  void SetScreenScale(float scale) override;

  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }

  /** Written by the graphics back end when it opens the editor's window. */
  void SetEditorReady(bool ready) { mEditorReady = ready; }
  bool GetEditorReady() const { return mEditorReady; }

  /** The editor object, whether or not its window is ready (null when none exists). */
  IGfxLink* GetGraphics() const { return mGraphics.get(); }
  /** True once the delegate is being destroyed: its editor must not call back into it. */
  bool IsTearingDown() const { return mTearingDown; }

  int GetSavedWidth() const { return mSavedWidth; }
  int GetSavedHeight() const { return mSavedHeight; }
  float GetSavedScale() const { return mSavedScale; }
  bool GetSizeSaved() const { return mSizeSaved; }

private:
  // Saves the size, closes the window and deletes the editor.
  void ReleaseGraphics();

  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  std::unique_ptr<IGfxLink> mGraphics;
  int mSavedWidth = 0;
  int mSavedHeight = 0;
  float mSavedScale = 0.f;
  bool mSizeSaved = false;
  bool mClosing = false;
  bool mEditorReady = false;
  bool mTearingDown = false;
};

} // namespace fx::gfx
