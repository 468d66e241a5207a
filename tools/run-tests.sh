#!/usr/bin/env bash
# Runs every test of a build folder under a virtual X display with silent audio and
# unattended message boxes: tools/run-tests.sh BUILD_DIR [ctest arguments...]
set -euo pipefail
build_dir=${1:?usage: run-tests.sh BUILD_DIR [ctest args]}
shift
export SDL_AUDIODRIVER=dummy
export PELLORVANE_UNATTENDED=1
export LIBGL_ALWAYS_SOFTWARE=1
jobs=$(nproc)
if [ -z "${DISPLAY:-}" ]; then
  # -noreset: by default the server resets whenever its last client leaves, and a test that
  # connects during that reset cannot open the display.
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" "$@"
fi
exec ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" "$@"
