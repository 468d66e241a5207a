#!/usr/bin/env bash
# Runs a command under the current X display, or under a virtual one when there is none:
# tools/with-display.sh CMD [ARGS...]
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1920x1080x24" "$@"
