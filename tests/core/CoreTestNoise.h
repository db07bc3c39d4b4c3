#pragma once
// Uniform noise in [-1, 1) from a fixed seed, for the core's buffer and delay tests.

#include <random>
#include <vector>

namespace coretest {

template <typename T>
std::vector<T> Noise(int n, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<T> d(T(-1), T(1));
  std::vector<T> v(n);
  for (T& x : v) x = d(rng);
  return v;
}

} // namespace coretest
