#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs every end-to-end test against the Windows program under Wine:
#   tools/wine-tests.sh [linux build dir, default build/release]
# The test executables are the Linux ones (they start the program through
# tools/wine-run.sh); the program is build/windows/tessoran.exe (or the one in
# $TESSORAN_WINDOWS_BUILD_DIR), made by tools/windows-build.sh. The tests
# expect the same bytes as on Linux. Wine runs headless in a prefix of its
# own, made in a temporary folder and removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

linux_build="${1:-build/release}"
program="$root/${TESSORAN_WINDOWS_BUILD_DIR:-build/windows}/tessoran.exe"
if [ ! -f "$program" ]; then
    echo "No Windows program at $program: run tools/windows-build.sh first." >&2
    exit 1
fi

prefix=$(mktemp -d "${TMPDIR:-/tmp}/tessoran-wine-XXXXXX")
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT

started=$SECONDS
# Without a 32-bit Wine, wineboot reports the missing syswow64 programs; the
# 64-bit prefix is complete all the same.
timeout 300 wineboot -i >"$prefix/wineboot.log" 2>&1 || {
    cat "$prefix/wineboot.log" >&2
    exit 1
}
timeout 300 wineserver -w
# One server for all the runs rather than one started and stopped per run.
wineserver -p 60
# The first program run starts Wine's background services, which inherit its
# standard streams and outlive it; start them here on /dev/null so that they
# do not hold a test's output pipes open.
timeout 120 wine cmd.exe /c exit </dev/null >/dev/null 2>&1
echo "Wine prefix ready in $((SECONDS - started)) s."

export TESSORAN_PROGRAM="$program"
export TESSORAN_LAUNCHER="$root/tools/wine-run.sh"
export TESSORAN_SOURCE_DIR="$root"

failed=()
for source in tests/e2e/*_test.cpp; do
    name=$(basename "$source" .cpp)
    executable="$linux_build/tests/$name"
    if [ ! -x "$executable" ]; then
        echo "Missing test executable $executable: build the Linux tests first." >&2
        failed+=("$name")
        continue
    fi
    echo "== $name under Wine"
    if ! "$executable" --gtest_brief=1; then
        failed+=("$name")
    fi
done
echo "Wine tests took $((SECONDS - started)) s."
if [ ${#failed[@]} -ne 0 ]; then
    echo "Failed under Wine: ${failed[*]}" >&2
    exit 1
fi
