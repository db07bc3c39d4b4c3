#include "plugin/dsp/LimiterMeters.h"

void LimiterMeters::Configure(double baseRate, double processingRate) noexcept
{
  for (int i = 0; i < kNumMeters; ++i)
  {
    IPeakFollower& m = mMeters[static_cast<size_t>(i)];
    m.Clear();
    const bool gr = IsGainReduction(i);
    const bool fast = i < kInLHold;
    const double fs = gr ? processingRate : baseRate;
    if (fast)
      m.SetTimes(0.0001, 0.0, 1.0, fs);
    else
      m.SetTimes(0.0, 3.0, 1.0, fs);
    m.invert = gr ? 1 : 0;
  }
  Publish();
}

void LimiterMeters::Clear() noexcept
{
  for (IPeakFollower& m : mMeters)
    m.ClearSignal();
  Publish();
}

void LimiterMeters::Publish() noexcept
{
  for (size_t i = 0; i < mMeters.size(); ++i)
    mPublished[i].store(mMeters[i].value, std::memory_order_relaxed);
}
