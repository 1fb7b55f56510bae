#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Cross-builds the Windows x86-64 program with MinGW-w64 into build/windows
# (or $TESSORAN_WINDOWS_BUILD_DIR) and checks that it needs no DLL beyond the
# ones every Windows has: gdiplus.dll, kernel32.dll and msvcrt.dll.
# Further arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${TESSORAN_WINDOWS_BUILD_DIR:-build/windows}"
# The build generates a table with a program it runs; a cross build takes
# one built for this host, by default the one of the Linux build.
generator="${TESSORAN_HOST_PATTERN_TABLE_GENERATOR:-$(pwd)/build/release/generate_pattern_table}"
extra=()
if [ -x "$generator" ]; then
    extra+=("-DTESSORAN_HOST_PATTERN_TABLE_GENERATOR=$generator")
fi

# The tests need GoogleTest built for Windows, which Debian does not ship;
# the Windows program is tested under Wine by tools/wine-tests.sh instead.
cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTESSORAN_WERROR=ON -DBUILD_TESTING=OFF \
    "${extra[@]}" "$@"
cmake --build "$build_dir" -j2 --target tessoran

program="$build_dir/tessoran.exe"
dlls=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr 'A-Z' 'a-z' | sort -u)
unexpected=$(printf '%s\n' "$dlls" | grep -v -x -e gdiplus.dll -e kernel32.dll -e msvcrt.dll || true)
if [ -n "$unexpected" ]; then
    echo "$program needs DLLs that a plain Windows lacks:" $unexpected >&2
    exit 1
fi
echo "$program needs:" $dlls
