#!/bin/bash
# Runs a test program on its own X server with an accessibility bus, the only
# setting in which Qt hands out accessibility events: run_with_accessibility_bus.sh program [args]
set -euo pipefail
source "$(dirname "$0")/../../accessibility_bus.sh"
source "$(dirname "$0")/../../e2e/x_server.sh"
start_accessibility_bus
QT_QPA_PLATFORM=xcb "$@"
