#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Checks what users get from a build, as they get it:
#   tools/install-check.sh [build dir, default build/release]
# 1. `cmake --install` into a scratch prefix installs exactly the program, its
#    manual pages (which must pass man's warnings), the header, the shared
#    library libtessoran.so.0 (exporting the C interface and nothing else),
#    the static library, the CMake package and the pkg-config file.
# 2. examples/decode.c is built against the installed files through
#    find_package(Tessoran), through pkg-config, and through pkg-config
#    --static with the static library; each build decodes an example to the
#    bytes the program prints after its size line.
# The Debian packages are checked by tools/package-check.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessoran-install-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "install-check: $*" >&2
    exit 1
}
# Runs a decoder of the example and compares its output with the expected bytes.
expect_example() {
    local what="$1"
    shift
    "$@" > "$scratch/out" || fail "$what: status $?"
    cmp -s "$scratch/out" "$scratch/expected" || fail "$what: wrong output"
    echo "ok: $what"
}

example=examples/hello.png
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
[ -n "$version" ] && [ -n "$libdir" ] || fail "$build is no configured build"
"$build/tessoran" "$example" 2> /dev/null | tail -n +2 > "$scratch/expected"
[ -s "$scratch/expected" ] || fail "the program does not decode $example"

# 1. The installed tree.
prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" > /dev/null
(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort) > "$scratch/tree"
sort > "$scratch/tree-expected" << END
bin/tessoran
include/tessoran/tessoran.h
$libdir/cmake/Tessoran/TessoranConfig.cmake
$libdir/cmake/Tessoran/TessoranConfigVersion.cmake
$libdir/cmake/Tessoran/TessoranTargets-release.cmake
$libdir/cmake/Tessoran/TessoranTargets.cmake
$libdir/libtessoran.a
$libdir/libtessoran.so
$libdir/libtessoran.so.0
$libdir/libtessoran.so.$version
$libdir/pkgconfig/tessoran.pc
share/man/man1/tessoran.1
share/man/man3/libtessoran.3
END
diff -u "$scratch/tree-expected" "$scratch/tree" || fail "the installed files differ"
echo "ok: installed files"

library="$prefix/$libdir/libtessoran.so.$version"
# Output is taken whole before it is searched: `grep -q` leaves at the first
# match, and the writer's broken pipe would fail the pipeline.
dynamic=$(readelf -d "$library")
grep -q 'SONAME.*\[libtessoran\.so\.0\]' <<< "$dynamic" || fail "no SONAME libtessoran.so.0"
nm -D --defined-only "$library" | awk '{print $3}' | sort > "$scratch/exports"
grep -o 'tessoran_[a-z_]*(' include/tessoran/tessoran.h | tr -d '(' | sort > "$scratch/interface"
diff -u "$scratch/interface" "$scratch/exports" || fail "the exports are not the interface"
echo "ok: libtessoran.so.0 exports the interface alone"

for page in man1/tessoran.1 man3/libtessoran.3; do
    warnings=$(man --warnings -E UTF-8 -l "$prefix/share/man/$page" 2>&1 > /dev/null)
    [ -z "$warnings" ] || fail "manual page $page: $warnings"
done
[ "$("$prefix/bin/tessoran" --version 2> /dev/null | head -n 1)" = "tessoran $version" ] ||
    fail "the installed program's version"
echo "ok: manual pages and version"

# 2. The example, found both ways.
cmake -S examples -B "$scratch/cmake-example" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
cmake --build "$scratch/cmake-example" > /dev/null
loads=$(ldd "$scratch/cmake-example/decode")
grep -q "$prefix/$libdir/libtessoran.so.0" <<< "$loads" ||
    fail "the CMake-built example does not load the installed library"
expect_example "find_package(Tessoran)" "$scratch/cmake-example/decode" "$example"

export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
[ "$(pkg-config --modversion tessoran)" = "$version" ] || fail "pkg-config version"
# The file names the prefix it was installed under, not the configured one.
[ "$(pkg-config --variable=prefix tessoran)" = "$prefix" ] ||
    fail "pkg-config prefix: $(pkg-config --variable=prefix tessoran)"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror -o "$scratch/decode-pc" examples/decode.c \
    $(pkg-config --cflags --libs tessoran)
expect_example "pkg-config" env LD_LIBRARY_PATH="$prefix/$libdir" "$scratch/decode-pc" "$example"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror -o "$scratch/decode-static" examples/decode.c \
    $(pkg-config --cflags tessoran) "$prefix/$libdir/libtessoran.a" \
    $(pkg-config --static --libs tessoran | sed 's/-ltessoran\b//')
loads=$(ldd "$scratch/decode-static")
! grep -q libtessoran <<< "$loads" || fail "the static example loads libtessoran"
expect_example "pkg-config --static" "$scratch/decode-static" "$example"
