#!/usr/bin/env bash
# Cross-builds Vidrune.dll, DispResources.dll, fgcore.dll, vidrune-grab.exe and the test
# programs for 64-bit Windows with mingw-w64 into a build folder:
# build-windows.sh [build-dir] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-windows}
shift || true

# The cross compilers (the -posix flavour: the -win32 one has no std::thread) and Wine,
# not the whole mingw-w64 metapackage; CLI11's headers serve the cross-built tool as well.
VIDRUNE_DEPS="cmake ninja-build ccache g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
binutils-mingw-w64-x86-64 googletest libcli11-dev wine64 wine libwine xvfb xauth" scripts/deps.sh

toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
launcher=()
if command -v ccache > /dev/null; then
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
jobs=$(nproc)

# GoogleTest from Debian's sources, built once with the cross compiler.
gtest_prefix=$PWD/$build_dir/googletest
if [[ ! -f $gtest_prefix/lib/cmake/GTest/GTestConfig.cmake ]]; then
    cmake -S /usr/src/googletest -B "$build_dir/googletest-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -Dgtest_disable_pthreads=OFF "${launcher[@]}" \
        > "$build_dir.googletest.log" 2>&1 || { cat "$build_dir.googletest.log"; exit 1; }
    cmake --build "$build_dir/googletest-build" -j "$jobs" --target install \
        >> "$build_dir.googletest.log" 2>&1 || { cat "$build_dir.googletest.log"; exit 1; }
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDRUNE_WERROR=ON -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" \
    "${launcher[@]}" "$@" > "$build_dir.cmake.log" 2>&1 || { cat "$build_dir.cmake.log"; exit 1; }
cmake --build "$build_dir" -j "$jobs"
