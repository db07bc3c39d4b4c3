#pragma once
// The processing parameters of the limiter as plain values (a snapshot taken
// from the engine's atomics), with their ranges.

#include <cstdint>

struct LimiterParams
{
  int32_t osMode = 0;        // 0..4: 1x, 2x, 4x, 8x, 16x
  double gain = 0.0;         // dB, 0..24
  double attack = 0.0;       // ms, 0..1000
  double release = 0.0;      // ms, 0..1000
  int32_t autoRelease = 0;   // 0 Off, 1 On
  int32_t lookAhead = 0;     // 0 Short, 1 Long
  double ceiling = 0.0;      // dBFS, -24..0 (Volume mode: output gain in dB)
  double drive = 0.0;        // dB, 0..24
  double channelLink = 100.0; // %, 0..100
  int32_t limitMode = 0;     // 0 Hard, 1 Soft
  int32_t satMode = 0;       // 0 Off, 1 On
  int32_t ceilingMode = 0;   // 0 Ceiling, 1 Volume
};
