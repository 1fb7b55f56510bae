# SPDX-License-Identifier: Apache-2.0
"""Reads PDF417 symbols from pictures, through the libtessoran C library.

    >>> import tessoran
    >>> for symbol in tessoran.read("label.png"):
    ...     print(symbol.rows, symbol.columns, symbol.ec_level, symbol.data)

:func:`read` takes a path, the bytes of an image file, a numpy array of
pixels or a PIL image, and returns the symbols found (an empty list when
there is none). A picture that cannot be decoded raises an :class:`Error`.

The library is loaded by its SONAME, ``libtessoran.so.0``, where the
dynamic loader finds it. Its calls release the GIL, so decodes on several
threads run in parallel; the library keeps no state between calls.
"""

from __future__ import annotations

from . import _library
from ._reading import read, read_pixels
from ._types import (
    BadInputError,
    Error,
    MalformedDataError,
    OutOfMemoryError,
    PixelFormat,
    Status,
    Symbol,
    UncorrectableError,
)
from ._version import __version__

__all__ = [
    "BadInputError",
    "Error",
    "MalformedDataError",
    "OutOfMemoryError",
    "PixelFormat",
    "Status",
    "Symbol",
    "UncorrectableError",
    "__version__",
    "library_version",
    "read",
    "read_pixels",
]


def library_version() -> str:
    """The version of the C library loaded, such as "0.6.0"."""
    return _library.version()
