#!/usr/bin/env bash
# The main job: builds the plug-in and grabs frames from the simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
VIDRUNE_BENCH_DEPS=0 scripts/deps.sh
scripts/build.sh build -DVIDRUNE_BUILD_BENCH=OFF
build/bin/vidrune-identity
