#!/bin/bash
# The real mizel4 on an X server under an address-space limit: Runs swept up to
# what fits each end in a list or the memory message and leave the program
# answering; boxes stand at the centre of the screen; a clipboard client asking
# for STRING or TEXT gets an answer while the program keeps its window and list.
set -euo pipefail
program=$1
if grep -q __asan_init "$program"; then
    echo "skipped: AddressSanitizer's shadow memory does not fit under an address-space limit"
    exit 77
fi
source "$(dirname "$0")/x_server.sh"

limit_kb=900000
# A fresh program under the limit, with the range 1 to 100 typed in.
start_program() {
    [ -z "${app_pid:-}" ] || { kill "$app_pid"; wait "$app_pid" 2>/dev/null || true; }
    (ulimit -v $limit_kb; exec "$program") >>"$work/app.log" 2>&1 &
    app_pid=$!
    main=$(xdotool search --sync --onlyvisible --pid "$app_pid" --name '^Mizel４$' | head -n 1)
    [ -n "$main" ] || fail "no window"
    xdotool windowfocus --sync "$main"
    type_into 18 100
    type_into 42 1
}

click() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.2; }
# Ctrl+A: a loaded machine may deliver the typing before the click's select-all.
type_into() { click 130 "$1"; xdotool key ctrl+a type --delay 10 "$2"; }
# Waits for a message box, checks that it stands at the screen's centre and
# answers it; fails when none opens within $2 seconds: the program has hung.
answer_box() {
    local box="" geometry
    for _ in $(seq $(($2 * 10))); do
        box=$(shown_windows --name '^Mizel４$' | grep -v "^$main\$" | head -n 1 || true)
        [ -n "$box" ] && break
        sleep 0.1
    done
    [ -n "$box" ] || fail "no box for $1 within $2 s"
    sleep 0.2
    geometry=$(xdotool getwindowgeometry --shell "$box")
    eval "$(echo "$geometry" | grep -E '^(X|Y|WIDTH|HEIGHT)=' | sed 's/^/local /')"
    [ $((2 * X + WIDTH - 1024)) -le 4 ] && [ $((1024 - 2 * X - WIDTH)) -le 4 ] \
        && [ $((2 * Y + HEIGHT - 768)) -le 4 ] && [ $((768 - 2 * Y - HEIGHT)) -le 4 ] \
        || fail "box for $1 at $X,$Y size ${WIDTH}x$HEIGHT is not centred"
    xdotool windowfocus --sync "$box" key Return
    sleep 0.2
}
# Waits until the program is back in its event loop; fails when it sleeps
# anywhere else for long: it has hung.
wait_idle() {
    local waited=0 state
    sleep 1                                   # the click reaches the program
    while sleep 0.2; do
        state=$(awk '{print $3}' "/proc/$app_pid/stat" 2>/dev/null)$(cat "/proc/$app_pid/wchan" 2>/dev/null) || true
        case "$state" in
        S*poll*) return ;;
        R*) waited=0 ;;
        Z* | "") fail "$1: the program ended" ;;
        *) waited=$((waited + 1)); [ $waited -lt 50 ] || fail "$1: the program hangs in $state" ;;
        esac
    done
}
# Runs with the count in a fresh program; true when the list was built, false
# on the memory message.
run_count() {
    start_program
    type_into 66 "$1"
    click 40 124
    wait_idle "Run of $1"
    if shown_windows --name '^Mizel４$' | grep -qv "^$main\$"; then
        answer_box "memory message for $1" 10
        return 1
    fi
    click 120 124                             # answered by a box: nothing hangs
    answer_box "copy after $1" 60
}

start_program
baseline_kb=$(awk '/^VmSize/ {print $2}' "/proc/$app_pid/status")
# Closes in on the largest list that fits: the last Runs that fit leave almost
# nothing for the painting that follows.
fits=$(((limit_kb - baseline_kb) * 128))
fails=$(((limit_kb - baseline_kb) * 256))
run_count "$fits" || fail "no list of $fits values"
run_count "$fails" && fail "a list of $fails values"
while [ $((fails - fits)) -gt 65536 ]; do
    count=$(((fits + fails) / 2))
    if run_count "$count"; then fits=$count; else fails=$count; fi
done

# A list whose copy fits but whose conversion to Latin-1 would not.
count=$(((limit_kb - baseline_kb) * 1024 / 24))
start_program
type_into 66 "$count"
click 40 124
click 120 124
answer_box copy 60
for target in STRING TEXT; do
    timeout 10 xclip -o -selection clipboard -t "$target" >/dev/null 2>&1 || [ $? -ne 124 ] || fail "no answer for $target"
done
kill -0 "$app_pid" || fail "the program ended"
lines=$(xclip -o -selection clipboard | wc -l)
[ "$lines" -eq "$count" ] || fail "clipboard has $lines lines, not $count"
echo "e2e faults: lists of $fits values built, of $fails refused; $count values kept on the clipboard"
