# SPDX-License-Identifier: Apache-2.0
"""What the package shares with the C library: numbers, version, the
exception each status becomes."""

from __future__ import annotations

import pickle
import re
from typing import Dict

import pytest

import tessoran
from conftest import HELLO_PNG, SOURCE_DIR

HEADER = SOURCE_DIR / "include" / "tessoran" / "tessoran.h"


def _header_enums() -> Dict[str, Dict[str, int]]:
    """Each enum of the header that follows a typedef, by the typedef's
    name: its constants without the TESSORAN_ prefix, and their values."""
    text = HEADER.read_text()
    enums = {}
    for name, body in re.findall(r"typedef int (\w+);\s*enum\s*\{(.*?)\};", text, re.S):
        body = re.sub(r"/\*.*?\*/", "", body, flags=re.S)
        enums[name] = {key: int(value) for key, value in re.findall(r"TESSORAN_(\w+)\s*=\s*(\d+)", body)}
    return enums


@pytest.mark.parametrize(
    "typedef, enum",
    [("tessoran_status", tessoran.Status), ("tessoran_pixel_format", tessoran.PixelFormat)],
)
def test_enums_are_the_headers(typedef: str, enum: type) -> None:
    declared = _header_enums()[typedef]
    assert declared, f"no constants of {typedef} found in {HEADER}"
    assert {member.name: member.value for member in enum} == declared


def test_the_package_is_the_librarys_version() -> None:
    assert re.fullmatch(r"\d+\.\d+\.\d+", tessoran.library_version())
    assert tessoran.__version__ == tessoran.library_version()


# The exception each failing status becomes, and what else it is.
FAILURES = [
    (tessoran.Status.UNCORRECTABLE, tessoran.UncorrectableError, (), "symbol too damaged to correct"),
    (tessoran.Status.MALFORMED_DATA, tessoran.MalformedDataError, (), "symbol data malformed"),
    (tessoran.Status.BAD_INPUT, tessoran.BadInputError, (ValueError,),
     "bad input: not a readable image, or a bad argument"),
    (tessoran.Status.OUT_OF_MEMORY, tessoran.OutOfMemoryError, (MemoryError,), "out of memory"),
    (17, tessoran.Error, (), "unknown status"),
]


@pytest.mark.parametrize("status, error, also, message", FAILURES)
@pytest.mark.parametrize("entry", ["read_file", "read_memory", "read_pixels"])
def test_each_failing_status_raises_its_error(
    monkeypatch: pytest.MonkeyPatch, entry: str, status: int, error: type, also: tuple, message: str
) -> None:
    """Statuses the test pictures cannot bring about (memory running out, a
    status a later library adds) are handed over in place of the library's."""
    monkeypatch.setattr(tessoran._library, entry, lambda *arguments: (int(status), None))
    source = {
        "read_file": HELLO_PNG,
        "read_memory": HELLO_PNG.read_bytes(),
        "read_pixels": None,
    }[entry]
    with pytest.raises(error) as raised:
        if source is None:
            tessoran.read_pixels(bytes(16), 4, 4, 4, tessoran.PixelFormat.GREY8)
        else:
            tessoran.read(source)
    assert type(raised.value) is error
    assert all(isinstance(raised.value, kind) for kind in also)
    assert raised.value.status == status
    assert str(raised.value) == message
    # Rebuilt whole from a pickle, as an error sent from another process is.
    copy = pickle.loads(pickle.dumps(raised.value))
    assert (type(copy), copy.status, str(copy)) == (error, status, message)


def test_no_symbol_is_no_error(monkeypatch: pytest.MonkeyPatch) -> None:
    monkeypatch.setattr(tessoran._library, "read_file", lambda *arguments: (1, None))
    assert tessoran.read(HELLO_PNG) == []
