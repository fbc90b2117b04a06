#!/usr/bin/env bash
# Uses the install as a host author does: installs into a temporary prefix, builds
# examples/host against it with pkg-config and with find_package and runs both hosts,
# runs the installed vidrune-grab on the installed example, then the same grab from the
# Debian package (installed with dpkg when run as root without a vidrune package on the
# machine, and removed again; otherwise unpacked).
#   scripts/test-install.sh [build-dir]     default: build (built first, incrementally)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}

VIDRUNE_BENCH_DEPS=0 scripts/deps.sh
scripts/build.sh "$build_dir"

work=$(mktemp -d /tmp/vidrune-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build_dir/CMakeCache.txt")
export XDG_DATA_HOME=$work/home VIDRUNE_DISPLAY=headless

step() { echo "== install: $*"; }

step "cmake --install into $prefix"
cmake --install "$build_dir" --prefix "$prefix" > "$work/install.log"

# Builds the example hosts out of tree (extra cmake options as arguments) and runs them
# on the installed plug-in and example.
hosts() {
    local name=$1 plugin=$2
    shift 2
    step "examples/host found with $name"
    cmake -S examples/host -B "$work/host-$name" -DCMAKE_BUILD_TYPE=Release "$@" \
        > "$work/host-$name.log" || { cat "$work/host-$name.log"; return 1; }
    cmake --build "$work/host-$name"
    "$work/host-$name/identity"
    "$work/host-$name/grab_host" "$plugin" "$prefix/share/vidrune/examples/vidrune.ini" \
        Mono8 Full "$work/host-$name/frame.pgm" | tail -n 2
    test -s "$work/host-$name/frame.pgm"
}
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
hosts pkg-config "$(pkg-config --variable=plugin vidrune)" -DVIDRUNE_FIND=pkg-config
hosts find_package "$prefix/$libdir/libvidrune.so" -DCMAKE_PREFIX_PATH="$prefix"

# The installed tool grabs three frames of the installed example without error.
grab() {
    local root=$1 out=$work/grab-$2
    step "$root/bin/vidrune-grab grab $root/share/vidrune/examples/vidrune.ini"
    "$root/bin/vidrune-grab" --version
    (cd "$work" && "$root/bin/vidrune-grab" grab "$root/share/vidrune/examples/vidrune.ini" \
        --frames 3 --wait --out "$out" | tail -n 4)
    test "$(find "$out" -name 'frame-*.tif' | wc -l)" -eq 3
}
grab "$prefix" prefix

# The installed plug-in finds the installed window module when a display is there.
if command -v xvfb-run > /dev/null; then
    step "window module loaded from $prefix/$libdir/vidrune"
    (cd "$work" && LD_DEBUG=files VIDRUNE_DISPLAY= xvfb-run -a "$prefix/bin/vidrune-grab" grab \
        "$prefix/share/vidrune/examples/vidrune.ini" --out "$work/grab-window") \
        > /dev/null 2> "$work/window.log"
    grep -q "file=$prefix/$libdir/vidrune/libvidrune-qtview.so .*dynamically loaded" \
        "$work/window.log" || { echo "the window module was not loaded" >&2; exit 1; }
fi

step "cpack -G DEB"
(cd "$build_dir" && cpack -G DEB -B "$work/deb" > "$work/cpack.log" 2>&1) \
    || { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/deb/vidrune_*.deb)
dpkg-deb --field "$deb" Package Version Depends
installed() { dpkg-query -W -f='${Status}' vidrune 2> /dev/null | grep -q "ok installed"; }
if [[ $(id -u) -eq 0 ]] && ! installed; then
    trap 'dpkg --purge vidrune > /dev/null; rm -rf "$work"' EXIT
    dpkg -i "$deb" > /dev/null
    grab /usr deb
else
    dpkg-deb -x "$deb" "$work/unpacked"
    grab "$work/unpacked/usr" deb
fi
echo "install: all steps passed"
