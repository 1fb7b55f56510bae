# SPDX-License-Identifier: Apache-2.0
"""The package's values: statuses, pixel formats, symbols and errors."""

from __future__ import annotations

import enum
from dataclasses import dataclass
from typing import Dict, List, Optional, Tuple, Type, Union

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
    NOT_TEXT = 7
    """Data that is not text in its character set (never raised by read: the
    symbol's ``text`` is None instead)."""
    INCOMPLETE = 8
    """A Macro PDF417 file with segments missing (raised by join)."""


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
class DataSegment:
    """Bytes of a symbol's data, between ECI designators."""

    data: bytes
    """The bytes, any values, as the symbol holds them."""
    eci: Optional[int]
    """The ECI in force, or None where no designator came before: the
    ``default_eci`` of the read applies."""
    charset: Optional[str]
    """The name of the character set in force ("CP437", "ISO-8859-5",
    "UTF-8", "binary", ...), the default's where ``eci`` is None; None for
    an ECI the library knows no character set of."""


@dataclass(frozen=True)
class EciSegment:
    """An ECI designator: the data after it is in that ECI's character set."""

    eci: int


Segment = Union[DataSegment, EciSegment]


@dataclass(frozen=True)
class Macro:
    """A symbol's Macro PDF417 control block: which part of which file it is.

    Optional fields are None when the symbol does not give them (or gives a
    number that is no valid one).
    """

    segment_index: Optional[int]
    """The symbol's place in its file, from 0."""
    file_id: str
    """The file ID as encoders take it: three digits a codeword ("123456")."""
    file_id_text: str
    """The same codewords read as text, as the data's brackets show them."""
    segment_count: Optional[int]
    file_name: Optional[str]
    time_stamp: Optional[int]
    sender: Optional[str]
    addressee: Optional[str]
    file_size: Optional[int]
    checksum: Optional[int]
    last_segment: bool
    """Whether the symbol is marked as its file's last segment."""


@dataclass(frozen=True)
class Symbol:
    """One decoded symbol.

    Symbols are made by :func:`tessoran.read`; more fields may be added
    later, after these, so read them by name.

    ``data`` is the symbol's bytes exactly as the command line program prints
    them after its size line: an ECI designator appears in it as six digits
    where the symbol holds it, and Macro PDF417 fields follow the data in
    square brackets. ``text`` and ``segments`` give the same content without
    that markup.

    A symbol read in this process also keeps the library's list of the
    symbols it was read with, freed once the last of them is gone, so that
    :func:`tessoran.join` can hand them back to the library. Copies share it;
    a pickled symbol (sent to another process) compares equal but cannot be
    joined, nor can one made by hand or through ``dataclasses.replace``.
    """

    rows: int
    """The symbol's rows."""
    columns: int
    """The symbol's data columns."""
    ec_level: int
    """The error-correction level, 0 to 8."""
    data: bytes
    """The decoded bytes, any values, with the markup described above."""
    corners: Tuple[Tuple[float, float], ...] = ()
    """The corners (x, y) in picture pixels as the symbol is printed:
    top-left, top-right, bottom-right, bottom-left, where left is the start
    pattern's side and top the first row's (so an upside-down symbol's first
    corner lies at the bottom right). (0, 0) is the picture's top-left
    corner, and pixel (i, j) covers x from i to i + 1."""
    mirrored: bool = False
    """Whether the symbol was seen mirrored."""
    errors_corrected: int = 0
    """Codewords read wrong that error correction put right."""
    erasures_filled: int = 0
    """Unreadable codewords that error correction filled in."""
    check_codewords: int = 0
    """The symbol's check codewords."""
    unused_check_codewords: int = 0
    """How many check codewords correction could still have spent: another
    error takes two, another unreadable codeword one; two are always kept."""
    text: Optional[str] = None
    """The data as text: each data segment read in its character set (the
    read's ``default_eci`` before any ECI designator), designators and the
    Macro PDF417 control block left out; None when an ECI has no character
    set known to the library (ECI 899 marks binary data) or bytes are not
    valid in theirs."""
    segments: Tuple[Segment, ...] = ()
    """The content in order: :class:`DataSegment` and :class:`EciSegment`."""
    macro: Optional[Macro] = None
    """The Macro PDF417 control block, or None."""


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


class NoSymbolError(Error):
    """Raised by :func:`tessoran.join` when no symbol given is a Macro PDF417
    one (or none is given). :func:`tessoran.read` never raises it: a picture
    without a symbol gives an empty list."""

    def __init__(self, status: Union[Status, int] = Status.NO_SYMBOL) -> None:
        super().__init__(status)


class IncompleteError(Error):
    """The Macro PDF417 symbols given to :func:`tessoran.join` make no whole
    file: segments are missing, no symbol tells how many there are, an index
    comes with different data, or the symbols belong to several files.

    ``missing`` and ``conflicting`` are the segment indices (from 0) not
    read and read with different data; ``segment_count`` is the number of
    segments the file has (None when no symbol tells it) and ``file_count``
    the number of different file IDs among the symbols.
    """

    def __init__(
        self,
        missing: Optional[List[int]] = None,
        conflicting: Optional[List[int]] = None,
        segment_count: Optional[int] = None,
        file_count: int = 1,
    ) -> None:
        super().__init__(Status.INCOMPLETE)
        self.missing = list(missing or [])
        self.conflicting = list(conflicting or [])
        self.segment_count = segment_count
        self.file_count = file_count
        # All of it in args, so that a pickled error is rebuilt whole.
        self.args = (self.missing, self.conflicting, segment_count, file_count)

    def __str__(self) -> str:
        reasons = []
        if self.missing:
            reasons.append("missing segment indices (from 0): " + ", ".join(map(str, self.missing)))
        if self.conflicting:
            reasons.append(
                "segment indices read with different data: " + ", ".join(map(str, self.conflicting))
            )
        if self.segment_count is None:
            reasons.append("no symbol tells the number of segments")
        if self.file_count > 1:
            reasons.append(f"symbols of {self.file_count} files")
        message = _library.status_message(Status.INCOMPLETE)
        return f"{message}: {'; '.join(reasons)}" if reasons else message


_ERRORS: Dict[int, Type[Error]] = {
    Status.NO_SYMBOL: NoSymbolError,
    Status.UNCORRECTABLE: UncorrectableError,
    Status.MALFORMED_DATA: MalformedDataError,
    Status.BAD_INPUT: BadInputError,
    Status.OUT_OF_MEMORY: OutOfMemoryError,
    Status.INCOMPLETE: IncompleteError,
}


def error_for(status: int) -> Error:
    """The exception for a failed decode's status."""
    kind = _ERRORS.get(status, Error)
    return kind() if kind is IncompleteError else kind(status)
