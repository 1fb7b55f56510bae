#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Checks every C and C++ file of the repository against .clang-format with
# Debian 12's clang-format-14, lists the files that differ and fails if any
# does. `clang-format-14 -i FILE` formats one in place.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/setup.sh clang-format-14
differ=()
while IFS= read -r -d '' file; do
    if ! clang-format-14 --dry-run --Werror "$file" >/dev/null 2>&1; then
        differ+=("$file")
    fi
done < <(git ls-files -z -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp')
if [ ${#differ[@]} -ne 0 ]; then
    printf 'Not formatted as .clang-format asks:\n' >&2
    printf '  %s\n' "${differ[@]}" >&2
    exit 1
fi
