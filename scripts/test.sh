#!/bin/sh
# Installs what is missing, builds everything and runs every test: the fuzzers
# for a bounded time, the tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the release build's tests, the engine's and the
# core's tests built for arm64 and i386 and run under qemu-user, then the
# Windows edition with its tests, the real program and its installer under Wine.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh test
jobs=$(nproc)

cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++
cmake --build build-fuzz -j"$jobs"
sh tests/fuzz/run_fuzzers.sh build-fuzz 30

# No benchmarks and no package here: only the tests, instrumented.
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIZEL_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_EXE_LINKER_FLAGS="$sanitize"
cmake --build build-asan -j"$jobs"
# Full stacks (Qt has no frame pointers) so the suppressions can match.
ASAN_OPTIONS=fast_unwind_on_malloc=0 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
    ctest --test-dir build-asan --output-on-failure -j"$jobs" -E '^packaging_'

cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=Release
cmake --build build-tests -j"$jobs"
ctest --test-dir build-tests --output-on-failure -j"$jobs"

sh scripts/cross-test.sh

sh scripts/build-windows.sh -DMIZEL_BUILD_TESTS=ON
ctest --test-dir build-windows --output-on-failure -j"$jobs"
