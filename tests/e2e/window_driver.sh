# Starts Xvfb and the program "$program" on it and gives the helpers that
# drive the window. Sourced by the scripts beside it.
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
sleep 0.5

"$program" >"$work/app.log" 2>&1 &
app_pid=$!
main=$(xdotool search --sync --onlyvisible --name '^Mizel４$' | head -n 1)
[ -n "$main" ] || fail "no window"

# Click at a point of the main window (client coordinates) and wait a little.
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
# Answers the message box that opened with Return; prints its window id.
dismiss_box() {
    local box=""
    for _ in $(seq 50); do
        box=$(xdotool search --onlyvisible --name '^Mizel４$' | grep -v "^$main\$" | head -n 1 || true)
        [ -n "$box" ] && break
        sleep 0.1
    done
    [ -n "$box" ] || fail "no message box for $1"
    xdotool windowfocus --sync "$box" key Return
    sleep 0.3
}

