#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once in the normal build, once in a
# build with AddressSanitizer and UBSan. A compiler warning in src/ fails the build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLORVANE_WERROR=ON
cmake --build build -j "$jobs"
bash tools/run-tests.sh build

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPELLORVANE_SANITIZE=ON -DPELLORVANE_WERROR=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  bash tools/run-tests.sh build-asan
