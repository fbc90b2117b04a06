#!/usr/bin/env bash
# The main job: builds the plug-in and vidrune-grab, then grabs a few frames from each
# camera of the example configuration on the simulated board into out/<camera>/.
set -euo pipefail
cd "$(dirname "$0")/.."
VIDRUNE_BENCH_DEPS=0 scripts/deps.sh
scripts/build.sh build -DVIDRUNE_BUILD_BENCH=OFF

config=examples/vidrune.ini
for camera in Mono8 Mono12 Wedge; do
    echo "== $camera"
    build/bin/vidrune-grab grab "$config" --camera "$camera" --frames 4 --wait \
        --out "out/$camera"
done
echo
echo "TIFF files written under $(pwd)/out:"
find out -name '*.tif' | sort | sed 's/^/  /'
