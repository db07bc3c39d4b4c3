#pragma once
// A message box the idle handling shows once the editor is open: text, caption and a pending
// flag. Main thread.

#include "core/FxString.h"

class ICMessageBox
{
public:
  virtual ~ICMessageBox() = default;

  /** Queues a message; the next idle tick with an open editor shows it. */
  void PostMessageBox(const char* text, const char* caption)
  {
    mMessageText.Set(text);
    mMessageCaption.Set(caption);
    mMessagePending = true;
  }
  bool MessagePending() const { return mMessagePending; }
  const char* GetMessageText() const { return mMessageText.Get(); }
  const char* GetMessageCaption() const { return mMessageCaption.Get(); }

protected:
  /** Clears the pending flag and returns whether a message was pending. */
  bool TakePendingMessage()
  {
    const bool pending = mMessagePending;
    mMessagePending = false;
    return pending;
  }

  fx::FxString mMessageText;
  fx::FxString mMessageCaption;
  bool mMessagePending = false;
};
