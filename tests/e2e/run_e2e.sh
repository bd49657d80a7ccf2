#!/bin/bash
# Drives the real mizel4 on an X server as a user would: types a range,
# runs, copies (read back with xclip) and saves through the dialog.
set -euo pipefail
program=$1
source "$(dirname "$0")/x_server.sh"
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
