#pragma once
// An AVX2 build of a hot loop beside the default one, picked when the program
// loads. Only x86-64 has this: elsewhere the default build is the fast path.
#if defined(__x86_64__)
#define MIZEL_CLONES_AVX2 [[gnu::target_clones("avx2", "default")]]
#else
#define MIZEL_CLONES_AVX2
#endif
