#!/bin/sh
# Builds the libFuzzer targets (clang, sanitizers) and runs each one for a
# bounded time and memory on its corpus. The seeds in fuzz/corpus/<target> are
# only read; new inputs go to build/fuzz/corpus/<target>, findings to
# build/fuzz/findings/. Prints how many inputs each target ran.
# Usage: tools/fuzz.sh [seconds per target, 60 by default]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

status=0
summary=build/fuzz/summary.txt
: >"$summary"
for seeds in fuzz/corpus/*/; do
    target=$(basename "$seeds")
    work=build/fuzz/corpus/$target
    log=build/fuzz/$target.log
    mkdir -p "$work" build/fuzz/findings
    # A float is four bytes: longer inputs would only repeat the same cases.
    # Files of lines get room for long lines and many of them.
    case $target in
        fuzz_formatfloat) length=-max_len=4 ;;
        fuzz_linelist) length=-max_len=65536 ;;
        *) length=-max_len=4096 ;;
    esac
    if build/fuzz/fuzz/"$target" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 \
        "$length" -print_final_stats=1 -artifact_prefix=build/fuzz/findings/"$target"- \
        "$work" "$seeds" >"$log" 2>&1; then
        result="no finding"
    else
        result="FINDING, see $log"
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
    echo "$target: ${runs:-?} inputs in ${seconds} s, peak ${peak:-?} MB, $result" | tee -a "$summary"
done
exit $status
