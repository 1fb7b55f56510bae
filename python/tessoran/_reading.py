# SPDX-License-Identifier: Apache-2.0
"""Turns the sources read() takes into calls of the C library.

numpy and Pillow are never imported here: an array or an image can only exist
once its module has been imported, so sys.modules tells whether a source may
be one, and the package works without either installed.
"""

from __future__ import annotations

import ctypes
import os
import sys
from typing import TYPE_CHECKING, Any, List, Tuple, Union

from . import _library
from ._types import BadInputError, PixelFormat, Status, Symbol, error_for

if TYPE_CHECKING:
    import numpy
    import PIL.Image

    Source = Union[
        str, "os.PathLike[str]", "os.PathLike[bytes]", bytes, bytearray, memoryview,
        numpy.ndarray, PIL.Image.Image,
    ]

BytesLike = Union[bytes, bytearray, memoryview]

_FORMAT_OF_CHANNELS = {1: PixelFormat.GREY8, 3: PixelFormat.RGB24, 4: PixelFormat.RGBA32}


def _symbols(outcome: _library.Outcome) -> List[Symbol]:
    status, fields = outcome
    if status == Status.OK and fields is not None:
        return [Symbol(fields.rows, fields.columns, fields.ec_level, fields.data)]
    if status == Status.NO_SYMBOL:
        return []
    raise error_for(status)


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


def _decode_pixels(address: int, width: int, height: int, stride: int, pixel_format: int) -> List[Symbol]:
    return _symbols(
        _library.decode_pixels(
            address,
            _checked_int(width),
            _checked_int(height),
            _checked_int(stride),
            pixel_format,
        )
    )


def read_pixels(
    pixels: BytesLike, width: int, height: int, stride: int, pixel_format: Union[PixelFormat, int]
) -> List[Symbol]:
    """Reads the symbols in pixels laid out by hand, as the C library takes them.

    ``pixels`` holds ``height`` rows of ``width`` pixels in ``pixel_format``,
    each row starting ``stride`` bytes after the one above it. The buffer
    must hold every byte those numbers reach; a shorter one is a ValueError,
    never a read beyond its end. Other bad numbers are refused by the library
    as :class:`BadInputError`.

    Use this for layouts :func:`read` cannot tell from an array, such as
    :attr:`PixelFormat.BGRA32`.
    """
    pixel_format = PixelFormat(pixel_format)
    width, height, stride = _checked_int(width), _checked_int(height), _checked_int(stride)
    address, size, keep = _pinned(pixels)
    if width > 0 and height > 0 and stride >= width * pixel_format.bytes_per_pixel:
        needed = stride * (height - 1) + width * pixel_format.bytes_per_pixel
        if size < needed:
            raise ValueError(f"{height} rows of stride {stride} need {needed} bytes, not {size}")
    symbols = _decode_pixels(address, width, height, stride, pixel_format)
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


def _read_array(array: "numpy.ndarray") -> List[Symbol]:
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
    return _decode_pixels(array.ctypes.data, width, height, stride, _FORMAT_OF_CHANNELS[channels])


def _read_image(image: "PIL.Image.Image") -> List[Symbol]:
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
    return read_pixels(image.tobytes(), width, height, width * pixel_format.bytes_per_pixel, pixel_format)


def read(source: "Source") -> List[Symbol]:
    """Reads the PDF417 symbols in a picture.

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

    Returns the symbols found, an empty list when there is none. The library
    reads at most one symbol a picture for now; the list leaves room for more.

    Raises :class:`UncorrectableError`, :class:`MalformedDataError`,
    :class:`BadInputError` (a ValueError: a file that cannot be read, bytes
    that are no image, an empty picture) or :class:`OutOfMemoryError`; a
    TypeError for any other kind of source or a numpy array of another dtype,
    and a ValueError for an array of another shape.

    The GIL is released while the library decodes, so several threads
    decoding at once run in parallel.
    """
    if isinstance(source, (str, os.PathLike)):
        path = os.fsencode(source)
        if b"\0" in path:
            raise ValueError("embedded null byte in the path")
        return _symbols(_library.decode_file(path))
    if isinstance(source, (bytes, bytearray, memoryview)):
        address, size, keep = _pinned(source)
        symbols = _symbols(_library.decode_memory(address, size))
        del keep
        return symbols
    numpy = sys.modules.get("numpy")
    if numpy is not None and isinstance(source, numpy.ndarray):
        return _read_array(source)
    image_module = sys.modules.get("PIL.Image")
    if image_module is not None and isinstance(source, image_module.Image):
        return _read_image(source)
    raise TypeError(
        "source must be a path, the bytes of an image file, a numpy array or a PIL image, "
        f"not {type(source).__name__}"
    )
