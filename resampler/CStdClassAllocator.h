#pragma once
// Root base of the resampler's classes: object memory comes from malloc and
// goes back with free. Allocation never throws: a failed `new` of a derived
// class yields nullptr (the constructor is then not run), so callers check it.

#include <cstddef>
#include <cstdlib>
#include <new>

namespace rsmp {

class CStdClassAllocator
{
public:
  static void* operator new(std::size_t n) noexcept { return std::malloc(n); }
  static void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n); }
  static void* operator new(std::size_t, void* where) noexcept { return where; }
  static void operator delete(void* p) noexcept { std::free(p); }
  static void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
  static void operator delete(void*, void*) noexcept {}

  static void* operator new[](std::size_t) = delete;
  static void operator delete[](void*) = delete;
};

} // namespace rsmp
