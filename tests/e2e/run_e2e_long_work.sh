#!/bin/bash
# Long work in the real program: a Run of 10^9 values shows progress that moves
# and stops on Escape, giving its memory back; a Save stopped by Escape keeps
# the earlier file and leaves nothing beside it; Runs after both work.
set -euo pipefail
program=$1
source "$(dirname "$0")/window_driver.sh"

# The window's pixels (xwd leaves the pointer out).
snapshot() { xwd -id "$main" -silent | md5sum; }
resident_mib() { awk '/VmRSS/ { print int($2 / 1024) }' "/proc/$app_pid/status"; }
milliseconds() { echo $(( $(date +%s%N) / 1000000 )); }
fill_boxes() { enter 18 "$1"; enter 42 "$2"; enter 66 "$3"; }
# Runs 1..100, count 20, and checks the 20 values that Copy puts on the clipboard.
run_small_list() {
    fill_boxes 100 1 20
    click 40 124                                  # 実行
    click 120 124                                 # コピー
    dismiss_box "copy after $1"
    [ "$(xclip -o -selection clipboard | tr -d '\r' | grep -cx '[0-9]*')" -eq 20 ] ||
        fail "a Run after $1 did not give 20 values"
}

xdotool windowfocus --sync "$main"
fill_boxes 999999999 0 1000000000
click 152 88                                      # 同じ数を発生させない
xdotool mousemove --window "$main" 40 124 click 1
sleep 1
shown=$(snapshot)
moved() { [ "$(snapshot)" != "$shown" ]; }
await moved || fail "nothing moved on the window during the Run"
# Fresh memory may come slowly: wait until the list holds a good part of it.
under_way() { [ "$(resident_mib)" -gt 600 ]; }
await under_way || fail "the Run was not under way"
xdotool key Escape
escaped=$(milliseconds)
released() { [ "$(resident_mib)" -lt 512 ]; }
await released || fail "the stopped Run still holds $(resident_mib) MiB"
echo "Run of 10^9 stopped and its memory released $(( $(milliseconds) - escaped )) ms after Escape"
run_small_list "a stopped Run"

# 3·10^8 values with repeats, mostly of ten digits: several seconds of saving
# over an earlier file, stopped on the way.
fill_boxes 2147483646 1 300000000
click 152 88                                      # duplicates allowed again
xdotool mousemove --window "$main" 40 124 click 1
filled() { [ "$(resident_mib)" -gt 1100 ]; }
await filled || fail "the list of 3·10^8 values was not made"
sleep 1
mkdir "$work/folder"
printf 'earlier\r\n' >"$work/folder/kept.txt"
click 200 124                                     # 保存
dialog=""
await find_dialog || fail "no save dialog"
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 20 "$work/folder/kept.txt"
xdotool key Return
confirm=""
find_confirm() { confirm=$(shown_windows --name '.' | grep -vx -e "$main" -e "$dialog" | head -n 1); [ -n "$confirm" ]; }
await find_confirm || fail "no question whether to replace the file"
xdotool windowfocus --sync "$confirm" key y    # はい(&Y)
sleep 0.7
xdotool windowfocus --sync "$main" key Escape
sleep 1.5
for w in $(shown_windows --name '.' | grep -vx "$main"); do fail "a window opened: $(xdotool getwindowname "$w")"; done
[ "$(cat "$work/folder/kept.txt")" = $'earlier\r' ] || fail "the earlier file changed"
[ "$(ls -A "$work/folder")" = kept.txt ] || fail "left beside the file: $(ls -A "$work/folder")"
run_small_list "a stopped Save"
echo "e2e: long Run and Save stopped, the earlier file kept"
