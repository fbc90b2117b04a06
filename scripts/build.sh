#!/usr/bin/env bash
# Configures and builds into a build folder: build.sh [build-dir] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
launcher=()
if command -v ccache > /dev/null; then
    # Checkouts in other folders (worktrees) share the cache: paths are taken relative to
    # the checkout, and the build folder's absolute path stays out of the hash.
    # The coverage build sets an empty CCACHE_BASEDIR to keep paths absolute.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDRUNE_WERROR=ON "${launcher[@]}" "$@" > "$build_dir.cmake.log" 2>&1 \
    || { cat "$build_dir.cmake.log"; exit 1; }
cmake --build "$build_dir" -j "$(nproc)"
