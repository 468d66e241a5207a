#!/usr/bin/env bash
# Runs a command under the current X display, or under a private virtual one when there is
# none: tools/with-display.sh CMD [ARGS...]
# The private server picks its own free display number (-displayfd), so several runs at once
# never race for one.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
fifo_dir=$(mktemp -d)
trap 'rm -rf "$fifo_dir"; [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
Xvfb -displayfd 4 -screen 0 1920x1080x24 -nolisten tcp -noreset 4>"$fifo_dir/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 200); do
  [ -s "$fifo_dir/display" ] && break
  sleep 0.1
done
number=$(head -n 1 "$fifo_dir/display" 2>/dev/null || true)
if [ -z "$number" ]; then
  echo "with-display.sh: no virtual display could be started" >&2
  exit 1
fi
DISPLAY=":$number" "$@"
