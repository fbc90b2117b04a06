#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs them.
#   scripts/fuzz.sh [TARGET|all] [SECONDS]     default: all targets, 60 s each
# Each run starts from the committed corpus tests/fuzz/corpus/<target>/ and keeps the new
# entries it finds in build-fuzz/corpus/<target>/; findings (crash-*, timeout-*, oom-*)
# land in build-fuzz/findings/<target>/ and make the script fail.
# FUZZ_MERGE=1 minimises the kept entries into the committed corpus after the run.
# FUZZ_SANITIZE=thread builds into build-fuzz-thread/ with ThreadSanitizer instead of
# ASan + UBSan; FUZZ_CALL_THREADS=2 makes fuzz_calls split each input between two host
# threads. Together they look for races a host's threads can reach.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-60}
sanitize=${FUZZ_SANITIZE:-address,undefined}
build_dir=build-fuzz
coverage_flags=()
feedback=()
if [[ $sanitize == thread ]]; then
    build_dir=build-fuzz-thread
    # ThreadSanitizer would report the fuzzer's own coverage counters, which every thread
    # bumps without synchronisation; comparisons traced into libFuzzer are the feedback.
    no_counters=-fno-sanitize-coverage=inline-8bit-counters,pc-table
    coverage_flags=(-DCMAKE_C_FLAGS="$no_counters" -DCMAKE_CXX_FLAGS="$no_counters")
    feedback=(-use_value_profile=1)
fi
all_targets=(fuzz_profile fuzz_pgm fuzz_config fuzz_attributes fuzz_calls)

VIDRUNE_FUZZ_DEPS=1 VIDRUNE_BENCH_DEPS=0 scripts/deps.sh

if [[ "$target" == all ]]; then
    targets=("${all_targets[@]}")
else
    targets=("$target")
fi

launcher=()
if command -v ccache > /dev/null; then
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Only the fuzzers are built here: clang, everything instrumented, no Qt, tools or benchmarks.
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 "${launcher[@]}" \
    -DVIDRUNE_FUZZ=ON -DVIDRUNE_SANITIZE="$sanitize" "${coverage_flags[@]}" \
    -DVIDRUNE_BUILD_QT=OFF -DVIDRUNE_BUILD_BENCH=OFF -DVIDRUNE_BUILD_TOOLS=OFF \
    > "$build_dir.cmake.log" 2>&1 || { cat "$build_dir.cmake.log"; exit 1; }
cmake --build "$build_dir" --target "${targets[@]}" -j "$(nproc)"

# The targets write their files per input; memory is faster than the disk where there is one.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    export TMPDIR=${TMPDIR:-/dev/shm}
fi
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export TSAN_OPTIONS="halt_on_error=1"
status=0
for name in "${targets[@]}"; do
    committed=tests/fuzz/corpus/$name
    kept=$build_dir/corpus/$name
    # Split between threads, an input means other calls than on one thread: such inputs
    # are kept apart and never merged into the committed corpus.
    threaded=0
    [[ $name == fuzz_calls && ${FUZZ_CALL_THREADS:-1} != 1 ]] && threaded=1 && kept+=-threads
    findings=$build_dir/findings/$name
    mkdir -p "$committed" "$kept" "$findings"
    options=(-max_total_time="$seconds" -timeout=5 -rss_limit_mb=4096
             -artifact_prefix="$findings/" -print_final_stats=1 "${feedback[@]}")
    [[ -f tests/fuzz/$name.dict ]] && options+=(-dict="tests/fuzz/$name.dict")
    # The host targets keep the device and its camera list from one input to the next, so
    # every input ends with more blocks than it freed and libFuzzer would run each one twice
    # to look for a leak. LeakSanitizer still checks the whole run when the process ends.
    [[ $name == fuzz_config || $name == fuzz_attributes || $name == fuzz_calls ]] &&
        options+=(-detect_leaks=0)
    echo "== $name: $seconds s"
    if ! "$build_dir/bin/$name" "${options[@]}" "$kept" "$committed"; then
        echo "$name: finding in $findings" >&2
        status=1
    fi
    if [[ "${FUZZ_MERGE:-0}" == 1 && $threaded == 0 ]]; then
        "$build_dir/bin/$name" -merge=1 "$committed" "$kept"
    fi
done
exit $status
