#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Checks the Debian packages as a user gets them:
#   tools/package-check.sh [release build dir, default build/release]
# 1. tools/package.sh builds tessoran, libtessoran0, libtessoran-dev and
#    python3-tessoran into build/deb; lintian must report no error on any of
#    them (its full report is printed).
# 2. The packages are installed with dpkg into a throwaway copy of this
#    machine: an overlay over / in a private mount namespace, entered with
#    chroot, so that dpkg runs their maintainer scripts and triggers as on a
#    real system while this one stays untouched. There the installed program
#    decodes an example, both manual pages open, examples/decode.c builds
#    through pkg-config and through find_package(Tessoran) with no path given,
#    and Python imports the module and decodes the example. Each package's
#    installed files are listed.
# Needs root (mount namespaces, chroot); run as another user, it uses sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
out=build/deb

fail() {
    echo "package-check: $*" >&2
    exit 1
}

# 1. Build and lint.
tools/package.sh "$out" > /dev/null
changes=$(ls "$out"/*.changes)
for package in tessoran libtessoran0 libtessoran-dev python3-tessoran; do
    ls "$out/${package}"_*.deb > /dev/null 2>&1 || fail "no $package package"
done
lintian --fail-on error --display-info "$changes" 2>&1 |
    grep -v '^running with root privileges' | sed 's/^/lintian: /' || true
lintian --fail-on error "$changes" > /dev/null 2>&1 || fail "lintian reports errors"
echo "ok: lintian reports no error"

# The bytes the program prints after its size line, to compare with.
expected=$("$build/tessoran" examples/hello.png 2> /dev/null | tail -n +2)
[ -n "$expected" ] || fail "$build/tessoran does not decode examples/hello.png"

# 2. Install and use.
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessoran-package-XXXXXX")
trap '$sudo rm -rf "$scratch"' EXIT
mkdir -p "$scratch/upper" "$scratch/work" "$scratch/root"
# What the check uses inside goes into the overlay's upper layer: the
# packages, the example and its expected output.
cp "$out"/*.deb "$scratch/upper/"
mkdir "$scratch/upper/example"
cp examples/hello.png examples/decode.c examples/CMakeLists.txt "$scratch/upper/example/"
printf '%s' "$expected" > "$scratch/upper/expected"

$sudo unshare --mount --propagation private bash -s "$scratch" << 'INSIDE' ||
set -euo pipefail
scratch="$1"
mount -t overlay overlay -o "lowerdir=/,upperdir=$scratch/upper,workdir=$scratch/work" \
    "$scratch/root"
for system in proc sys dev; do mount --rbind "/$system" "$scratch/root/$system"; done
exec chroot "$scratch/root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    LANG=C.UTF-8 bash -s << 'CHROOT'
set -euo pipefail
fail() {
    echo "package-check: $*" >&2
    exit 1
}
cd /
for package in tessoran libtessoran0 libtessoran-dev python3-tessoran; do
    if dpkg-query -W "$package" > /dev/null 2>&1; then
        fail "$package is already installed on this machine; the check needs a machine without it"
    fi
done
dpkg -i /*.deb > /dev/null || fail "dpkg could not install the packages"
echo "ok: dpkg installed $(ls /*.deb | xargs -n1 basename | tr '\n' ' ')"

# The program, linked to the image libraries dynamically.
tessoran "/example/hello.png" 2> /dev/null | tail -n +2 > /out
cmp -s /out /expected || fail "the installed program's output"
ldd /usr/bin/tessoran | grep libpng16 > /dev/null || fail "the program does not load libpng dynamically"
ldconfig -p | grep 'libtessoran\.so\.0 ' > /dev/null || fail "ldconfig does not know libtessoran.so.0"
echo "ok: tessoran decodes the example; ldconfig knows libtessoran.so.0"

for page in tessoran libtessoran; do
    MANPAGER=cat MANWIDTH=80 man "$page" 2> /dev/null | grep '^NAME' > /dev/null || fail "man $page"
done
echo "ok: man tessoran, man libtessoran"

# pkg-config and CMake find everything in the system's folders, and say so
# without redundant -I or -L options. A static link through pkg-config needs
# the image libraries' development packages, which libtessoran-dev brings.
libs=$(pkg-config --libs tessoran | xargs)
[ "$libs" = "-ltessoran" ] || fail "pkg-config --libs tessoran: $libs"
cflags=$(pkg-config --cflags tessoran | xargs)
[ -z "$cflags" ] || fail "pkg-config --cflags tessoran: $cflags"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror -o /decode-pc "/example/decode.c" $(pkg-config --cflags --libs tessoran)
/decode-pc "/example/hello.png" > /out && cmp -s /out /expected || fail "the pkg-config build"
echo "ok: pkg-config --libs tessoran is '$libs', --cflags empty; the example builds and decodes"
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -Werror -o /decode-static /example/decode.c \
    /usr/lib/x86_64-linux-gnu/libtessoran.a $(pkg-config --static --libs tessoran | sed 's/-ltessoran\b//')
! ldd /decode-static | grep libtessoran > /dev/null || fail "the static example loads libtessoran"
/decode-static /example/hello.png > /out && cmp -s /out /expected || fail "the static build"
echo "ok: the example links libtessoran.a through pkg-config --static, and decodes"
cmake -S /example -B /cmake-example -G Ninja > /dev/null
cmake --build /cmake-example > /dev/null
/cmake-example/decode "/example/hello.png" > /out && cmp -s /out /expected ||
    fail "the find_package(Tessoran) build"
echo "ok: find_package(Tessoran) builds the example, which decodes"

/usr/bin/python3 - "/example/hello.png" << 'PYTHON' > /out || fail "python3: import tessoran"
import sys
import tessoran
(symbol,) = tessoran.read(sys.argv[1])
sys.stdout.buffer.write(symbol.data)
PYTHON
cmp -s /out /expected || fail "the Python module's output"
echo "ok: python3 imports tessoran $(/usr/bin/python3 -c 'import tessoran; print(tessoran.__version__)'), which decodes"

for package in tessoran libtessoran0 libtessoran-dev python3-tessoran; do
    echo "files of $package:"
    dpkg -L "$package" | grep -v '^/\.$' | sed 's/^/    /'
done
CHROOT
INSIDE
    fail "the installed packages do not work"
