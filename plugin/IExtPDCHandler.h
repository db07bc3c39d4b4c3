#pragma once
// Latency reporting: the latency the product wants the host to compensate, and the report
// that hands it to the host adapter once the host is known. Any thread (the block reports for
// one host from the audio thread; the adapter's latency store is safe there).

#include <atomic>
#include <functional>

class IExtPDCHandler
{
public:
  /** hostCode gives the identified host (-1 until identification); setLatency stores a latency
   *  and tells the host. */
  IExtPDCHandler(std::function<int()> hostCode, std::function<void(int)> setLatency)
    : mHostCode(std::move(hostCode)), mSetLatency(std::move(setLatency))
  {
  }
  virtual ~IExtPDCHandler() = default;

  /** Hands latency to the host, once the host has been identified; else nothing. */
  void ReportLatency(int latency)
  {
    if (mHostCode && mHostCode() != -1 && mSetLatency) mSetLatency(latency);
  }

  int GetWantedLatency() const { return mWantedLatency.load(std::memory_order_relaxed); }
  void SetWantedLatency(int latency) { mWantedLatency.store(latency, std::memory_order_relaxed); }

private:
  std::function<int()> mHostCode;
  std::function<void(int)> mSetLatency;
  std::atomic<int> mWantedLatency {512};
};
