#!/bin/bash
# Drives the real mizel4 on an X server as a user would: types a range,
# runs, copies (read back with xclip) and saves through the dialog.
set -euo pipefail
program=$1
source "$(dirname "$0")/../accessibility_bus.sh"
source "$(dirname "$0")/window_driver.sh"

xdotool windowfocus --sync "$main"
enter 18 '100'
enter 42 '1'
enter 66 '20'
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
await find_dialog || fail "no save dialog"
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 20 "$work/saved"
xdotool key Return
# A completion list still opening on a slow machine takes the first Return.
# Not grep -q: leaving at the match could end the search with SIGPIPE, which
# pipefail counts as a failure.
dialog_open() { shown_windows --name '.' | grep -x "$dialog" >/dev/null; }
for _ in 1 2 3; do
    for _ in $(seq 50); do dialog_open || break; sleep 0.1; done
    dialog_open || break
    xdotool windowfocus --sync "$dialog" key Return
done
dialog_open && fail "the save dialog did not take the name; on screen: $(visible_windows)"
dismiss_box save

[ -f "$work/saved.txt" ] || fail "no saved file"
cmp -s "$work/saved.txt" "$work/clipboard.txt" || fail "saved file differs from the clipboard"

# Screen readers: a second run of the program, now with an accessibility bus
# (which slows it, so the run above goes without). Its tree, dumped over AT-SPI,
# must hold the grid's header and the first numbers in view.
check_accessible_grid() {
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    start_accessibility_bus
    "$program" >"$work/app-a11y.log" 2>&1 &
    app_pid=$!
    await_main_window
    xdotool windowfocus --sync "$main"
    enter 18 '100'
    enter 66 '20'
    click 40 124                                  # 実行
    click 120 124                                 # コピー
    dismiss_box "copy with the accessibility bus"
    local expected shown
    expected=$(xclip -o -selection clipboard | tr -d '\r' | head -n 3)
    # Debian's own python3, which python3-pyatspi serves.
    /usr/bin/python3 "$(dirname "$0")/atspi_dump.py" "$app_pid" >"$work/atspi.txt" 2>"$work/atspi.log" ||
        fail "no accessibility tree: $(cat "$work/atspi.log")"
    grep -q '^ *\[table column header\] 乱数$' "$work/atspi.txt" || fail "no grid header in the accessibility tree"
    shown=$(sed -n 's/^ *\[table cell\] //p' "$work/atspi.txt" | head -n 3)
    [ "$shown" = "$expected" ] || fail "accessible cells '$shown' are not the first numbers '$expected'"
    echo "accessibility tree, grid part:"
    grep -A 4 '\[table\]' "$work/atspi.txt"
}
check_accessible_grid
echo "e2e: 20 values copied and saved"
