#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian packages the way Debian builds them (dpkg-buildpackage
# and debhelper, from debian/), from a copy of the tree as it stands:
#   tools/package.sh [output folder, default build/deb]
# The folder then holds tessoran, libtessoran0, libtessoran-dev and
# python3-tessoran (.deb), their -dbgsym packages (.ddeb) and the .changes
# file that lists them. The copy keeps the tree free of debhelper's files.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/deb}"
version=$(dpkg-parsechangelog --show-field Version)
source_copy="$out/tessoran-$version"
rm -rf "$out"
mkdir -p "$source_copy"
# Tracked and new files, as git sees them (builds and caches are ignored);
# outside a git checkout, everything but the build folder.
if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
        tar --null --files-from=- -cf - | tar -xf - -C "$source_copy"
else
    tar --exclude=./build -cf - . | tar -xf - -C "$source_copy"
fi
# The system's own tools only: Debian's packages are built with Debian's
# Python, not one that a PATH puts first (pyenv, a virtual environment).
(cd "$source_copy" && env PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    dpkg-buildpackage --build=binary --no-sign -jauto) > "$out/build.log" 2>&1 ||
    { tail -n 20 "$out/build.log" | cut -c -300 >&2; echo "package: dpkg-buildpackage failed ($out/build.log)" >&2; exit 1; }
rm -rf "$source_copy"
ls "$out"/*.deb
