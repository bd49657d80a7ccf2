#!/bin/sh
# Installs what is missing, builds Mizel４ and starts it.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DMIZEL_BUILD_TESTS=OFF -DMIZEL_BUILD_BENCH=OFF
cmake --build build -j"$(nproc)" --target mizel4
exec build/qt/mizel4
