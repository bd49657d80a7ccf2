#!/bin/bash
# Drives the real mizel4.exe under Wine on an X server as a user would, in the
# Wine prefix WINEPREFIX names, which must be its own: Wine's clipboard talks to
# the X server its first program saw. Both modes, Copy (read back with xclip,
# where Wine gives LF line ends), Save through the dialog, the min > max
# message, a Run of 10^8 numbers, the keyboard path, and long work: its
# progress, Escape, and the input given meanwhile. Message and status bar texts
# are read from Wine's traces.
set -euo pipefail
exe=$1
export WINEDEBUG=trace+msgbox,trace+statusbar
# The form's font as on Windows, so that the status bar draws its digits.
run_under_wine() {
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d Monapo /f >/dev/null 2>&1 || true
    exec wine "$exe"
}
program=run_under_wine
source "$(dirname "$0")/window_driver.sh"
trap 'wineserver -k 2>/dev/null || true; cleanup' EXIT

# The texts of the message boxes shown so far, and of the status bar, from
# Wine's traces (\NNNN for a character outside ASCII).
traced() {
    sed -n "s/^.*trace:$1 L\"\\(.*\\)\"\r\\?\$/\\1/p" "$work/app.log" |
        python3 -c 'import re, sys; print(re.sub(r"\\([0-9a-f]{4})", lambda m: chr(int(m[1], 16)), sys.stdin.read()), end="")'
}
shown_messages() { traced 'msgbox:MSGBOX_OnInit'; }
status_texts() { traced 'statusbar:STATUSBAR_SetTextT part 0, text'; }
# Whether the status bar has shown $wanted since the texts counted in $mark
# (a hint may follow it at once).
status_shown() { status_texts | tail -n "+$((mark + 1))" | grep -qx "$wanted"; }
mark_status() { mark=$(status_texts | wc -l); }
await_status() { wanted=$1; for _ in $(seq 300); do status_shown && return 0; sleep 0.1; done; fail "status bar not '$1': $(status_texts | tail -n 3)"; }
last_message_is() { [ "$(shown_messages | tail -n 1)" = "$wanted" ]; }
expect_message() { wanted=$1; await last_message_is || fail "message '$1' not shown; shown: $(shown_messages)"; }
clipboard() { xclip -o -selection clipboard; }
# Wine keeps a closed box mapped for up to 2 s without a window manager; the
# next box looked for must not be that one.
box_gone() { ! shown_windows --name '^Mizel４$' | grep -qvx "$main"; }
answer_box() { dismiss_box "$1"; await box_gone || fail "the box for $1 stays"; }
# Saves through the dialog into the file $1 (a Linux path, seen as Z:).
save_as() {
    click 200 124                                 # 保存
    local dialog=""
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
answer_box copy
expect_message 'クリップボードにコピーしました'
clipboard >"$work/repeats.txt"
check_values 1 100 20 "$work/repeats.txt"
save_as "$work/saved.txt"
answer_box save
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
answer_box "copy by keyboard"
clipboard >"$work/keyboard.txt"
check_values 7 9 30 "$work/keyboard.txt"

enter 18 '1'
enter 42 '100'
click 40 124                                  # 実行
answer_box "min above max"
expect_message '乱数の最小値が乱数の最大値を超えています！！'

# No duplicates: 1 to 20 in some order.
click 160 88                                  # 同じ数を発生させない
enter 18 '20'
enter 42 '1'
enter 66 '20'
click 40 124
click 120 124
answer_box "copy without duplicates"
[ "$(clipboard | sort -n | tr '\n' ' ')" = "$(seq 1 20 | tr '\n' ' ')" ] || fail "not 1 to 20 without duplicates: $(clipboard | tr '\n' ' ')"

# 10^8 numbers with repeats, saved whole.
click 160 88
enter 18 '9'
enter 66 '100000000'
click 40 124
save_as "$work/huge.txt"
answer_box "save of 10^8"
expect_message 'ファイルに保存しました'
[ "$(wc -l <"$work/huge.txt")" -eq 100000000 ] || fail "$(wc -l <"$work/huge.txt") lines saved, not 10^8"
! grep -qvx $'[1-9]\r' "$work/huge.txt" || fail "values outside 1..9 in the 10^8 saved"

# Long work: a no-duplicates Run of 10^9 shows its progress, which moves; what
# is typed meanwhile waits for its end; Escape stops it and gives its memory
# back. The status bar is the window's last 19 rows.
status_bar() { import -window "$main" -crop 285x19+0+465 -depth 8 "rgb:$1"; }
resident_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$app_pid/status"; }
click 160 88                                  # 同じ数を発生させない
enter 18 '999999999'
enter 42 '0'
enter 66 '1000000000'
mark_status
xdotool mousemove --window "$main" 40 124 click 1
sleep 0.6
wanted='作成中　[0-9]*%.*Escで中止'
status_shown || fail "no progress on the status bar: $(status_texts | tail -n 1)"
status_bar "$work/progress1.rgb"
sleep 1
status_bar "$work/progress2.rgb"
! cmp -s "$work/progress1.rgb" "$work/progress2.rgb" || fail "the progress on the status bar does not move"
enter 18 '999'
enter 66 '25'
xdotool key Escape
escaped=$(date +%s%N)
await_status '作成を中止しました'
echo "Escape to stopped Run: $(( ($(date +%s%N) - escaped) / 1000000 )) ms"
released() { [ "$(resident_kib)" -lt 1048576 ]; }
for _ in $(seq 20); do released && break; sleep 0.1; done
released || fail "$(resident_kib) KiB still resident after the stopped Run"
# The boxes typed into during the Run: 25 values of 0..999, once each.
click 40 124                                  # 実行
click 120 124                                 # コピー
answer_box "copy after a stopped Run"
clipboard >"$work/after-stop.txt"
check_values 0 999 25 "$work/after-stop.txt"
[ "$(sort -u "$work/after-stop.txt" | wc -l)" -eq 25 ] || fail "duplicates after a stopped Run"

# A Save of 3·10^8 values stopped by Escape: the earlier file stays byte for
# byte, no temporary file is left beside it, and no message box shows.
click 160 88
enter 18 '9'
enter 42 '1'
enter 66 '300000000'
mark_status
click 40 124
await_status '生成終了　生成時間:[0-9]*ミリ秒'
cp "$work/saved.txt" "$work/earlier.txt"
ls "$work" >"$work/before-save.lst"
messages=$(shown_messages | wc -l)
save_as "$work/saved.txt"
overwrite_asked() { [ "$(shown_messages | wc -l)" -gt "$messages" ]; }
await overwrite_asked || fail "no question before overwriting"
mark_status
xdotool key Return                            # はい
await_status '保存中　[0-9]*%.*Escで中止'
xdotool key Escape
await_status '保存を中止しました'
cmp -s "$work/saved.txt" "$work/earlier.txt" || fail "a stopped Save changed the earlier file"
ls "$work" | diff "$work/before-save.lst" - >/dev/null || fail "a stopped Save left files: $(ls "$work")"
[ "$(shown_messages | wc -l)" -eq $((messages + 1)) ] || fail "a stopped Save showed: $(shown_messages | tail -n 1)"
echo "e2e on Windows: both modes, Copy, Save, min > max, 10^8, the keyboard and long work stopped"
