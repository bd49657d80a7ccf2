#!/bin/bash
# Times a Run of 2147483646 values with duplicates allowed in the real program
# under Xvfb, twice in one session: the first Run after start and a repeated
# one. A measurement to run by hand, not a test; needs about 9 GiB of memory.
# With "distinct" after the count, the Run has no duplicates: a count of
# 2147483647 is the whole range 0..2147483646.
#
# The Run works on other threads while the window shows its progress; it has
# ended once the program stops using processor time.
set -euo pipefail
program=$1
count=${2:-2147483646}
mode=${3:-repeats}
source "$(dirname "$0")/window_driver.sh"

fill_boxes() {
    enter 18 "$1"
    enter 42 "$2"
    enter 66 "$3"
}

xdotool windowfocus --sync "$main"
fill_boxes 2147483646 0 "$count"
[ "$mode" = distinct ] && click 152 88        # 同じ数を発生させない

# Processor ticks used by the program so far.
ticks() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }
for run in first repeated; do
    start=$(date +%s%N)
    xdotool mousemove --window "$main" 40 124 click 1
    sleep 0.5
    end=$start
    used=$(ticks)
    until sleep 0.2; [ "$(ticks)" -le $((used + 2)) ]; do
        end=$(date +%s%N)
        used=$(ticks)
    done
    echo "$run Run of $count values ($mode): $(( (end - start) / 1000000 )) ms"
done
awk '/VmHWM/ { printf "peak resident: %.2f GiB\n", $2 / 1048576 }' "/proc/$app_pid/status"
