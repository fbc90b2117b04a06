#!/usr/bin/env bash
# Runs a Windows test program under Wine for ctest: wine-run.sh PROGRAM [ARGS...]
# Under load Wine now and then ends a program at once with a failure status, before the
# program has written a byte (twice in about ten suite runs, 0.01 s, no output). A program
# that ran writes its banner first, and a crash writes Wine's report, so only a start with
# no output at all is made again, once, and says so.
# Wine's debugger ends a crashed program with status 0, so its report counts as a failure.
set -uo pipefail
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
    wine "$@" > "$out" 2> "$err"
    status=$?
    if grep -q "^wine: Unhandled" "$err" && [[ $status == 0 ]]; then
        echo "wine-run: $1 crashed" >&2
        status=1
    fi
    if [[ $status == 0 || -s $out || -s $err || $attempt == 2 ]]; then
        cat "$out"
        cat "$err" >&2
        exit "$status"
    fi
    echo "wine-run: $1 ended with status $status before writing anything; starting it again" >&2
done
