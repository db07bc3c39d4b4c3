#pragma once
// The channel I/O configurations of a processor: buses per direction and their channel
// counts, as parsed from a product's channel I/O string ("1-1 2-2"). Built on the thread that
// constructs the plug-in and only read afterwards.

#include "core/FxPtrList.h"

#include <cstdint>

namespace fx {

/** Direction of a bus or a channel. Any other value names no direction. */
enum ERoute : int32_t
{
  kInput = 0,
  kOutput = 1,
};

/** A bus of this many channels accepts any channel count ("*" in a channel I/O string). */
constexpr int32_t kWildcardChannels = -64;

inline bool IsValidRoute(int direction) { return direction == kInput || direction == kOutput; }

struct BusInfo
{
  int32_t mDirection = kInput;
  int32_t mNChans = 0;  // kWildcardChannels for "*"

  BusInfo(int32_t direction, int32_t nChans) : mDirection(direction), mNChans(nChans) {}
};

/** One configuration: its input and output buses (owned). */
class IOConfig
{
public:
  IOConfig() = default;
  IOConfig(const IOConfig&) = delete;
  IOConfig& operator=(const IOConfig&) = delete;
  ~IOConfig()
  {
    mInBuses.Empty(true);
    mOutBuses.Empty(true);
  }

  // Appends a bus; false when the list cannot grow (the bus is then discarded).
  bool AddBus(int direction, int nChans)
  {
    if (!IsValidRoute(direction)) return false;
    BusInfo* bus = new BusInfo(direction, nChans);
    if (!Buses(direction).Add(bus))
    {
      delete bus;
      return false;
    }
    return true;
  }

  int NBuses(int direction) const { return IsValidRoute(direction) ? Buses(direction).GetSize() : 0; }

  // Null for an index or direction out of range.
  const BusInfo* GetBusInfo(int direction, int busIdx) const
  {
    return IsValidRoute(direction) ? Buses(direction).Get(busIdx) : nullptr;
  }

  // Channel count of one bus; 0 for a bus that does not exist.
  int NChansOnBus(int direction, int busIdx) const
  {
    const BusInfo* bus = GetBusInfo(direction, busIdx);
    return bus ? bus->mNChans : 0;
  }

  // Sum of the bus counts of one direction (a wildcard bus adds kWildcardChannels).
  int GetTotalNChannels(int direction) const
  {
    int total = 0;
    for (int i = 0; i < NBuses(direction); ++i) total += NChansOnBus(direction, i);
    return total;
  }

  bool ContainsWildcard(int direction) const
  {
    for (int i = 0; i < NBuses(direction); ++i)
      if (NChansOnBus(direction, i) == kWildcardChannels) return true;
    return false;
  }

private:
  FxPtrList<BusInfo>& Buses(int direction) { return direction == kInput ? mInBuses : mOutBuses; }
  const FxPtrList<BusInfo>& Buses(int direction) const { return direction == kInput ? mInBuses : mOutBuses; }

  FxPtrList<BusInfo> mInBuses;
  FxPtrList<BusInfo> mOutBuses;
};

} // namespace fx
