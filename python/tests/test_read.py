# SPDX-License-Identifier: Apache-2.0
"""read() and read_pixels() on files, encoded bytes and pixel buffers, and
every way a source can be refused."""

from __future__ import annotations

import dataclasses
import pathlib
from typing import Callable

import pytest

import tessoran
from conftest import (
    HELLO_DATA,
    HELLO_PNG,
    PHOTO_DATA,
    PHOTO_JPG,
    PHOTO_SIZE,
    UTF8_DATA,
    EncodedSymbol,
    Grey,
)

BAD_INPUT_MESSAGE = "bad input: not a readable image, or a bad argument"

# Each way of handing a symbol's picture over, as a function of the symbol.
SOURCES: dict = {
    "path as str": lambda s: str(s.png),
    "path as pathlib.Path": lambda s: s.png,
    "path as bytes-like PathLike": lambda s: _BytesPath(bytes(s.png)),
    "PNG file bytes": lambda s: s.png.read_bytes(),
    "PNG file bytearray": lambda s: bytearray(s.png.read_bytes()),
    "PNG file memoryview": lambda s: memoryview(s.png.read_bytes()),
    "PNG bytes in a writable memoryview slice": lambda s: memoryview(
        bytearray(b"xx" + s.png.read_bytes() + b"yy")
    )[2:-2],
    "8-bit grey PNG drawn by the tests": lambda s: s.picture.png(),
}


class _BytesPath:
    """An os.PathLike whose path is bytes."""

    def __init__(self, path: bytes) -> None:
        self.path = path

    def __fspath__(self) -> bytes:
        return self.path


@pytest.mark.parametrize("source", SOURCES.values(), ids=SOURCES.keys())
@pytest.mark.parametrize("symbol_name", ["binary_symbol", "text_symbol"])
def test_reads_the_symbol_of_every_source(
    source: Callable, symbol_name: str, request: pytest.FixtureRequest
) -> None:
    symbol: EncodedSymbol = request.getfixturevalue(symbol_name)
    (found,) = tessoran.read(source(symbol))
    assert (found.rows, found.columns, found.ec_level, found.data) == (*symbol.size, symbol.data)


@pytest.mark.parametrize(
    "pixel_format, layout",
    [
        (tessoran.PixelFormat.GREY8, b"g"),
        (tessoran.PixelFormat.RGB24, b"ggg"),
        (tessoran.PixelFormat.RGBA32, b"ggga"),
        (tessoran.PixelFormat.BGRA32, b"ggga"),
        (1, b"g"),  # the header's number works as well as the enum
    ],
)
@pytest.mark.parametrize("padding", [0, 5, 64])
def test_reads_pixels_in_every_format(
    binary_symbol: EncodedSymbol, pixel_format: int, layout: bytes, padding: int
) -> None:
    picture = binary_symbol.picture
    pixels = picture.expanded(layout)
    row = picture.width * len(layout)
    # Padding of dark bytes: read as pixels, it would break the picture.
    padded = b"".join(
        pixels[y * row : (y + 1) * row] + b"\0" * padding for y in range(picture.height)
    )
    (found,) = tessoran.read_pixels(padded, picture.width, picture.height, row + padding, pixel_format)
    assert found.data == binary_symbol.data


def test_reads_the_examples() -> None:
    (hello,) = tessoran.read(HELLO_PNG)
    assert hello.data == HELLO_DATA
    # A JPEG in memory, read by the reader for photographs.
    (photo,) = tessoran.read(PHOTO_JPG.read_bytes())
    assert (photo.rows, photo.columns, photo.ec_level, photo.data) == (*PHOTO_SIZE, PHOTO_DATA)


@pytest.mark.parametrize(
    "source",
    [
        pytest.param(lambda blank, tmp: blank.png(), id="PNG bytes"),
        pytest.param(lambda blank, tmp: _written(tmp / "white.png", blank.png()), id="PNG file"),
    ],
)
def test_a_picture_without_a_symbol_gives_no_symbols(
    source: Callable, blank: Grey, tmp_path: pathlib.Path
) -> None:
    assert tessoran.read(source(blank, tmp_path)) == []


def test_pixels_without_a_symbol_give_no_symbols(blank: Grey) -> None:
    assert tessoran.read_pixels(blank.pixels, blank.width, blank.height, blank.width, 1) == []


def _written(path: pathlib.Path, data: bytes) -> pathlib.Path:
    path.write_bytes(data)
    return path


def test_symbol_text_is_the_data_in_the_default_character_set(
    binary_symbol: EncodedSymbol, text_symbol: EncodedSymbol
) -> None:
    """zint wrote the bytes without an ECI designator: the default ECI's
    character set reads them, code page 437 unless another is asked for."""
    (text,) = tessoran.read(text_symbol.png)
    assert text.text == UTF8_DATA.decode("cp437")
    (utf8,) = tessoran.read(text_symbol.png, default_eci=26)
    assert utf8.text == "Grüße ✓"
    (binary,) = tessoran.read(binary_symbol.png, default_eci=26)
    assert binary.text is None  # \xff is no UTF-8
    with pytest.raises(dataclasses.FrozenInstanceError):
        binary.data = b"changed"  # type: ignore[misc]


@pytest.mark.parametrize(
    "source",
    [
        pytest.param(lambda tmp: b"Hello, Tessoran! This is text, not an image.", id="text bytes"),
        pytest.param(lambda tmp: b"", id="no bytes"),
        pytest.param(lambda tmp: bytearray(), id="an empty bytearray"),
        pytest.param(lambda tmp: b"\x89PNG\r\n\x1a\n" + b"\0" * 40, id="a broken PNG"),
        pytest.param(lambda tmp: str(tmp / "missing.png"), id="a missing file"),
        pytest.param(lambda tmp: tmp / "missing.png", id="a missing file as a Path"),
        pytest.param(lambda tmp: tmp, id="a directory"),
        pytest.param(lambda tmp: "", id="an empty path"),
        pytest.param(lambda tmp: _written(tmp / "text.png", b"not a picture"), id="a file of text"),
    ],
)
def test_what_is_no_readable_image_is_bad_input(source: Callable, tmp_path: pathlib.Path) -> None:
    with pytest.raises(tessoran.BadInputError) as raised:
        tessoran.read(source(tmp_path))
    assert isinstance(raised.value, ValueError)
    assert isinstance(raised.value, tessoran.Error)
    assert raised.value.status is tessoran.Status.BAD_INPUT
    assert str(raised.value) == BAD_INPUT_MESSAGE


def test_a_path_with_a_null_byte_is_refused() -> None:
    """Cut at the null byte, the path would name another file that exists."""
    with pytest.raises(ValueError, match="null byte"):
        tessoran.read(str(HELLO_PNG) + "\0.txt")


@pytest.mark.parametrize(
    "source",
    [None, 42, 3.5, [255, 255], {"path": "a.png"}, object(), iter([b"\x89PNG"])],
    ids=["None", "int", "float", "list", "dict", "object", "iterator"],
)
def test_other_kinds_of_source_are_a_type_error(source: object) -> None:
    with pytest.raises(TypeError):
        tessoran.read(source)  # type: ignore[arg-type]


@pytest.mark.parametrize(
    "width, height, stride, pixel_format, raised",
    [
        # Buffers too short for the numbers: refused before the library reads past them.
        (16, 16, 16, 1, ValueError),
        (8, 8, 32, 3, ValueError),
        (8, 4, 24, 2, ValueError),
        # Numbers the library refuses.
        (0, 4, 4, 1, tessoran.BadInputError),
        (4, -4, 4, 1, tessoran.BadInputError),
        (4, 4, 15, 4, tessoran.BadInputError),  # a stride shorter than a row
        (4, 1, -16, 3, tessoran.BadInputError),
        (2**31, 1, 2**31, 1, tessoran.BadInputError),  # beyond a C int
        (1, 2**32 + 1, 1, 1, tessoran.BadInputError),  # would be 1 cut to 32 bits
        # No such format.
        (4, 4, 16, 0, ValueError),
        (4, 4, 16, 99, ValueError),
    ],
)
def test_read_pixels_refuses_bad_numbers(
    width: int, height: int, stride: int, pixel_format: int, raised: type
) -> None:
    with pytest.raises(raised):
        tessoran.read_pixels(bytes(64), width, height, stride, pixel_format)

