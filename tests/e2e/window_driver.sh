# Starts the program "$program" on a private Xvfb and gives the helpers that
# drive the window. Sourced by the scripts beside it.
source "$(dirname "${BASH_SOURCE[0]}")/x_server.sh"
sleep 0.5

"$program" >"$work/app.log" 2>&1 &
app_pid=$!
await_main_window

# Click at a point of the main window (client coordinates) and wait a little.
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
# Replaces a box's text by typing, as a user would after selecting it; Ctrl+A
# keeps a slow (sanitizer) build from typing before the click's select-all.
enter() { click 130 "$1"; xdotool key ctrl+a type --delay 30 "$2"; }
# Waits up to 30 s for a condition, so slow builds pass.
await() { for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done; return 1; }
# The windows on screen with their titles, for a failure's message.
visible_windows() {
    shown_windows --name '.' | while read -r w; do echo "$w '$(xdotool getwindowname "$w")'"; done | tr '\n' ' '
}
# Sets $dialog to a window on screen that is neither the main window nor a
# message box (which bears the main window's title); false while none is.
find_dialog() {
    dialog=$(shown_windows --name '.' | while read -r w; do
        [ "$w" != "$main" ] && xdotool getwindowname "$w" | grep -qv '^Mizel４$' && echo "$w"; done | head -n 1 || true)
    [ -n "$dialog" ]
}
# Answers the message box that opened with Return; prints its window id.
dismiss_box() {
    local box=""
    find_box() { box=$(shown_windows --name '^Mizel４$' | grep -v "^$main\$" | head -n 1 || true); [ -n "$box" ]; }
    await find_box || fail "no message box for $1; on screen: $(visible_windows)"
    xdotool windowfocus --sync "$box" key Return
    sleep 0.3
}

