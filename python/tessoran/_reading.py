# SPDX-License-Identifier: Apache-2.0
"""Turns the sources read() takes into calls of the C library.

numpy and Pillow are never imported here: an array or an image can only exist
once its module has been imported, so sys.modules tells whether a source may
be one, and the package works without either installed.
"""

from __future__ import annotations

import ctypes
import operator
import os
import sys
from typing import TYPE_CHECKING, Any, Iterable, List, Tuple, Union

from . import _library
from ._types import (
    BadInputError,
    DataSegment,
    EciSegment,
    IncompleteError,
    Macro,
    PixelFormat,
    Segment,
    Status,
    Symbol,
    error_for,
)

if TYPE_CHECKING:
    import numpy
    import PIL.Image

    Source = Union[
        str, "os.PathLike[str]", "os.PathLike[bytes]", bytes, bytearray, memoryview,
        numpy.ndarray, PIL.Image.Image,
    ]

BytesLike = Union[bytes, bytearray, memoryview]

_FORMAT_OF_CHANNELS = {1: PixelFormat.GREY8, 3: PixelFormat.RGB24, 4: PixelFormat.RGBA32}


def _symbol(fields: _library.Fields) -> Symbol:
    if fields.text_status not in (Status.OK, Status.NOT_TEXT):
        raise error_for(fields.text_status)
    segments: List[Segment] = [
        DataSegment(segment.data or b"", segment.eci, segment.charset)
        if segment.kind == _library.SEGMENT_DATA
        else EciSegment(int(segment.eci))  # type: ignore[arg-type]
        for segment in fields.segments
    ]
    symbol = Symbol(
        rows=fields.rows,
        columns=fields.columns,
        ec_level=fields.ec_level,
        data=fields.data,
        corners=fields.corners,
        mirrored=fields.mirrored,
        errors_corrected=fields.errors_corrected,
        erasures_filled=fields.erasures_filled,
        check_codewords=fields.check_codewords,
        unused_check_codewords=fields.unused_check_codewords,
        text=fields.text,
        segments=tuple(segments),
        macro=Macro(*fields.macro) if fields.macro is not None else None,
    )
    # Outside the dataclass's fields: it takes no part in equality, repr or
    # dataclasses.replace (whose result is no longer the library's symbol).
    object.__setattr__(symbol, "_source", (fields.owner, fields.index))
    return symbol


def _symbols(outcome: _library.Outcome) -> List[Symbol]:
    status, found = outcome
    if status == Status.OK and found is not None:
        return [_symbol(fields) for fields in found]
    if status == Status.NO_SYMBOL:
        return []
    raise error_for(status)


def _options(max_symbols: int, try_capture: bool, default_eci: int) -> _library.Options:
    """The keywords as the library takes them; numbers it refuses are left
    for it to refuse, so that they raise as its other bad inputs do."""
    return _library.Options(
        _checked_int(operator.index(max_symbols)),
        bool(try_capture),
        _checked_int(operator.index(default_eci)),
    )


def _pinned(buffer: BytesLike) -> Tuple[int, int, Any]:
    """The address and size of buffer's bytes, and what keeps them in place.

    A bytearray or other writable buffer is exported to ctypes, which holds it
    unresized while the library reads it with the GIL released. Bytes are
    immutable and read in place; other read-only buffers are copied once,
    since ctypes reaches the memory of writable buffers only.
    """
    if isinstance(buffer, bytes):
        keep: Any = ctypes.c_char_p(buffer)
        return ctypes.cast(keep, ctypes.c_void_p).value or 0, len(buffer), keep
    view = memoryview(buffer)
    if not view.c_contiguous:
        raise ValueError("the buffer is not contiguous")
    view = view.cast("B")
    if view.readonly:
        return _pinned(view.tobytes())
    keep = (ctypes.c_char * view.nbytes).from_buffer(view)
    return ctypes.addressof(keep), view.nbytes, keep


def _checked_int(value: int) -> int:
    """value, as a C int; a larger number is a picture too large to decode."""
    value = int(value)
    if not -_library.INT_MAX - 1 <= value <= _library.INT_MAX:
        raise BadInputError(Status.BAD_INPUT)
    return value


def _read_pixels(
    address: int, width: int, height: int, stride: int, pixel_format: int, options: _library.Options
) -> List[Symbol]:
    return _symbols(
        _library.read_pixels(
            address,
            _checked_int(width),
            _checked_int(height),
            _checked_int(stride),
            pixel_format,
            options,
        )
    )


def read_pixels(
    pixels: BytesLike,
    width: int,
    height: int,
    stride: int,
    pixel_format: Union[PixelFormat, int],
    *,
    max_symbols: int = 0,
    try_capture: bool = True,
    default_eci: int = 2,
) -> List[Symbol]:
    """Reads the symbols in pixels laid out by hand, as the C library takes them.

    ``pixels`` holds ``height`` rows of ``width`` pixels in ``pixel_format``,
    each row starting ``stride`` bytes after the one above it. The buffer
    must hold every byte those numbers reach; a shorter one is a ValueError,
    never a read beyond its end. Other bad numbers are refused by the library
    as :class:`BadInputError`.

    Use this for layouts :func:`read` cannot tell from an array, such as
    :attr:`PixelFormat.BGRA32`. The keywords are those of :func:`read`.
    """
    options = _options(max_symbols, try_capture, default_eci)
    pixel_format = PixelFormat(pixel_format)
    width, height, stride = _checked_int(width), _checked_int(height), _checked_int(stride)
    address, size, keep = _pinned(pixels)
    if width > 0 and height > 0 and stride >= width * pixel_format.bytes_per_pixel:
        needed = stride * (height - 1) + width * pixel_format.bytes_per_pixel
        if size < needed:
            raise ValueError(f"{height} rows of stride {stride} need {needed} bytes, not {size}")
    symbols = _read_pixels(address, width, height, stride, pixel_format, options)
    del keep
    return symbols


def _pixels_are_rows(array: "numpy.ndarray", channels: int) -> bool:
    """Whether the library can read array's memory as it is: rows going
    down at a positive stride no shorter than a row, each a run of pixels.

    Strides of length-1 dimensions are ignored: numpy leaves them arbitrary.
    """
    height, width = array.shape[:2]
    if width > 1 and array.strides[1] != channels:
        return False
    if channels > 1 and array.strides[2] != 1:
        return False
    return height <= 1 or width * channels <= array.strides[0] <= _library.INT_MAX


def _read_array(array: "numpy.ndarray", options: _library.Options) -> List[Symbol]:
    numpy = sys.modules["numpy"]
    if array.dtype != numpy.uint8:
        raise TypeError(f"pixels must be uint8, not {array.dtype}")
    if array.ndim == 2:
        channels = 1
    elif array.ndim == 3 and array.shape[2] in _FORMAT_OF_CHANNELS:
        channels = array.shape[2]
    else:
        raise ValueError(
            f"pixels must be shaped (height, width) or (height, width, 1, 3 or 4), not {array.shape}"
        )
    height, width = array.shape[:2]
    if not _pixels_are_rows(array, channels):
        array = numpy.ascontiguousarray(array)
    stride = array.strides[0] if height > 1 else width * channels
    return _read_pixels(
        array.ctypes.data, width, height, stride, _FORMAT_OF_CHANNELS[channels], options
    )


def _read_image(image: "PIL.Image.Image", options: _library.Options) -> List[Symbol]:
    mode = image.mode
    if mode in ("L", "RGB", "RGBA"):
        pass
    elif mode.startswith("I;16") or mode == "I":
        # 16-bit samples (Pillow opens 16-bit grey PNGs as "I"): scaled to
        # 8 bits, where Pillow's own conversion would clip every value above
        # 255 to white.
        image = image.convert("I").point(lambda value: value / 256).convert("L")
    elif mode in ("1", "F"):
        image = image.convert("L")
    elif mode in ("LA", "La", "PA", "RGBa") or (mode == "P" and "transparency" in image.info):
        # Transparency kept: transparent pixels are paper to the library.
        image = image.convert("RGBA")
    else:
        image = image.convert("RGB")
    pixel_format = {"L": PixelFormat.GREY8, "RGB": PixelFormat.RGB24, "RGBA": PixelFormat.RGBA32}[
        image.mode
    ]
    width, height = image.size
    return read_pixels(
        image.tobytes(),
        width,
        height,
        width * pixel_format.bytes_per_pixel,
        pixel_format,
        max_symbols=options.max_symbols,
        try_capture=options.try_capture,
        default_eci=options.default_eci,
    )


def read(
    source: "Source", *, max_symbols: int = 0, try_capture: bool = True, default_eci: int = 2
) -> List[Symbol]:
    """Reads every PDF417 symbol in a picture.

    ``source`` is one of:

    * a path (``str`` or :class:`os.PathLike`): an image file, PNG, JPEG,
      GIF, TIFF or BMP;
    * ``bytes``, ``bytearray`` or ``memoryview``: an encoded image file held
      in memory;
    * a numpy ``uint8`` array shaped (height, width) or (height, width, 1)
      for grey, (height, width, 3) for RGB or (height, width, 4) for RGBA
      (not premultiplied). Any strides are taken; the pixels are read in
      place when rows lie at a positive stride and each row's pixels are
      contiguous, and copied once otherwise;
    * a :class:`PIL.Image.Image`: "L", "RGB" and "RGBA" as they are; "1",
      "I", "I;16" (scaled from 16 bits) and "F" (0 to 255) as grey; "LA",
      "PA" and "P" with transparency as RGBA; other modes as RGB.

    Returns the symbols found in the library's reading order (top to
    bottom, and left to right where symbols lie beside each other), an empty
    list when there is none. The first is the symbol the command line
    program's one-symbol form prints.

    ``max_symbols`` is the most symbols to read: 1 for the first only, 0 (the
    default) for every one, up to 64, which is also the most any value gives.
    ``try_capture`` false reads level symbols only: a picture in which the
    first reading finds nothing is not searched for symbols at other angles,
    in perspective or in poor light. ``default_eci`` is the ECI whose
    character set ``text`` takes for data before any ECI designator: 2, code
    page 437, by default; 3 (ISO 8859-1) reads what many encoders write
    without a designator. A negative ``max_symbols``, an ECI the library
    knows no character set of, or a number beyond a C int is a
    :class:`BadInputError` (a ValueError), raised before the picture is
    read; a value that is no integer is a TypeError.

    Raises :class:`UncorrectableError`, :class:`MalformedDataError`,
    :class:`BadInputError` (a ValueError: a file that cannot be read, bytes
    that are no image, an empty picture) or :class:`OutOfMemoryError`; a
    TypeError for any other kind of source or a numpy array of another dtype,
    and a ValueError for an array of another shape.

    The GIL is released while the library decodes, so several threads
    decoding at once run in parallel.
    """
    options = _options(max_symbols, try_capture, default_eci)
    if isinstance(source, (str, os.PathLike)):
        path = os.fsencode(source)
        if b"\0" in path:
            raise ValueError("embedded null byte in the path")
        return _symbols(_library.read_file(path, options))
    if isinstance(source, (bytes, bytearray, memoryview)):
        address, size, keep = _pinned(source)
        symbols = _symbols(_library.read_memory(address, size, options))
        del keep
        return symbols
    numpy = sys.modules.get("numpy")
    if numpy is not None and isinstance(source, numpy.ndarray):
        return _read_array(source, options)
    image_module = sys.modules.get("PIL.Image")
    if image_module is not None and isinstance(source, image_module.Image):
        return _read_image(source, options)
    raise TypeError(
        "source must be a path, the bytes of an image file, a numpy array or a PIL image, "
        f"not {type(source).__name__}"
    )


def join(symbols: Iterable[Symbol]) -> bytes:
    """The Macro PDF417 file that symbols make: their data in segment index order.

    ``symbols`` may come from any number of pictures, in any order; symbols
    that are no Macro PDF417 segment are left out, and a segment read twice
    counts once. Each must have been read by :func:`read` or
    :func:`read_pixels` in this process (a ValueError otherwise), as joining
    is the library's and takes its own symbols.

    Raises :class:`IncompleteError`, naming the ``missing`` and
    ``conflicting`` segment indices, when the symbols make no whole file:
    segments missing, no symbol telling how many there are, an index read
    with different data, or symbols of more than one file. Raises
    :class:`NoSymbolError` when no symbol given is a Macro PDF417 one (or
    none is given): there is nothing to join, rather than a file with parts
    missing.
    """
    sources = []
    for symbol in symbols:
        if not isinstance(symbol, Symbol):
            raise TypeError(f"join takes symbols, not {type(symbol).__name__}")
        source = getattr(symbol, "_source", None)
        if source is None:
            raise ValueError("only symbols read by tessoran.read in this process can be joined")
        sources.append(source)
    status, joined = _library.join(sources)
    if status == Status.OK and joined is not None and joined.data is not None:
        return joined.data
    if status == Status.INCOMPLETE and joined is not None:
        raise IncompleteError(
            joined.missing, joined.conflicting, joined.segment_count, joined.file_count
        )
    raise error_for(status if status != Status.OK else Status.INTERNAL_ERROR)
