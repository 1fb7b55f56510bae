# SPDX-License-Identifier: Apache-2.0
"""The ctypes binding of libtessoran.so.0: prototypes and result handling.

Nothing here knows about Python image types; callers hand over a path, an
address and a size, or an address and a pixel layout, with the reading
options. Each read returns the library's status and, on success, every
symbol's fields copied out of the library's list.

The list itself is not freed at once: Macro PDF417 joining takes the
library's own symbols, so a :class:`SymbolList` owns the list and frees it
when the last object referring to it (each symbol read from it) is gone.
Everything else the package hands out is a copy, so no value ever points
into freed memory.

The library is a ctypes.CDLL, not a PyDLL: ctypes releases the GIL around
every call, so reads on several threads run in parallel. The library keeps
no state between calls, which makes that safe.
"""

from __future__ import annotations

import ctypes
import weakref
from typing import Any, List, NamedTuple, Optional, Sequence, Tuple

# Loaded by its SONAME so that the dynamic loader's usual search (the cache,
# LD_LIBRARY_PATH, RUNPATH) finds the same library a C program would link.
SONAME = "libtessoran.so.0"

try:
    _lib = ctypes.CDLL(SONAME)
except OSError as error:  # pragma: no cover - depends on the installation
    raise ImportError(
        f"tessoran needs the C library {SONAME}: install it, or point "
        f"LD_LIBRARY_PATH at the folder that holds it ({error})"
    ) from error

# The largest value of a C int: sizes and strides beyond it cannot be passed.
INT_MAX = 2**31 - 1

# The statuses this module acts on, as the header numbers them.
OK = 0
NO_SYMBOL = 1
BAD_INPUT = 4
OUT_OF_MEMORY = 5
NOT_TEXT = 7

# Segment kinds and Macro PDF417 fields, as the header numbers them.
SEGMENT_DATA = 1
SEGMENT_ECI = 2
MACRO_FILE_NAME = 0
MACRO_SEGMENT_COUNT = 1
MACRO_TIME_STAMP = 2
MACRO_SENDER = 3
MACRO_ADDRESSEE = 4
MACRO_FILE_SIZE = 5
MACRO_CHECKSUM = 6


class _Options(ctypes.Structure):
    """The library's opaque tessoran_options."""


class _Symbols(ctypes.Structure):
    """The library's opaque tessoran_symbols."""


class _Symbol(ctypes.Structure):
    """The library's opaque tessoran_symbol."""


class _Joined(ctypes.Structure):
    """The library's opaque tessoran_joined."""


_OptionsPointer = ctypes.POINTER(_Options)
_SymbolsPointer = ctypes.POINTER(_Symbols)
_SymbolPointer = ctypes.POINTER(_Symbol)
_JoinedPointer = ctypes.POINTER(_Joined)
_SizeOut = ctypes.POINTER(ctypes.c_size_t)
_int = ctypes.c_int


def _prototype(name: str, restype: object, *argtypes: object) -> Any:
    function = getattr(_lib, name)
    function.restype = restype
    function.argtypes = list(argtypes)
    return function


_options_new = _prototype("tessoran_options_new", _OptionsPointer)
_options_free = _prototype("tessoran_options_free", None, _OptionsPointer)
_set_max_symbols = _prototype("tessoran_options_set_max_symbols", _int, _OptionsPointer, _int)
_set_try_capture = _prototype("tessoran_options_set_try_capture", _int, _OptionsPointer, _int)
_set_default_eci = _prototype("tessoran_options_set_default_eci", _int, _OptionsPointer, _int)

_SymbolsOut = ctypes.POINTER(_SymbolsPointer)
_read_file = _prototype("tessoran_read_file", _int, ctypes.c_char_p, _OptionsPointer, _SymbolsOut)
_read_memory = _prototype(
    "tessoran_read_memory", _int, ctypes.c_void_p, ctypes.c_size_t, _OptionsPointer, _SymbolsOut
)
_read_pixels = _prototype(
    "tessoran_read_pixels", _int, ctypes.c_void_p, _int, _int, _int, _int, _OptionsPointer, _SymbolsOut
)
_symbols_count = _prototype("tessoran_symbols_count", ctypes.c_size_t, _SymbolsPointer)
_symbols_at = _prototype("tessoran_symbols_at", _SymbolPointer, _SymbolsPointer, ctypes.c_size_t)
_symbols_free = _prototype("tessoran_symbols_free", None, _SymbolsPointer)

_symbol_rows = _prototype("tessoran_symbol_rows", _int, _SymbolPointer)
_symbol_columns = _prototype("tessoran_symbol_columns", _int, _SymbolPointer)
_symbol_ec_level = _prototype("tessoran_symbol_ec_level", _int, _SymbolPointer)
_symbol_corner = _prototype(
    "tessoran_symbol_corner",
    _int,
    _SymbolPointer,
    _int,
    ctypes.POINTER(ctypes.c_double),
    ctypes.POINTER(ctypes.c_double),
)
_symbol_mirrored = _prototype("tessoran_symbol_mirrored", _int, _SymbolPointer)
_symbol_errors_corrected = _prototype("tessoran_symbol_errors_corrected", _int, _SymbolPointer)
_symbol_erasures_filled = _prototype("tessoran_symbol_erasures_filled", _int, _SymbolPointer)
_symbol_check_codewords = _prototype("tessoran_symbol_check_codewords", _int, _SymbolPointer)
_symbol_unused_check_codewords = _prototype(
    "tessoran_symbol_unused_check_codewords", _int, _SymbolPointer
)
# Void pointers, not c_char_p, for bytes and text: ctypes would cut a c_char_p
# at the first 0 byte, and data (and text read from it) may hold any bytes.
_symbol_data = _prototype("tessoran_symbol_data", ctypes.c_void_p, _SymbolPointer, _SizeOut)
_symbol_text = _prototype(
    "tessoran_symbol_text", _int, _SymbolPointer, ctypes.POINTER(ctypes.c_void_p), _SizeOut
)
_segment_count = _prototype("tessoran_symbol_segment_count", ctypes.c_size_t, _SymbolPointer)
_segment_kind_at = _prototype("tessoran_segment_kind_at", _int, _SymbolPointer, ctypes.c_size_t)
_segment_bytes = _prototype(
    "tessoran_segment_bytes", ctypes.c_void_p, _SymbolPointer, ctypes.c_size_t, _SizeOut
)
_segment_eci = _prototype("tessoran_segment_eci", _int, _SymbolPointer, ctypes.c_size_t)
_eci_charset = _prototype("tessoran_eci_charset", ctypes.c_char_p, _int)

_has_macro = _prototype("tessoran_symbol_has_macro", _int, _SymbolPointer)
_macro_segment_index = _prototype(
    "tessoran_macro_segment_index", _int, _SymbolPointer, ctypes.POINTER(ctypes.c_ulong)
)
_macro_file_id = _prototype("tessoran_macro_file_id", ctypes.c_char_p, _SymbolPointer)
_macro_file_id_text = _prototype("tessoran_macro_file_id_text", ctypes.c_char_p, _SymbolPointer)
_macro_text_field = _prototype("tessoran_macro_text_field", ctypes.c_char_p, _SymbolPointer, _int)
_macro_number_field = _prototype(
    "tessoran_macro_number_field", _int, _SymbolPointer, _int, ctypes.POINTER(ctypes.c_ulonglong)
)
_macro_last_segment = _prototype("tessoran_macro_last_segment", _int, _SymbolPointer)

_join = _prototype(
    "tessoran_join", _int, ctypes.POINTER(_SymbolPointer), ctypes.c_size_t, ctypes.POINTER(_JoinedPointer)
)
_joined_data = _prototype("tessoran_joined_data", ctypes.c_void_p, _JoinedPointer, _SizeOut)
_joined_segment_count = _prototype(
    "tessoran_joined_segment_count", _int, _JoinedPointer, ctypes.POINTER(ctypes.c_ulong)
)
_joined_missing_count = _prototype("tessoran_joined_missing_count", ctypes.c_size_t, _JoinedPointer)
_joined_missing_at = _prototype(
    "tessoran_joined_missing_at", ctypes.c_ulong, _JoinedPointer, ctypes.c_size_t
)
_joined_conflict_count = _prototype("tessoran_joined_conflict_count", ctypes.c_size_t, _JoinedPointer)
_joined_conflict_at = _prototype(
    "tessoran_joined_conflict_at", ctypes.c_ulong, _JoinedPointer, ctypes.c_size_t
)
_joined_file_count = _prototype("tessoran_joined_file_count", ctypes.c_size_t, _JoinedPointer)
_joined_free = _prototype("tessoran_joined_free", None, _JoinedPointer)

_status_message = _prototype("tessoran_status_message", ctypes.c_char_p, _int)
_version = _prototype("tessoran_version", ctypes.c_char_p)


class Options(NamedTuple):
    """How to read, as the keywords of read() give it."""

    max_symbols: int = 0
    try_capture: bool = True
    default_eci: int = 2


class SymbolList:
    """Owns one tessoran_symbols list and frees it once unreferenced.

    Each symbol read keeps its list here, so that :func:`join` can hand the
    library's own symbols back to it. A copy (copy.copy, copy.deepcopy)
    shares the list, which is never changed; a pickled one arrives detached,
    as another process has no such list, and cannot be joined.
    """

    __slots__ = ("_pointer", "_finalizer", "__weakref__")

    def __init__(self, pointer: Optional[Any]) -> None:
        self._pointer = pointer
        self._finalizer = weakref.finalize(self, _symbols_free, pointer) if pointer else None

    def symbol(self, index: int) -> Any:
        """The library's symbol `index`; a ValueError once detached."""
        if not self._pointer:
            raise ValueError(
                "a symbol copied from another process (or made by hand) cannot be joined: "
                "join symbols read in this process"
            )
        return _symbols_at(self._pointer, index)

    def __copy__(self) -> "SymbolList":
        return self

    def __deepcopy__(self, memo: dict) -> "SymbolList":
        return self

    def __reduce__(self) -> Tuple[Any, Tuple[None]]:
        return SymbolList, (None,)


class Segment(NamedTuple):
    """A segment copied out: its kind, bytes (data only), ECI and charset."""

    kind: int
    data: Optional[bytes]
    eci: Optional[int]
    charset: Optional[str]


class MacroFields(NamedTuple):
    segment_index: Optional[int]
    file_id: str
    file_id_text: str
    segment_count: Optional[int]
    file_name: Optional[str]
    time_stamp: Optional[int]
    sender: Optional[str]
    addressee: Optional[str]
    file_size: Optional[int]
    checksum: Optional[int]
    last_segment: bool


class Fields(NamedTuple):
    """What the library tells of one symbol, copied out of it."""

    rows: int
    columns: int
    ec_level: int
    data: bytes
    corners: Tuple[Tuple[float, float], ...]
    mirrored: bool
    errors_corrected: int
    erasures_filled: int
    check_codewords: int
    unused_check_codewords: int
    text_status: int
    text: Optional[str]
    segments: Tuple[Segment, ...]
    macro: Optional[MacroFields]
    owner: SymbolList
    index: int


Outcome = Tuple[int, Optional[List[Fields]]]


def _bytes_at(address: Optional[int], length: ctypes.c_size_t) -> bytes:
    return ctypes.string_at(address, length.value) if address else b""


def charset(eci: int) -> Optional[str]:
    """The name of an ECI's character set, or None for one the library does not know."""
    name = _eci_charset(eci)
    return name.decode("ascii", "replace") if name is not None else None


def _macro_text(value: Optional[bytes]) -> Optional[str]:
    # Macro PDF417 names are text compaction characters, all ASCII; Latin-1
    # keeps any other byte as one character rather than failing.
    return value.decode("latin-1") if value is not None else None


def _macro_number(symbol: Any, field: int) -> Optional[int]:
    value = ctypes.c_ulonglong(0)
    return value.value if _macro_number_field(symbol, field, ctypes.byref(value)) else None


def _macro(symbol: Any) -> Optional[MacroFields]:
    if not _has_macro(symbol):
        return None
    index = ctypes.c_ulong(0)
    has_index = _macro_segment_index(symbol, ctypes.byref(index))
    return MacroFields(
        segment_index=index.value if has_index else None,
        file_id=_macro_file_id(symbol).decode("latin-1"),
        file_id_text=_macro_file_id_text(symbol).decode("latin-1"),
        segment_count=_macro_number(symbol, MACRO_SEGMENT_COUNT),
        file_name=_macro_text(_macro_text_field(symbol, MACRO_FILE_NAME)),
        time_stamp=_macro_number(symbol, MACRO_TIME_STAMP),
        sender=_macro_text(_macro_text_field(symbol, MACRO_SENDER)),
        addressee=_macro_text(_macro_text_field(symbol, MACRO_ADDRESSEE)),
        file_size=_macro_number(symbol, MACRO_FILE_SIZE),
        checksum=_macro_number(symbol, MACRO_CHECKSUM),
        last_segment=bool(_macro_last_segment(symbol)),
    )


def _segments(symbol: Any, default_eci: int) -> Tuple[Segment, ...]:
    segments = []
    for index in range(_segment_count(symbol)):
        kind = _segment_kind_at(symbol, index)
        eci: Optional[int] = _segment_eci(symbol, index)
        if kind == SEGMENT_ECI:
            segments.append(Segment(kind, None, eci, None))
            continue
        length = ctypes.c_size_t(0)
        data = _bytes_at(_segment_bytes(symbol, index, ctypes.byref(length)), length)
        # -1: no designator came before it, and the default ECI applies.
        in_force = default_eci if eci == -1 else eci
        segments.append(Segment(kind, data, None if eci == -1 else eci, charset(in_force)))
    return tuple(segments)


def _fields(owner: SymbolList, pointer: Any, index: int, default_eci: int) -> Fields:
    symbol = _symbols_at(pointer, index)
    corners = []
    for corner in range(4):
        x, y = ctypes.c_double(0), ctypes.c_double(0)
        _symbol_corner(symbol, corner, ctypes.byref(x), ctypes.byref(y))
        corners.append((x.value, y.value))
    length = ctypes.c_size_t(0)
    data = _bytes_at(_symbol_data(symbol, ctypes.byref(length)), length)
    text_address = ctypes.c_void_p(None)
    text_length = ctypes.c_size_t(0)
    text_status = _symbol_text(symbol, ctypes.byref(text_address), ctypes.byref(text_length))
    text = (
        _bytes_at(text_address.value, text_length).decode("utf-8")
        if text_status == OK
        else None
    )
    return Fields(
        rows=_symbol_rows(symbol),
        columns=_symbol_columns(symbol),
        ec_level=_symbol_ec_level(symbol),
        data=data,
        corners=tuple(corners),
        mirrored=bool(_symbol_mirrored(symbol)),
        errors_corrected=_symbol_errors_corrected(symbol),
        erasures_filled=_symbol_erasures_filled(symbol),
        check_codewords=_symbol_check_codewords(symbol),
        unused_check_codewords=_symbol_unused_check_codewords(symbol),
        text_status=text_status,
        text=text,
        segments=_segments(symbol, default_eci),
        macro=_macro(symbol),
        owner=owner,
        index=index,
    )


def _read(options: Options, call: Any, *arguments: Any) -> Outcome:
    """Makes the options, calls a tessoran_read_* and copies its symbols."""
    made = _options_new()
    if not made:
        return OUT_OF_MEMORY, None
    try:
        for setter, value in (
            (_set_max_symbols, options.max_symbols),
            (_set_try_capture, 1 if options.try_capture else 0),
            (_set_default_eci, options.default_eci),
        ):
            status = setter(made, value)
            if status != OK:
                return status, None
        symbols = _SymbolsPointer()
        status = call(*arguments, made, ctypes.byref(symbols))
    finally:
        _options_free(made)
    # Owned at once, so that the list is freed however the copying ends.
    owner = SymbolList(symbols if symbols else None)
    if status != OK or not symbols:
        return status, None
    count = _symbols_count(symbols)
    return status, [_fields(owner, symbols, index, options.default_eci) for index in range(count)]


def read_file(path: bytes, options: Options) -> Outcome:
    """Reads the image file at path, a file name in the system's bytes."""
    return _read(options, _read_file, path)


def read_memory(address: int, size: int, options: Options) -> Outcome:
    """Reads size bytes of an encoded image at address.

    The caller keeps the bytes alive, and unmoved, for the call.
    """
    return _read(options, _read_memory, address, size)


def read_pixels(
    address: int, width: int, height: int, stride: int, pixel_format: int, options: Options
) -> Outcome:
    """Reads pixels at address; every number must fit a C int.

    ctypes does not check that an int argument fits: a larger number would
    reach the library cut to its low bits, so the caller checks first.
    """
    return _read(options, _read_pixels, address, width, height, stride, pixel_format)


class Joined(NamedTuple):
    """What joining found, copied out: the file's bytes when it is whole."""

    data: Optional[bytes]
    segment_count: Optional[int]
    missing: List[int]
    conflicting: List[int]
    file_count: int


def join(symbols: Sequence[Tuple[SymbolList, int]]) -> Tuple[int, Optional[Joined]]:
    """Joins the library's symbols, each given as its list and index.

    The owners are held in `symbols` for the call, so no list is freed while
    the library reads it.
    """
    array = (_SymbolPointer * max(len(symbols), 1))()
    for slot, (owner, index) in enumerate(symbols):
        array[slot] = owner.symbol(index)
    joined = _JoinedPointer()
    status = _join(array, len(symbols), ctypes.byref(joined))
    if not joined:
        return status, None
    try:
        length = ctypes.c_size_t(0)
        address = _joined_data(joined, ctypes.byref(length))
        count = ctypes.c_ulong(0)
        has_count = _joined_segment_count(joined, ctypes.byref(count))
        return status, Joined(
            data=ctypes.string_at(address, length.value) if address else None,
            segment_count=count.value if has_count else None,
            missing=[_joined_missing_at(joined, i) for i in range(_joined_missing_count(joined))],
            conflicting=[
                _joined_conflict_at(joined, i) for i in range(_joined_conflict_count(joined))
            ],
            file_count=_joined_file_count(joined),
        )
    finally:
        _joined_free(joined)


def status_message(status: int) -> str:
    """The library's short English text for a status."""
    return _status_message(status).decode("ascii", "replace")


def version() -> str:
    """The library's version."""
    return _version().decode("ascii", "replace")
