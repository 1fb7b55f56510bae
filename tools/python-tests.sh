#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs the Python package's tests against a build's shared library, as
# `make test` does:
#   tools/python-tests.sh [build dir, default build/release]
# The build dir is the folder holding libtessoran.so.0; the package is taken
# from python/ in this tree, and the tests need Debian's python3-pytest, with
# python3-numpy and python3-pil for the array and image tests, and zint.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
[ -e "$build/libtessoran.so.0" ] || { echo "python-tests: no libtessoran.so.0 in $build" >&2; exit 1; }
build=$(cd "$build" && pwd)
export LD_LIBRARY_PATH="$build${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export PYTHONPATH="$PWD/python${PYTHONPATH:+:$PYTHONPATH}"
export TESSORAN_SOURCE_DIR="$PWD"
# Nothing written into the source tree: no cache folder, no bytecode.
export PYTHONDONTWRITEBYTECODE=1
/usr/bin/python3 -m pytest -q -p no:cacheprovider python/tests

# The package installs as users install it, offline with the system's
# setuptools (from a copy, since setuptools builds in the folder it is
# given), and what is installed decodes.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessoran-pip-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cp -r python "$scratch/source"
/usr/bin/python3 -m pip install --quiet --no-build-isolation --no-index --no-deps \
    --target "$scratch/installed" "$scratch/source" > "$scratch/pip.log" 2>&1 ||
    { cat "$scratch/pip.log" >&2; echo "python-tests: pip install failed" >&2; exit 1; }
example="$PWD/examples/hello.png"
installed=$(cd "$scratch" && PYTHONPATH="$scratch/installed" /usr/bin/python3 -c \
    'import sys, tessoran; print(tessoran.__file__); sys.stdout.flush(); sys.stdout.buffer.write(tessoran.read(sys.argv[1])[0].data)' \
    "$example")
[ "$installed" = "$scratch/installed/tessoran/__init__.py
Hello, Tessoran!" ] || { echo "python-tests: the pip-installed package: $installed" >&2; exit 1; }
echo "ok: pip install --no-build-isolation ./python installs a package that decodes"
