# SPDX-License-Identifier: Apache-2.0
"""Pictures for the tests, made at test time.

Symbols are encoded by zint, an independent encoder, so that what a test
expects (the bytes, rows, columns and level zint was told to encode) owes
nothing to the decoder. zint writes the image files; for pixel buffers the
tests draw zint's module rows themselves, which needs neither numpy nor
Pillow.
"""

from __future__ import annotations

import os
import shutil
import struct
import subprocess
import zlib
from dataclasses import dataclass
from pathlib import Path
from typing import List

import pytest

SOURCE_DIR = Path(os.environ.get("TESSORAN_SOURCE_DIR", Path(__file__).resolve().parents[2]))
HELLO_PNG = SOURCE_DIR / "examples" / "hello.png"
HELLO_DATA = b"Hello, Tessoran!"
PHOTO_JPG = SOURCE_DIR / "examples" / "photo.jpg"
# What the README states the photograph holds.
PHOTO_SIZE = (12, 6, 3)
PHOTO_DATA = (
    b"9910 EUR total 23204 Invoice No. Account Invoice % 62064 Street ! "
    b"EUR expires batch to"
)

# A 0 byte and bytes above 127, as the C library's tests use: data that no
# text-only path carries through unharmed.
BINARY_DATA = b"HELLO\0\xff\x80\n\r"
UTF8_DATA = "Grüße ✓".encode()

# How the tests draw a symbol: pixels a module, module rows a symbol row,
# and modules of paper around it.
MODULE = 2
ROW_MODULES = 3
QUIET = 6


@dataclass(frozen=True)
class Grey:
    """A grey picture: height rows of width bytes, 0 black to 255 white."""

    pixels: bytes
    width: int
    height: int

    def rows(self) -> List[bytes]:
        return [self.pixels[y * self.width : (y + 1) * self.width] for y in range(self.height)]

    def expanded(self, channels: bytes) -> bytes:
        """The pixels in another layout: each grey byte g becomes, for every
        letter of channels, g ('g') or the given alpha ('a' opaque)."""
        out = bytearray()
        for g in self.pixels:
            for c in channels.decode():
                out.append(255 if c == "a" else g)
        return bytes(out)

    def png(self) -> bytes:
        """The picture as an 8-bit grey PNG."""

        def chunk(kind: bytes, body: bytes) -> bytes:
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        raw = b"".join(b"\0" + row for row in self.rows())
        return (
            b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b"")
        )


@dataclass(frozen=True)
class EncodedSymbol:
    """A symbol zint encoded: what it holds, its PNG file and its drawing."""

    data: bytes
    rows: int
    columns: int
    ec_level: int
    png: Path
    picture: Grey

    @property
    def size(self) -> tuple:
        return (self.rows, self.columns, self.ec_level)


def _zint() -> str:
    zint = shutil.which("zint")
    if zint is None:
        pytest.fail("zint, the encoder the tests make their pictures with, is not installed")
    return zint


def _draw(module_rows: List[str]) -> Grey:
    width = (len(module_rows[0]) + 2 * QUIET) * MODULE
    paper = bytes([255]) * width
    lines = [paper] * (QUIET * MODULE)
    for bits in module_rows:
        modules = "0" * QUIET + bits + "0" * QUIET
        line = bytes(0 if bit == "1" else 255 for bit in modules for _ in range(MODULE))
        lines += [line] * (ROW_MODULES * MODULE)
    lines += [paper] * (QUIET * MODULE)
    return Grey(b"".join(lines), width, len(lines))


def encode(directory: Path, data: bytes, columns: int, rows: int, ec_level: int) -> EncodedSymbol:
    """Has zint encode data, with exactly those bytes, into a PNG file and module rows."""
    directory.mkdir(parents=True, exist_ok=True)
    source = directory / "data.bin"
    source.write_bytes(data)
    png = directory / "symbol.png"
    options = ["-b", "PDF417", "--binary", f"--cols={columns}", f"--rows={rows}",
               f"--secure={ec_level}", "-i", str(source)]
    subprocess.run([_zint(), *options, "--filetype=PNG", "-o", str(png)], check=True)
    dump = subprocess.run([_zint(), *options, "--dump"], check=True, capture_output=True, text=True)
    hex_rows = dump.stdout.split("\n")
    hex_rows = [row for row in hex_rows if row.strip()]
    # Each dumped row is the symbol's modules, 1 dark, in hex bytes; a row
    # has 17 modules a column, 4 columns of patterns and indicators and the
    # stop pattern's final bar, and the bytes are padded with 0 bits.
    modules = 17 * (columns + 4) + 1
    bits = ["".join(f"{int(h, 16):08b}" for h in row.split())[:modules] for row in hex_rows]
    return EncodedSymbol(data, len(bits), columns, ec_level, png, _draw(bits))


@pytest.fixture(scope="session")
def binary_symbol(tmp_path_factory: pytest.TempPathFactory) -> EncodedSymbol:
    return encode(tmp_path_factory.mktemp("binary"), BINARY_DATA, 3, 6, 2)


@pytest.fixture(scope="session")
def text_symbol(tmp_path_factory: pytest.TempPathFactory) -> EncodedSymbol:
    return encode(tmp_path_factory.mktemp("text"), UTF8_DATA, 4, 8, 3)


@pytest.fixture(scope="session")
def blank() -> Grey:
    """White paper: no symbol."""
    return Grey(bytes([255]) * 300 * 200, 300, 200)
