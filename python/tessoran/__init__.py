# SPDX-License-Identifier: Apache-2.0
"""Reads PDF417 symbols from pictures, through the libtessoran C library.

    >>> import tessoran
    >>> for symbol in tessoran.read("label.png"):
    ...     print(symbol.rows, symbol.columns, symbol.corners, symbol.text)

:func:`read` takes a path, the bytes of an image file, a numpy array of
pixels or a PIL image, and returns every symbol found (an empty list when
there is none), each with its place, what error correction did, its bytes,
text, segments and any Macro PDF417 control block. A picture that cannot be
decoded raises an :class:`Error`. :func:`join` puts a Macro PDF417 file back
together from its symbols.

The library is loaded by its SONAME, ``libtessoran.so.0``, where the
dynamic loader finds it. Its calls release the GIL, so decodes on several
threads run in parallel; the library keeps no state between calls.
"""

from __future__ import annotations

from . import _library
from ._reading import join, read, read_pixels
from ._types import (
    BadInputError,
    DataSegment,
    EciSegment,
    Error,
    IncompleteError,
    Macro,
    MalformedDataError,
    NoSymbolError,
    OutOfMemoryError,
    PixelFormat,
    Status,
    Symbol,
    UncorrectableError,
)
from ._version import __version__

__all__ = [
    "BadInputError",
    "DataSegment",
    "EciSegment",
    "Error",
    "IncompleteError",
    "Macro",
    "MalformedDataError",
    "NoSymbolError",
    "OutOfMemoryError",
    "PixelFormat",
    "Status",
    "Symbol",
    "UncorrectableError",
    "__version__",
    "join",
    "library_version",
    "read",
    "read_pixels",
]


def library_version() -> str:
    """The version of the C library loaded, such as "0.6.0"."""
    return _library.version()
