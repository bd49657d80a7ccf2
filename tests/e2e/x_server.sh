# Sourced by the end-to-end scripts: a scratch folder and a private Xvfb on
# DISPLAY, both removed on exit together with the program in $app_pid and an
# accessibility bus, if one was started.
work=$(mktemp -d)
cleanup() {
    kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    if declare -F stop_accessibility_bus >/dev/null; then stop_accessibility_bus; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Xvfb takes a free display itself and names it once it accepts clients, so
# tests running side by side never share a server.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "no X server: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"

# The visible windows that match xdotool search's arguments, none while windows
# come and go: a window closed under a search ends xdotool with an X error.
shown_windows() { xdotool search --onlyvisible "$@" 2>/dev/null || true; }
# Waits up to two minutes (a fresh Wine prefix is slow) for the program's main
# window, matched by the extra search arguments if any, and sets $main to it.
await_main_window() {
    main=""
    for _ in $(seq 1200); do
        main=$(shown_windows "$@" --name '^Mizel４$' | head -n 1)
        [ -n "$main" ] && return 0
        sleep 0.1
    done
    fail "no window"
}
