#!/bin/bash
# Times a no-duplicates Run over the whole range 0..2147483646 in the real
# program under Xvfb, as a user would start it: a first Run after start and
# repeated ones. A Run is over when the program stops using the processor; then
# Ctrl+End goes to the last rows. Needs about 9 GiB of free memory. Not a test:
# it prints times.
#
#   bench/measure_full_range.sh build/app/mizel4 [runs]
set -euo pipefail
program=$1
runs=${2:-3}
work=$(mktemp -d)
display=:$((100 + RANDOM % 800))
cleanup() {
    kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done 2>/dev/null || true
sleep 0.5

"$program" >"$work/app.log" 2>&1 &
app_pid=$!
main=$(xdotool search --sync --onlyvisible --name '^Mizel４$' | head -n 1)
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
# Processor time the program has used, in clock ticks.
busy() { awk '{ print $14 + $15 }' "/proc/$app_pid/stat"; }
now() { date +%s.%N; }

xdotool windowfocus --sync "$main"
click 130 18; xdotool type --delay 30 '2147483646'
click 130 42; xdotool type --delay 30 '0'
click 130 66; xdotool type --delay 30 '2147483647'
click 152 88                                  # 同じ数を発生させない

# Seconds from $1 until the program, at $2 ticks then, has worked and then stayed
# idle for half a second.
until_idle() {
    local before=$2 last=$2 done_at=$1 ticks
    while :; do
        sleep 0.1
        ticks=$(busy)
        if [ "$ticks" -gt $((last + 2)) ]; then
            last=$ticks
            done_at=$(now)
        elif [ "$last" -gt "$before" ] && awk -v a="$(now)" -v b="$done_at" 'BEGIN { exit !(a - b > 0.5) }'; then
            break
        fi
    done
    awk -v a="$done_at" -v b="$1" 'BEGIN { printf "%.1f", a - b }'
}

for run in $(seq "$runs"); do
    start=$(now)
    xdotool mousemove --window "$main" 40 124 click 1     # 実行
    seconds=$(until_idle "$start" "$(busy)")
    peak=$(awk '/VmHWM/ { printf "%.2f", $2 / 1048576 }' "/proc/$app_pid/status")
    echo "run $run: ${seconds} s, peak resident ${peak} GiB"
    xdotool mousemove --window "$main" 100 300 click 1 key ctrl+End   # the grid, then its end
    sleep 1
done
