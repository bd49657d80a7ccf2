#!/bin/bash
# Drives the real mizel4 on an X server as a user would: types a range,
# runs, copies (read back with xclip) and saves through the dialog.
set -euo pipefail
program=$1
work=$(mktemp -d)
display=:$((100 + RANDOM % 800))
cleanup() {
    kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    stop_accessibility_bus
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Screen readers: the program runs with an accessibility bus; its tree, dumped
# over AT-SPI, must hold the grid's header and the numbers in view, in order.
source "$(dirname "$0")/../accessibility_bus.sh"
check_accessible_grid() {
    # Debian's own python3, which python3-pyatspi serves.
    /usr/bin/python3 "$(dirname "$0")/atspi_dump.py" "$app_pid" >"$work/atspi.txt" 2>"$work/atspi.log" ||
        fail "no accessibility tree: $(cat "$work/atspi.log")"
    grep -q '^ *\[table column header\] 乱数$' "$work/atspi.txt" || fail "no grid header in the accessibility tree"
    local expected shown
    expected=$(tr -d '\r' <"$1" | head -n 3)
    shown=$(sed -n 's/^ *\[table cell\] //p' "$work/atspi.txt" | head -n 3)
    [ "$shown" = "$expected" ] || fail "accessible cells '$shown' are not the first numbers '$expected'"
    echo "accessibility tree, grid part:"
    grep -A 4 '\[table\]' "$work/atspi.txt"
}

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || true
sleep 0.5
start_accessibility_bus

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

xdotool windowfocus --sync "$main"
click 130 18; xdotool type --delay 30 '100'
click 130 42; xdotool type --delay 30 '1'
click 130 66; xdotool type --delay 30 '20'
click 40 124                                  # 実行
click 120 124                                 # コピー
dismiss_box copy

xclip -o -selection clipboard >"$work/clipboard.txt"
lines=$(tr -d '\r' <"$work/clipboard.txt" | wc -l)
[ "$lines" -eq 20 ] || fail "clipboard has $lines lines"
[ "$(grep -c $'\r$' "$work/clipboard.txt")" -eq 20 ] || fail "lines do not end in CR LF"
tr -d '\r' <"$work/clipboard.txt" | while read -r value; do
    [[ "$value" =~ ^[0-9]+$ ]] && [ "$value" -ge 1 ] && [ "$value" -le 100 ] || fail "bad value '$value'"
done
check_accessible_grid "$work/clipboard.txt"

click 200 124                                 # 保存
dialog=""
for _ in $(seq 50); do
    dialog=$(xdotool search --onlyvisible --name '.' | while read -r w; do
        [ "$w" != "$main" ] && xdotool getwindowname "$w" | grep -qv '^Mizel４$' && echo "$w"; done | head -n 1 || true)
    [ -n "$dialog" ] && break
    sleep 0.1
done
[ -n "$dialog" ] || fail "no save dialog"
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 20 "$work/saved"
xdotool key Return
dismiss_box save

[ -f "$work/saved.txt" ] || fail "no saved file"
cmp -s "$work/saved.txt" "$work/clipboard.txt" || fail "saved file differs from the clipboard"
echo "e2e: 20 values copied and saved"
