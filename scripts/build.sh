#!/usr/bin/env bash
# Configures and builds into a build folder: build.sh [build-dir] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$build_dir.cmake.log" 2>&1 \
    || { cat "$build_dir.cmake.log"; exit 1; }
cmake --build "$build_dir" -j "$(nproc)"
