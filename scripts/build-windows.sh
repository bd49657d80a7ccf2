#!/bin/sh
# Cross-compiles the Windows edition with MinGW-w64 into build-windows:
# mizel4.exe, which needs no DLL beyond Windows' own, the portable zip and the
# installer. Arguments go to cmake (the tests: -DMIZEL_BUILD_TESTS=ON).
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DMIZEL_BUILD_TESTS=OFF -DMIZEL_BUILD_BENCH=OFF "$@"
cmake --build build-windows -j"$(nproc)"
# MinGW's runtime DLLs (libstdc++, libgcc, winpthread) are all called lib*.
for dll in $(x86_64-w64-mingw32-objdump -p build-windows/mizel4.exe | sed -n 's/^\tDLL Name: //p'); do
    case $dll in lib*) echo "mizel4.exe needs $dll: not linked statically" >&2; exit 1 ;; esac
done
ls -l build-windows/mizel4.exe build-windows/mizel4-*.zip build-windows/mizel4-*-setup.exe
