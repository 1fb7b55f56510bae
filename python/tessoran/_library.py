# SPDX-License-Identifier: Apache-2.0
"""The ctypes binding of libtessoran.so.0: prototypes and result handling.

Nothing here knows about Python image types; callers hand over a path, an
address and a size, or an address and a pixel layout. Each decode returns the
library's status and, on success, the symbol's fields read out of the result,
which is freed before returning, so no C object outlives a call.

The library is a ctypes.CDLL, not a PyDLL: ctypes releases the GIL around
every call, so decodes on several threads run in parallel. The library keeps
no state between calls, which makes that safe.
"""

from __future__ import annotations

import ctypes
from typing import NamedTuple, Optional, Tuple

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


class _Result(ctypes.Structure):
    """The library's opaque tessoran_result."""


_ResultPointer = ctypes.POINTER(_Result)
_ResultOut = ctypes.POINTER(_ResultPointer)


def _prototype(name: str, restype: object, *argtypes: object) -> ctypes._CFuncPtr:  # type: ignore[name-defined]
    function = getattr(_lib, name)
    function.restype = restype
    function.argtypes = list(argtypes)
    return function


_decode_file = _prototype("tessoran_decode_file", ctypes.c_int, ctypes.c_char_p, _ResultOut)
_decode_memory = _prototype(
    "tessoran_decode_memory", ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t, _ResultOut
)
_decode_pixels = _prototype(
    "tessoran_decode_pixels",
    ctypes.c_int,
    ctypes.c_void_p,
    ctypes.c_int,
    ctypes.c_int,
    ctypes.c_int,
    ctypes.c_int,
    _ResultOut,
)
_result_rows = _prototype("tessoran_result_rows", ctypes.c_int, _ResultPointer)
_result_columns = _prototype("tessoran_result_columns", ctypes.c_int, _ResultPointer)
_result_ec_level = _prototype("tessoran_result_ec_level", ctypes.c_int, _ResultPointer)
# A void pointer, not c_char_p: ctypes would cut a c_char_p at the first 0
# byte, and the data may hold any bytes.
_result_data = _prototype(
    "tessoran_result_data", ctypes.c_void_p, _ResultPointer, ctypes.POINTER(ctypes.c_size_t)
)
_result_free = _prototype("tessoran_result_free", None, _ResultPointer)
_status_message = _prototype("tessoran_status_message", ctypes.c_char_p, ctypes.c_int)
_version = _prototype("tessoran_version", ctypes.c_char_p)


class Fields(NamedTuple):
    """What a result holds, copied out of it."""

    rows: int
    columns: int
    ec_level: int
    data: bytes


Outcome = Tuple[int, Optional[Fields]]


def _finish(status: int, result: _ResultPointer) -> Outcome:  # type: ignore[valid-type]
    """Copies a result's fields and frees it."""
    if not result:
        return status, None
    try:
        length = ctypes.c_size_t(0)
        address = _result_data(result, ctypes.byref(length))
        data = ctypes.string_at(address, length.value) if address else b""
        return status, Fields(
            _result_rows(result), _result_columns(result), _result_ec_level(result), data
        )
    finally:
        _result_free(result)


def decode_file(path: bytes) -> Outcome:
    """Decodes the image file at path, a file name in the system's bytes."""
    result = _ResultPointer()
    status = _decode_file(path, ctypes.byref(result))
    return _finish(status, result)


def decode_memory(address: int, size: int) -> Outcome:
    """Decodes size bytes of an encoded image at address.

    The caller keeps the bytes alive, and unmoved, for the call.
    """
    result = _ResultPointer()
    status = _decode_memory(address, size, ctypes.byref(result))
    return _finish(status, result)


def decode_pixels(address: int, width: int, height: int, stride: int, pixel_format: int) -> Outcome:
    """Decodes pixels at address; every number must fit a C int.

    ctypes does not check that an int argument fits: a larger number would
    reach the library cut to its low bits, so the caller checks first.
    """
    result = _ResultPointer()
    status = _decode_pixels(address, width, height, stride, pixel_format, ctypes.byref(result))
    return _finish(status, result)


def status_message(status: int) -> str:
    """The library's short English text for a status."""
    return _status_message(status).decode("ascii", "replace")


def version() -> str:
    """The library's version."""
    return _version().decode("ascii", "replace")
