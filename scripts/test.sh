#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
#   scripts/test.sh                      plain build in build/
#   scripts/test.sh address,undefined    AddressSanitizer + UndefinedBehaviorSanitizer
#   scripts/test.sh thread               ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=${1:-}

scripts/deps.sh

if [[ -z "$sanitize" ]]; then
    build_dir=build
    scripts/build.sh "$build_dir"
else
    build_dir="build-${sanitize//,/-}"
    scripts/build.sh "$build_dir" -DVIDRUNE_SANITIZE="$sanitize" -DVIDRUNE_BUILD_BENCH=OFF
fi

# Any sanitizer report ends the test that made it with a failure.
export ASAN_OPTIONS="abort_on_error=0:halt_on_error=1:detect_leaks=1:exitcode=23"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=23"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:exitcode=66"

run=(ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)")
if [[ "$sanitize" == thread ]]; then
    # ThreadSanitizer needs the classic address-space layout on newer kernels.
    run=(setarch "$(uname -m)" -R "${run[@]}")
fi
"${run[@]}"
