#pragma once
// 64-byte alignment of blocks the resampler allocates with malloc: callers
// allocate kAlign extra bytes and use AlignPtr of the raw start.

#include <cstddef>
#include <cstdint>

namespace rsmp {

inline constexpr std::size_t kAlign = 64;

template <typename T> inline T* AlignPtr(T* raw) noexcept
{
  const std::uintptr_t p = reinterpret_cast<std::uintptr_t>(raw);
  return reinterpret_cast<T*>((p + (kAlign - 1)) & ~static_cast<std::uintptr_t>(kAlign - 1));
}

} // namespace rsmp
