#!/bin/bash
# Runs a command on a private Xvfb: Wine makes windows only with an X server.
set -euo pipefail
source "$(dirname "$0")/../e2e/x_server.sh"
"$@"
