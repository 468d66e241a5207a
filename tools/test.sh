#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once in the normal build, once in a
# build with AddressSanitizer and UBSan. A compiler warning in src/ fails the build. The normal
# build uses CMake's default generator (Makefiles), the sanitizer build Ninja, so that both keep
# building.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLORVANE_WERROR=ON
cmake --build build -j "$jobs"
bash tools/run-tests.sh build

# A folder configured earlier with another generator cannot be configured again with Ninja.
if [ -f build-asan/CMakeCache.txt ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' build-asan/CMakeCache.txt; then
  rm -rf build-asan
fi
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLORVANE_SANITIZE=ON -DPELLORVANE_WERROR=ON
cmake --build build-asan -j "$jobs"
# The leak check runs in every program the tests start, leaving out what the system's libraries
# keep until exit (tools/sanitizer/lsan.supp). A sanitizer finding ends a program with 23, never
# with the 1 of a fatal report, so a test that expects a fatal end still fails on a leak. These
# options come on top of the runtime settings compiled into every sanitizer program
# (tools/sanitizer/keep_libraries_loaded.cpp), which hold wherever ASAN_OPTIONS is set or replaced.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:exitcode=23 \
  LSAN_OPTIONS="suppressions=$PWD/tools/sanitizer/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1 \
  bash tools/run-tests.sh build-asan
