#!/bin/bash
# Runs a test program on its own X server with an accessibility bus, the only
# setting in which Qt hands out accessibility events: run_with_accessibility_bus.sh program [args]
set -euo pipefail
source "$(dirname "$0")/../../accessibility_bus.sh"
export DISPLAY=:$((100 + RANDOM % 800))
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'stop_accessibility_bus; kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
start_accessibility_bus
QT_QPA_PLATFORM=xcb "$@"
