#!/usr/bin/env bash
# Checks that includes run down the layers, then builds and runs every test: the plain
# build (its tests include making the Debian package), the same build compiled by clang++,
# then AddressSanitizer + UBSan on all tests, then ThreadSanitizer on the threading tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-layers.sh

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

cmake --preset clang >/dev/null
cmake --build --preset clang
ctest --preset clang

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

cmake --preset tsan >/dev/null
targets=$(cmake --build --preset tsan --target help | sed -n 's/^\(test_threads[a-z_]*\):.*/\1/p' | sort -u)
if [ -n "$targets" ]; then
  cmake --build --preset tsan --target $targets
  ctest --preset tsan
fi
