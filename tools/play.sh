#!/usr/bin/env bash
# Installs what is needed, builds the player and its data file, and plays the show.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
cd build
# The player reads only the packed data file; the packer writes it from data/ when the build
# has not made it yet.
if [ ! -f data.qxv ]; then
  bash ../tools/with-display.sh ./pellorvane-pack
fi
exec ./pellorvane
