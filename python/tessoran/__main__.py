# SPDX-License-Identifier: Apache-2.0
"""python3 -m tessoran FILE...: one line per symbol found in each file.

Each symbol is written to standard output as ``FILE: R rows, C columns,
level L: DATA``, the data as text when it is printable UTF-8 and as a bytes
literal otherwise, so that every symbol stays on one line. A file without a
symbol, or one that cannot be decoded, is told on standard error.

Exit status: 0 when every file gave a symbol, 1 when some gave none and
none failed, 2 when some file could not be decoded (or no file was named).
"""

from __future__ import annotations

import sys
from typing import List, Optional

from . import Error, Symbol, read


def _shown(symbol: Symbol) -> str:
    # The data as bytes decoded as UTF-8, not symbol.text: the line shows
    # what the program prints, markup included, and bytes in no character
    # set named stay visible as such.
    try:
        text = symbol.data.decode("utf-8")
    except UnicodeDecodeError:
        return repr(symbol.data)
    return text if text.isprintable() else repr(symbol.data)


def main(arguments: Optional[List[str]] = None) -> int:
    files = sys.argv[1:] if arguments is None else arguments
    if not files:
        print("usage: python3 -m tessoran FILE...", file=sys.stderr)
        return 2
    # File names that are not valid in the locale's encoding reach us as
    # surrogates; they are shown escaped rather than ending the program.
    sys.stdout.reconfigure(errors="backslashreplace")  # type: ignore[union-attr]
    status = 0
    for name in files:
        try:
            symbols = read(name)
        except Error as error:
            print(f"{name}: {error}", file=sys.stderr)
            status = 2
            continue
        if not symbols:
            print(f"{name}: no symbol", file=sys.stderr)
            status = max(status, 1)
        for symbol in symbols:
            print(
                f"{name}: {symbol.rows} rows, {symbol.columns} columns, "
                f"level {symbol.ec_level}: {_shown(symbol)}"
            )
    return status


if __name__ == "__main__":
    sys.exit(main())
