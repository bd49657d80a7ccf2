#!/bin/sh
# Runs each fuzzer of build directory $1 for $2 seconds, keeping its corpus
# there between runs, and prints how many inputs each one tried.
set -e
build=$1
seconds=$2
dict=$(dirname "$0")/text_to_int.dict
for fuzzer in text_to_int_fuzzer grid_split_fuzzer; do
    mkdir -p "$build/corpus-$fuzzer"
    options=""
    [ "$fuzzer" = text_to_int_fuzzer ] && options="-dict=$dict"
    if ! "$build/$fuzzer" $options -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/" "$build/corpus-$fuzzer" >"$build/$fuzzer.log" 2>&1; then
        tail -n 30 "$build/$fuzzer.log"
        echo "$fuzzer: FAILED (input saved in $build/)"
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$fuzzer.log")
    echo "$fuzzer: $runs executions in $seconds s, no crash or disagreement"
done
