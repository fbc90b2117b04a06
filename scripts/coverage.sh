#!/usr/bin/env bash
# Builds with gcc's coverage instrumentation, runs the Linux suite and reports the line and
# branch coverage of the product code: coverage.sh [build-dir]
# The HTML report goes to <build-dir>/coverage/index.html.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-coverage}

VIDRUNE_BENCH_DEPS=0 scripts/deps.sh
VIDRUNE_DEPS=gcovr scripts/deps.sh

# -O0 keeps every source line its own code, so line counts mean what they say. No ccache
# base folder: its paths relative to each object's folder end up in the notes files, and
# gcovr cannot resolve them from the root.
export CCACHE_BASEDIR=
# Atomic counter updates: the stress tests' threads run the same lines at once, and plain
# increments lose counts, so a covered line could read as missed from one run to the next.
flags="--coverage -O0 -fprofile-update=atomic"
scripts/build.sh "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DVIDRUNE_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage \
    -DCMAKE_MODULE_LINKER_FLAGS=--coverage

# Counts from an earlier run would add up with this one.
find "$build_dir" -name '*.gcda' -delete
# A failing test still leaves its counts: report them, then fail.
status=0
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" || status=$?

# Product code only: the tests, benchmarks and fuzzers measure it, they are not measured.
# Counters updated by several threads at once can make gcov print a negative share for a
# call's returns, a line gcovr cannot parse; it only concerns calls, so it is skipped.
report="$build_dir/coverage"
mkdir -p "$report"
# The build folder as the only place to search: a Wine prefix in the checkout links to /.
gcovr --root . --object-directory "$build_dir" \
    --filter '(plugin|device|input|board|display|platform|fgsim|tools|include)/' \
    --exclude-unreachable-branches --exclude-throw-branches --gcov-ignore-parse-errors \
    --print-summary --txt "$report/summary.txt" \
    --html-details "$report/index.html" --html-title "Vidrune coverage" "$build_dir"
echo "HTML report: $report/index.html"
exit "$status"
