#!/usr/bin/env bash
# Makes docs/live-window-win32.png, the README's picture of the Win32 live window: the
# window test's live acquisition under Wine on a virtual X display, saved by the test and
# converted to PNG: screenshot-windows.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-windows}

scripts/build-windows.sh "$build_dir"
VIDRUNE_DEPS="imagemagick" scripts/deps.sh

# A prefix of its own, where Wine draws the window's caption and frame itself: Xvfb has no
# window manager to draw them.
export WINEPREFIX=$PWD/$build_dir/wineprefix-screenshot
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
stop_wine() { wineserver -k 2> /dev/null || true; }
trap stop_wine EXIT

shot=$PWD/$build_dir/live-window-win32.bmp
rm -f "$shot"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -euo pipefail
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        wineboot --init > /dev/null 2>&1 || true
        wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Decorated /d N /f > /dev/null
        wineserver -w
    fi
    VIDRUNE_SCREENSHOT=$(winepath -w "$2") VIDRUNE_LOCAL_APPDATA=$(winepath -w "$1/test-home") \
        wine "$1/bin/win32_window_tests.exe" \
        --gtest_filter="*ALiveAcquisitionShowsThePatternSaturationInRedAndTheOverlayWhite"
' screenshot "$build_dir" "$shot"
# The screen has no alpha; the BMP's fourth byte is padding.
convert "$shot" -alpha off docs/live-window-win32.png
echo "wrote docs/live-window-win32.png"
