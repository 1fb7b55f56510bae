# SPDX-License-Identifier: Apache-2.0
"""PIL images in every kind of mode, and files Pillow writes."""

from __future__ import annotations

import array
import io
from typing import Callable

import pytest

import tessoran
from conftest import EncodedSymbol, Grey

Image = pytest.importorskip("PIL.Image")


def _grey(picture: Grey) -> "Image.Image":
    return Image.frombytes("L", (picture.width, picture.height), picture.pixels)


def _samples(picture: Grey, mode: str, typecode: str, ink: float, paper: float) -> "Image.Image":
    """The picture in a mode of wide samples, ink and paper given as values."""
    values = array.array(typecode, [paper if g == 255 else ink for g in picture.pixels])
    return Image.frombytes(mode, (picture.width, picture.height), values.tobytes())


def _on_clear_paper(picture: Grey, mode: str) -> "Image.Image":
    """Black ink on transparent black paper: it reads only while the
    transparency is kept, as black paper otherwise hides the symbol."""
    alpha = Image.eval(_grey(picture), lambda g: 255 - g)
    black = Image.new("L", alpha.size, 0)
    if mode == "LA":
        return Image.merge("LA", [black, alpha])
    palette = Image.frombytes("P", alpha.size, bytes(1 if g == 0 else 0 for g in picture.pixels))
    palette.putpalette([0, 0, 0, 0, 0, 0])
    palette.info["transparency"] = 0
    return palette if mode == "P" else palette.convert(mode)


# Each image, as a function of the symbol's grey picture.
IMAGES = {
    "L": lambda p: _grey(p),
    "RGB": lambda p: _grey(p).convert("RGB"),
    "RGBA": lambda p: _grey(p).convert("RGBA"),
    "1": lambda p: _grey(p).convert("1"),
    "P": lambda p: _grey(p).convert("RGB").convert("P"),
    "CMYK": lambda p: _grey(p).convert("CMYK"),
    "YCbCr": lambda p: _grey(p).convert("YCbCr"),
    "RGBX": lambda p: _grey(p).convert("RGBX"),
    "HSV": lambda p: _grey(p).convert("RGB").convert("HSV"),
    # Samples of 16 bits in the middle of their range: taken as 8 bits, or
    # clipped to 255, every one would be paper.
    "I;16": lambda p: _samples(p, "I;16", "H", 0x1000, 0x8080),
    "I": lambda p: _samples(p, "I", "i", 0x1000, 0x8080),
    "F": lambda p: _samples(p, "F", "f", 0.0, 200.0),
    "P with transparency": lambda p: _on_clear_paper(p, "P"),
    "PA": lambda p: _on_clear_paper(p, "PA"),
    "LA": lambda p: _on_clear_paper(p, "LA"),
}


@pytest.mark.parametrize("image", IMAGES.values(), ids=IMAGES.keys())
def test_reads_images_of_every_mode(binary_symbol: EncodedSymbol, image: Callable) -> None:
    (found,) = tessoran.read(image(binary_symbol.picture))
    assert (found.rows, found.columns, found.ec_level, found.data) == (
        *binary_symbol.size,
        binary_symbol.data,
    )


def test_an_image_without_a_symbol_gives_no_symbols(blank: Grey) -> None:
    assert tessoran.read(_grey(blank).convert("RGB")) == []


@pytest.mark.parametrize("file_format", ["PNG", "JPEG", "GIF", "TIFF", "BMP"])
def test_reads_the_files_pillow_writes(text_symbol: EncodedSymbol, file_format: str) -> None:
    written = io.BytesIO()
    _grey(text_symbol.picture).save(written, file_format)
    (found,) = tessoran.read(written.getvalue(), default_eci=26)
    assert found.text == "Grüße ✓"


def test_reads_an_image_opened_from_a_file(binary_symbol: EncodedSymbol) -> None:
    with Image.open(binary_symbol.png) as image:
        (found,) = tessoran.read(image)
    assert found.data == binary_symbol.data
