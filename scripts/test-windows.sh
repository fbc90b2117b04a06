#!/usr/bin/env bash
# Cross-builds for Windows and runs the suite under Wine, in a Wine prefix of its own and
# on a virtual X display: test-windows.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-windows}

scripts/build-windows.sh "$build_dir" -DVIDRUNE_WINE="$PWD/scripts/wine-run.sh"
VIDRUNE_DEPS="socat" scripts/deps.sh

# A private prefix: the user's own Wine set-up is never touched or used.
export WINEPREFIX=$PWD/$build_dir/wineprefix
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
stop_wine() { wineserver -k 2> /dev/null || true; }
trap stop_wine EXIT

status=0
rm -f "$build_dir.ctest.log"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -euo pipefail
    build_dir=$1
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        echo "Creating the Wine prefix $WINEPREFIX"
        # Without the 32-bit Wine it reports a failure for the 32-bit half; only the
        # 64-bit prefix matters here.
        wineboot --init > "$build_dir.wineboot.log" 2>&1 || true
        wineserver -w # the registry reaches the disk when the server ends
        [[ -f $WINEPREFIX/system.reg ]] || { cat "$build_dir.wineboot.log"; exit 1; }
    fi
    # Xvfb runs no window manager. Windows that Wine hands to one are taken back out of
    # the maximized state at the next configure event (nothing confirms it), so the
    # window tests would see a maximize undone at random. A crash must not wait on a
    # dialog nobody can close: the debugger writes its backtrace and ends the program
    # (wine-run.sh turns that into a failure). A start Wine cuts short is tried again.
    settings=$build_dir/wine-settings.reg
    printf "%s\r\n" REGEDIT4 "" "[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]" \
        "\"Managed\"=\"N\"" "" "[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]" \
        "\"ShowCrashDialog\"=dword:00000000" > "$settings"
    for _ in 1 2 3; do
        grep -q "\"ShowCrashDialog\"=dword:00000000" "$WINEPREFIX/user.reg" 2> /dev/null &&
            grep -q "\"Managed\"=\"N\"" "$WINEPREFIX/user.reg" && break
        wine regedit /S "$settings" > /dev/null 2>&1 || true
        wineserver -w
    done
    # The serial-line tests write to COM21 and read what arrives on COM22: two Linux
    # pseudo-terminals that socat relays to each other.
    links=$WINEPREFIX/dosdevices
    rm -f "$links/com21" "$links/com22"
    socat pty,raw,echo=0,link="$links/com21" pty,raw,echo=0,link="$links/com22" \
        2> "$build_dir.socat.log" &
    socat_pid=$!
    trap "kill $socat_pid 2> /dev/null || true" EXIT
    for _ in $(seq 50); do [[ -L $links/com22 ]] && break; sleep 0.1; done
    export VIDRUNE_TEST_COM_PORT=COM21 VIDRUNE_TEST_COM_CAMERA=COM22
    # Wine starts its service processes with the first program and they inherit its
    # output: started here, they keep no pipe of ctest open. The server stays up until
    # the end, and the services with it.
    wineserver -p
    # Wine now and then ends a program at its start (see wine-run.sh); the services are
    # up by then all the same, and a test that needs them says so.
    wine "$build_dir/bin/device_tests.exe" --gtest_list_tests > /dev/null 2>&1 < /dev/null ||
        echo "test-windows: the first Wine program ended with status $?; going on"
    ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 300 |
        tee "$build_dir.ctest.log"
' test-windows "$build_dir" || status=$?

# The Wine server lists its remaining objects when it stops, thousands of lines that
# would bury ctest's report: stop it first, then repeat what failed.
stop_wine
wineserver -w 2> /dev/null || true
trap - EXIT
if ((status != 0)); then
    echo "== windows: ended with status $status; the tests that failed, again"
    awk '/\*\*\*(Failed|Timeout|Exception)/ { shown = 1 }
         /^ *Start +[0-9]+:|^ *[0-9]+\/[0-9]+ Test +#/ && !/\*\*\*/ { shown = 0 }
         shown' "$build_dir.ctest.log" 2> /dev/null || echo "(ctest did not run)"
    sed -n '/tests passed, /,$p' "$build_dir.ctest.log" 2> /dev/null || true
fi
exit "$status"
