#pragma once
// An AVX2 build of a hot loop beside the baseline one, picked at the call by what
// the processor has. A plain call rather than target_clones, which needs
// loader-resolved functions that Windows executables lack: so both systems run
// the same code.
//
// The loop lives in an always-inline name##Body; MIZEL_CLONES_AVX2 defines
// name(params) over it, the arguments passed on as args.

namespace mizel {

// Whether the processor runs AVX2, asked once.
inline bool processorHasAvx2()
{
#if defined(__x86_64__)
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
#else
    return false;
#endif
}

} // namespace mizel

#if defined(__x86_64__)
#define MIZEL_CLONES_AVX2(result, name, params, args)                                                              \
    [[gnu::target("avx2")]] static result name##Avx2 params { return name##Body args; }                             \
    static result name##Baseline params { return name##Body args; }                                                \
    result name params { return ::mizel::processorHasAvx2() ? name##Avx2 args : name##Baseline args; }
#else
#define MIZEL_CLONES_AVX2(result, name, params, args)                                                              \
    result name params { return name##Body args; }
#endif
