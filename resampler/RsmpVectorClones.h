#pragma once
// Marks a hot loop function for the compiler to build twice, for AVX2 and
// for the baseline instruction set, picking one at load time by the CPU
// (GCC on x86-64 ELF targets; elsewhere a plain function). No FMA is
// enabled, so both versions round every operation alike. Sanitizer builds
// keep the plain function: the load-time selector would run before the
// sanitizer's runtime is up.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__ELF__) && \
  !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define RSMP_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define RSMP_VECTOR_CLONES
#endif
