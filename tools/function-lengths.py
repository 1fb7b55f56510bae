#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Lists the longest functions of the product's C++ code, longest first:
    tools/function-lengths.py [how many, default 15] [folder...]
A function is counted from the line that opens its body to the line that
closes it, by brace depth, in files formatted as .clang-format asks
(definitions start at the namespace's indentation, members one level in).
Comments and blank lines count; lambdas count towards their function."""
import re
import subprocess
import sys

PRODUCT = ("objects", "pattern", "reader", "symbol", "decoding", "frontend", "capture",
           "pipeline", "platform", "library")
# A definition's first line: a name followed by its parameters, not a
# control statement, at the start of a line or one level in.
DEFINITION = re.compile(r"^( {0,4})(?!if\b|for\b|while\b|switch\b|return\b|else\b)[\w:<>,*&~ \[\]]*?"
                        r"(\b[\w:~]+)\s*\(")


def functions(path):
    lines = open(path, encoding="utf-8").read().split("\n")
    found = []
    index = 0
    while index < len(lines):
        match = DEFINITION.match(lines[index])
        if not match or lines[index].rstrip().endswith(";"):
            index += 1
            continue
        # The body opens on this line or one of the next few (wrapped
        # parameters, initialiser lists).
        start = index
        while start < len(lines) and "{" not in lines[start] and not lines[start].rstrip().endswith(";"):
            start += 1
            if start - index > 12:
                break
        if start >= len(lines) or "{" not in lines[start]:
            index += 1
            continue
        depth = 0
        end = start
        while end < len(lines):
            depth += lines[end].count("{") - lines[end].count("}")
            if depth <= 0:
                break
            end += 1
        found.append((end - index + 1, f"{path}:{index + 1}", match.group(2)))
        index = end + 1 if end > index else index + 1
    return found


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    folders = sys.argv[2:] or PRODUCT
    files = subprocess.run(["git", "ls-files", "--", *folders], capture_output=True, text=True,
                           check=True).stdout.split()
    results = []
    for path in files:
        if path.endswith((".cpp", ".h")):
            results += functions(path)
    for length, where, name in sorted(results, reverse=True)[:count]:
        print(f"{length:5d}  {name:32s} {where}")


if __name__ == "__main__":
    main()
