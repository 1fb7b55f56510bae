#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian packages that building and testing need, skipping the
# installation when every one of them is already there.
set -euo pipefail

#   tools/setup.sh            what building needs
#   tools/setup.sh --package  and what building the Debian packages needs
#   tools/setup.sh --test     and what the tests need besides (packaging too)
#   tools/setup.sh PKG...     and these packages too
packages=(
    cmake ninja-build g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libpng-dev libjpeg62-turbo-dev libtiff-dev libgif-dev
    # The program writes its JSON output with it (headers only).
    nlohmann-json3-dev
    # The tests, built by default, write JPEG files through TurboJPEG.
    libturbojpeg0-dev
)
# debian/control's build dependencies beyond the above: debhelper with the
# Python helpers for the module.
packaging=(
    dpkg-dev debhelper dh-python pybuild-plugin-pyproject python3-all python3-setuptools
    libjpeg-dev
)
if [ "${1:-}" = "--package" ]; then
    shift
    packages+=("${packaging[@]}")
elif [ "${1:-}" = "--test" ]; then
    shift
    packages+=(
        "${packaging[@]}"
        # The packages are checked by lintian; the Python module's tests run
        # with pytest on numpy arrays and PIL images, and it is installed with
        # pip.
        lintian python3-pytest python3-numpy python3-pil python3-pip
        # An independent encoder of test symbols, and the ZXingReader decoder
        # that the benchmarks compare the program with.
        zint zxing-cpp-tools
        # The Windows build: the MinGW-w64 cross compiler (with the GDI+
        # headers and import library) and Wine to run its tests.
        g++-mingw-w64-x86-64 wine wine64
        # The installed tree and the packages: the example is C, the manual
        # pages are checked by man, the library's exports by binutils.
        gcc man-db groff-base binutils
        # The formatting check, and clang with its libFuzzer runtime for the
        # fuzz targets.
        clang-format-14 clang libclang-rt-14-dev
    )
fi
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep "install ok installed" > /dev/null; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
