#!/bin/bash
# Drives the real mizel4.exe under Wine on an X server as a user would, in the
# Wine prefix WINEPREFIX names, which must be its own: Wine's clipboard talks to
# the X server its first program saw. Both modes, Copy (read back with xclip,
# where Wine gives LF line ends), Save through the dialog, the min > max
# message, a Run of 10^8 numbers, and the keyboard path. Message texts are read
# from Wine's trace of each message box.
set -euo pipefail
exe=$1
export WINEDEBUG=trace+msgbox
run_under_wine() { exec wine "$exe"; }
program=run_under_wine
source "$(dirname "$0")/window_driver.sh"
trap 'wineserver -k 2>/dev/null || true; cleanup' EXIT

# The texts of the message boxes shown so far, from Wine's trace of each
# (\NNNN for a character outside ASCII).
shown_messages() {
    sed -n 's/^.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"\r\?$/\1/p' "$work/app.log" |
        python3 -c 'import re, sys; print(re.sub(r"\\([0-9a-f]{4})", lambda m: chr(int(m[1], 16)), sys.stdin.read()), end="")'
}
last_message_is() { [ "$(shown_messages | tail -n 1)" = "$wanted" ]; }
expect_message() { wanted=$1; await last_message_is || fail "message '$1' not shown; shown: $(shown_messages)"; }
clipboard() { xclip -o -selection clipboard; }
# Saves through the dialog into the file $1 (a Linux path, seen as Z:).
save_as() {
    click 200 124                                 # 保存
    local dialog=""
    find_dialog() {
        dialog=$(xdotool search --onlyvisible --name '.' | while read -r w; do
            [ "$w" != "$main" ] && xdotool getwindowname "$w" | grep -qv '^Mizel４$' && echo "$w"; done | head -n 1 || true)
        [ -n "$dialog" ]
    }
    await find_dialog || fail "no save dialog"
    xdotool windowfocus --sync "$dialog"
    sleep 0.5
    xdotool type --delay 20 "Z:${1//\//\\}"
    xdotool key Return
}

# Values one a line, all between $1 and $2, and $3 of them.
check_values() {
    [ "$(wc -l <"$4")" -eq "$3" ] || fail "$4 has $(wc -l <"$4") lines, not $3"
    awk -v low="$1" -v high="$2" '!/^-?[0-9]+$/ || $1 < low || $1 > high { exit 1 }' "$4" || fail "$4 has values outside $1..$2"
}

xdotool windowfocus --sync "$main"
enter 18 '100'
enter 42 '1'
enter 66 '20'
click 40 124                                  # 実行
click 120 124                                 # コピー
dismiss_box copy
expect_message 'クリップボードにコピーしました'
clipboard >"$work/repeats.txt"
check_values 1 100 20 "$work/repeats.txt"
save_as "$work/saved.txt"
dismiss_box save
expect_message 'ファイルに保存しました'
tr -d '\r' <"$work/saved.txt" | cmp -s - "$work/repeats.txt" || fail "saved file differs from the clipboard"
[ "$(grep -c $'\r$' "$work/saved.txt")" -eq 20 ] || fail "saved lines do not end in CR LF"

# The keyboard alone: Tab into a box selects its text, so typing replaces it;
# Space presses the focused button (Tab passes the tick box on to 実行, then
# コピー). Text left in a box would make the minimum 17 or 71, above 9.
click 130 18
xdotool type '9'
xdotool key Tab type '7'
xdotool key Tab type '30'
xdotool key Tab Tab space
sleep 0.3
xdotool key Tab space
dismiss_box "copy by keyboard"
clipboard >"$work/keyboard.txt"
check_values 7 9 30 "$work/keyboard.txt"

enter 18 '1'
enter 42 '100'
click 40 124                                  # 実行
dismiss_box "min above max"
expect_message '乱数の最小値が乱数の最大値を超えています！！'

# No duplicates: 1 to 20 in some order.
click 160 88                                  # 同じ数を発生させない
enter 18 '20'
enter 42 '1'
enter 66 '20'
click 40 124
click 120 124
dismiss_box "copy without duplicates"
[ "$(clipboard | sort -n | tr '\n' ' ')" = "$(seq 1 20 | tr '\n' ' ')" ] || fail "not 1 to 20 without duplicates: $(clipboard | tr '\n' ' ')"

# 10^8 numbers with repeats, saved whole.
click 160 88
enter 18 '9'
enter 66 '100000000'
click 40 124
save_as "$work/huge.txt"
dismiss_box "save of 10^8"
expect_message 'ファイルに保存しました'
[ "$(wc -l <"$work/huge.txt")" -eq 100000000 ] || fail "$(wc -l <"$work/huge.txt") lines saved, not 10^8"
! grep -qvx $'[1-9]\r' "$work/huge.txt" || fail "values outside 1..9 in the 10^8 saved"
echo "e2e on Windows: both modes, Copy, Save, min > max, 10^8 and the keyboard"
