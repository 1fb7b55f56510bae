# SPDX-License-Identifier: Apache-2.0
"""The package's values: statuses, pixel formats, symbols and errors."""

from __future__ import annotations

import enum
from dataclasses import dataclass
from typing import Dict, Optional, Type, Union

from . import _library


class Status(enum.IntEnum):
    """What a decode came to, numbered as the C library numbers it."""

    OK = 0
    NO_SYMBOL = 1
    UNCORRECTABLE = 2
    MALFORMED_DATA = 3
    BAD_INPUT = 4
    OUT_OF_MEMORY = 5
    INTERNAL_ERROR = 6


class PixelFormat(enum.IntEnum):
    """How pixels are laid out, byte by byte, numbered as the C library numbers them."""

    GREY8 = 1
    """1 byte a pixel: 0 black to 255 white."""
    RGB24 = 2
    """3 bytes: red, green, blue."""
    RGBA32 = 3
    """4 bytes: red, green, blue, alpha (not premultiplied)."""
    BGRA32 = 4
    """4 bytes: blue, green, red, alpha (not premultiplied)."""

    @property
    def bytes_per_pixel(self) -> int:
        """How many bytes one pixel takes."""
        return _BYTES_PER_PIXEL[self]


_BYTES_PER_PIXEL = {
    PixelFormat.GREY8: 1,
    PixelFormat.RGB24: 3,
    PixelFormat.RGBA32: 4,
    PixelFormat.BGRA32: 4,
}


@dataclass(frozen=True)
class Symbol:
    """One decoded symbol.

    Symbols are made by :func:`tessoran.read`; more fields (such as where the
    symbol lies in the picture) may be added later, after these, so read them
    by name.

    The data is the symbol's bytes exactly as the command line program
    prints them after its size line. For now that includes what is not
    message text: an ECI designator appears in the data as six digits where
    the symbol holds it, and Macro PDF417 fields follow the data in square
    brackets.
    """

    rows: int
    """The symbol's rows."""
    columns: int
    """The symbol's data columns."""
    ec_level: int
    """The error-correction level, 0 to 8."""
    data: bytes
    """The decoded bytes, any values."""

    @property
    def text(self) -> Optional[str]:
        """The data as text when it is valid UTF-8, otherwise None."""
        try:
            return self.data.decode("utf-8")
        except UnicodeDecodeError:
            return None


class Error(Exception):
    """A picture that could not be decoded, for a reason other than holding no symbol.

    ``status`` is the library's status; ``str(error)`` is the library's text
    for it. Subclasses tell the reasons apart.
    """

    status: Union[Status, int]

    def __init__(self, status: Union[Status, int]) -> None:
        # The status alone is the argument, so that an error pickled (to
        # another process, say) is rebuilt as it was.
        super().__init__(status)
        try:
            self.status = Status(status)
        except ValueError:
            self.status = int(status)

    def __str__(self) -> str:
        return _library.status_message(int(self.status))


class UncorrectableError(Error):
    """A symbol more damaged than its error correction restores."""


class MalformedDataError(Error):
    """A symbol whose data breaks the encoding's rules."""


class BadInputError(Error, ValueError):
    """A file that cannot be read, bytes that are no image, a bad argument, or a picture too large to decode."""


class OutOfMemoryError(Error, MemoryError):
    """Memory ran out while decoding."""


_ERRORS: Dict[int, Type[Error]] = {
    Status.UNCORRECTABLE: UncorrectableError,
    Status.MALFORMED_DATA: MalformedDataError,
    Status.BAD_INPUT: BadInputError,
    Status.OUT_OF_MEMORY: OutOfMemoryError,
}


def error_for(status: int) -> Error:
    """The exception for a failed decode's status."""
    return _ERRORS.get(status, Error)(status)
