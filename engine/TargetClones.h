#pragma once
// An AVX2 build of a hot loop beside the default one, picked when the program
// loads. Only x86-64 ELF has this: elsewhere, and in Windows executables, which
// have no loader-resolved functions to pick with, the default build is the fast path.
#if defined(__x86_64__) && !defined(_WIN32)
#define MIZEL_CLONES_AVX2 [[gnu::target_clones("avx2", "default")]]
#else
#define MIZEL_CLONES_AVX2
#endif
