// The queues between the audio side and the editor, and the main-thread timer that drains them.

#include "core/IFxAPIBase.h"

#include <functional>
#include <stdexcept>

namespace fx {

void IFxAPIBase::EnqueueMidiMsgForProcessor(const IMidiMsg& msg)
{
  mMidiMsgsFromEditor.Push(msg);
}

void IFxAPIBase::EnqueueSysexForProcessor(const SysExMsg& msg)
{
  // The record holds at most kMaxSize bytes: a larger (or negative) size is refused whole.
  if (!mSysexBuf.Set(msg)) return;
  mSysExDataFromEditor.Push(mSysexBuf);
}

void IFxAPIBase::CreateTimer()
{
  mTimer.reset();
  mTimer = Timer::Create([this](Timer& timer) { OnTimer(timer); }, kTimerIntervalMs);
}

void IFxAPIBase::OnTimer(Timer& /*timer*/)
{
  // Runs from the run loop: the two exceptions the framework can raise (a control looked up by
  // a tag the editor does not hold, an empty callback) must not escape into it.
  try
  {
    if (mHasUI)
    {
      ParamTuple p;
      while (mParamChangeFromProcessor.Pop(p))
      {
        if (p.IsValid(NParams())) SendParameterValueFromDelegate(p.paramIdx, p.value, false);
      }

      IMidiMsg msg;
      while (mMidiMsgsFromProcessor.Pop(msg))
      {
        SendMidiMsgFromDelegate(msg);
        msg.Clear();
      }

      SysExData data;
      while (mSysExDataFromProcessor.Pop(data))
      {
        SendSysexMsgFromDelegate(data.AsMsg());
        data.Clear();
      }
    }
    OnIdle();
  }
  catch (const std::out_of_range&)
  {
  }
  catch (const std::bad_function_call&)
  {
  }
}

} // namespace fx
