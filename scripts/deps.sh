#!/usr/bin/env bash
# Installs the Debian packages the build needs when they are missing: as root with
# apt-get, otherwise it prints the exact command and fails. VIDRUNE_DEPS replaces the
# list (the Windows cross-build names its own).
set -euo pipefail

packages=(
    build-essential cmake pkg-config binutils
    libgtest-dev libgmock-dev libbenchmark-dev
    libtiff-dev libtiff-tools libcli11-dev ccache
    qt6-base-dev xvfb xauth poppler-utils locales help2man
    # cpack -G DEB reads the binaries' dependencies with these.
    file dpkg-dev
)
# Comparison libraries for the benchmarks only; the product never links them.
bench_packages=(libopencv-dev libyuv-dev)

# clang with libFuzzer and its sanitizer runtimes, for scripts/fuzz.sh only.
fuzz_packages=(clang-14 libclang-rt-14-dev llvm-14)

if [[ -n "${VIDRUNE_DEPS:-}" ]]; then
    read -r -a packages <<< "$VIDRUNE_DEPS"
elif [[ "${VIDRUNE_BENCH_DEPS:-1}" == 1 ]]; then
    packages+=("${bench_packages[@]}")
fi
if [[ "${VIDRUNE_FUZZ_DEPS:-0}" == 1 ]]; then
    packages+=("${fuzz_packages[@]}")
fi

# Number parsing is tested under a German locale (decimal comma), as Qt hosts switch to
# at start; without it those tests skip.
german_locale() {
    if locale -a 2>/dev/null | grep -qix 'de_DE.utf-\?8'; then
        return
    fi
    if [[ $(id -u) -eq 0 ]] && command -v localedef > /dev/null; then
        localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "Could not generate de_DE.UTF-8" >&2
    else
        echo "Locale de_DE.UTF-8 is missing; run as root: localedef -i de_DE -f UTF-8 de_DE.UTF-8" >&2
    fi
}

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    german_locale
    exit 0
fi

command=(apt-get install -y --no-install-recommends "${missing[@]}")
if [[ $(id -u) -eq 0 ]]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    "${command[@]}"
    german_locale
else
    echo "Missing packages. Run as root:" >&2
    echo "  sudo apt-get update && sudo ${command[*]}" >&2
    exit 1
fi
