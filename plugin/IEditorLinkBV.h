#pragma once
// What the limiter does to its open editor beyond the delegate's view of it: the product
// editor's layout creates one of these over the editor it just built and hands it to the
// plug-in (ORBEX9::SetEditorLink); the plug-in drops it when the editor closes. Control
// positions are indices in the editor's control list (attach order). Main thread.

#include "core/FxString.h"

class IEditorLinkBV
{
public:
  virtual ~IEditorLinkBV() = default;

  virtual int NControls() const = 0;
  /** Value slot 0 of a control; 0 for a position the editor does not hold. */
  virtual double GetControlValue(int ctrlIdx) const = 0;
  /** Sets value slot 0 through the control base and marks the control dirty, without running
   *  its action or telling the plug-in. Ignored for a position the editor does not hold. */
  virtual void SetControlValue(int ctrlIdx, double value) = 0;
  /** Text of a text control (the peak readouts), marked dirty. */
  virtual void SetControlText(int ctrlIdx, const char* text) = 0;
  /** Label shown with a knob (the ceiling knob), marked dirty. */
  virtual void SetControlLabel(int ctrlIdx, const char* label) = 0;
  virtual void EnableTooltips(bool enable) = 0;
  /** True while the in-editor popup menu is expanded. */
  virtual bool IsPopupMenuOpen() const = 0;
  /** Modal message box with an OK button and no completion action. */
  virtual void ShowMessageBox(const char* text, const char* caption) = 0;
  virtual void ReleaseMouseCapture() = 0;
  /** Path chosen in the preset menu's load or save prompt (tag 3); empty when none. */
  virtual void GetPresetMenuPath(fx::FxString& path) const = 0;
  /** Opens a web address (text holding "http") or a file path in the user's browser or file
   *  manager. The default hands it to the platform workspace; true when the request was taken. */
  virtual bool OpenURL(const char* url);
};
