# Sourced by the end-to-end scripts: a scratch folder and a private Xvfb on
# DISPLAY, both removed on exit together with the program in $app_pid and an
# accessibility bus, if one was started.
work=$(mktemp -d)
display=:$((100 + RANDOM % 800))
cleanup() {
    kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    if declare -F stop_accessibility_bus >/dev/null; then stop_accessibility_bus; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || true
