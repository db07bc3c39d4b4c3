#pragma once
// Root of the plug-in class chain: owns the parameter list and the editor size, and declares
// the operations by which the plug-in, its editor and the host exchange parameter values,
// messages, MIDI and editor state. The defaults here serve a plug-in without an editor; the
// graphics delegate and the API base replace most of them.
// Every operation runs on the main thread unless its comment says otherwise.

#include "core/EParamSource.h"
#include "core/FxPtrList.h"

namespace fx {

class IParam;
class IStateChunk;
struct IMidiMsg;
struct SysExMsg;

namespace gfx {
struct IKeyPress;
}

class IEditorDelegate
{
public:
  /** Creates nParams default parameters (nParams < 0 is taken as 0). */
  explicit IEditorDelegate(int nParams);
  virtual ~IEditorDelegate();
  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // --- Editor window ---
  /** Opens the editor inside the parent view; returns the platform view or null. Root: calls
   *  OnUIOpen and returns null. */
  virtual void* OpenWindow(void* pParent);
  virtual void CloseWindow();
  /** The editor opened: sends every parameter's normalised value to the editor. */
  virtual void OnUIOpen();
  virtual void OnUIClose() {}

  // --- Change hooks ---
  /** A parameter changed (audio-side hook). Root: calls OnParamChangeIdx. Any thread that sets
   *  parameters (host threads included). */
  virtual void OnParamChange(int paramIdx, EParamSource source, int sampleOffset = -1);
  virtual void OnParamChangeIdx(int /*paramIdx*/) {}
  /** A parameter changed (editor-side hook); main thread. */
  virtual void OnParamChangeUI(int /*paramIdx*/, EParamSource /*source*/) {}
  /** Every parameter changed: OnParamChange then OnParamChangeUI for each, in index order. */
  virtual void OnParamReset(EParamSource source);
  virtual void OnMidiMsgUI(const IMidiMsg& /*msg*/) {}
  virtual void OnSysexMsgUI(const SysExMsg& /*msg*/) {}
  virtual bool OnMessage(int /*msgTag*/, int /*ctrlTag*/, int /*dataSize*/, const void* /*pData*/) { return false; }
  /** State was restored: same as OnUIOpen. */
  virtual void OnRestoreState();
  virtual bool OnKeyDown(const gfx::IKeyPress& /*key*/) { return false; }
  virtual bool OnKeyUp(const gfx::IKeyPress& /*key*/) { return false; }
  virtual void OnEditorMouseDown() {}
  virtual void OnEditorMouseUp() {}

  // --- Plug-in to editor ---
  virtual void SendControlValueFromDelegate(int /*ctrlTag*/, double /*normalizedValue*/) {}
  virtual void SendControlMsgFromDelegate(int /*ctrlTag*/, int /*msgTag*/, int /*dataSize*/ = 0, const void* /*pData*/ = nullptr) {}
  /** OnMessage with control tag -1. */
  virtual void SendArbitraryMsgToSelf(int msgTag, int dataSize = 0, const void* pData = nullptr);
  /** Root: OnMidiMsgUI. */
  virtual void SendMidiMsgFromDelegate(const IMidiMsg& msg);
  /** OnSysexMsgUI. */
  virtual void SendSysexMsgFromDelegate(const SysExMsg& msg);
  /** A value for the editor's controls of a parameter. Root: OnParamChangeUI(paramIdx, kDelegate). */
  virtual void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized);

  // --- Editor to plug-in and host ---
  virtual void SendAllParamValuesToHost() {}
  virtual void BeginInformHostOfParamChangeFromUI(int paramIdx) = 0;
  /** An edit from a control. Root: stores the value (previous value kept) and calls
   *  OnParamChangeUI(paramIdx, kUI) without telling the host. */
  virtual void SendParameterValueFromUI(int paramIdx, double normalizedValue, bool callHook = true);
  virtual void EndInformHostOfParamChangeFromUI(int paramIdx) = 0;
  virtual bool EditorResizeFromUI(int /*viewWidth*/, int /*viewHeight*/, bool /*needsPlatformResize*/) { return false; }
  virtual void SendMidiMsgFromUI(const IMidiMsg& /*msg*/) {}
  virtual void SendSysexMsgFromUI(const SysExMsg& /*msg*/) {}
  virtual void SendArbitraryMsgFromUI(int /*msgTag*/, int /*ctrlTag*/ = -1, int /*dataSize*/ = 0, const void* /*pData*/ = nullptr) {}
  virtual void EnqueueMidiMsgForProcessor(const IMidiMsg& /*msg*/) {}
  virtual void EnqueueSysexForProcessor(const SysExMsg& /*msg*/) {}

  // --- Editor state ---
  virtual bool SerializeEditorState(IStateChunk& /*chunk*/) const { return true; }
  virtual int UnserializeEditorState(const IStateChunk& /*chunk*/, int startPos) { return startPos; }
  virtual void SetScreenScale(float /*scale*/) {}

  // --- Parameters (any thread may read values; the list is fixed after construction) ---
  /** Null for an index outside the list. */
  IParam* GetParam(int paramIdx) const { return mParams.Get(paramIdx); }
  int NParams() const { return mParams.GetSize(); }
  bool IsValidParamIdx(int paramIdx) const { return paramIdx >= 0 && paramIdx < NParams(); }

  /** Current value of a parameter as 0..1 (step-rounded, clamped, through its shape, clamped);
   *  0 for an index outside the list. */
  double GetParamNormalized(int paramIdx) const;
  /** Stores a value given in the parameter's own range: step-rounded, clamped, atomically
   *  exchanged, previous value kept. Returns the stored value; ignored (0) outside the list. */
  double StoreParamValue(int paramIdx, double value);
  /** As StoreParamValue, from a normalised value through the parameter's shape. */
  double StoreParamNormalized(int paramIdx, double normalizedValue);

  // --- Editor size ---
  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  void SetEditorSize(int width, int height)
  {
    mEditorWidth = width;
    mEditorHeight = height;
  }
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }
  /** Each range is stored as (smaller, larger), so swapped bounds still make a valid range. */
  void SetSizeConstraints(int widthA, int widthB, int heightA, int heightB);

protected:
  FxPtrList<IParam> mParams;
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  int mMinWidth = 0;
  int mMaxWidth = 0;
  int mMinHeight = 0;
  int mMaxHeight = 0;
};

} // namespace fx
