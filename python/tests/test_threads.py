# SPDX-License-Identifier: Apache-2.0
"""Decodes on several threads at once: each gets its own answer, and the GIL
is let go while the library works."""

from __future__ import annotations

import os
import subprocess
import sys
import threading
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path
from typing import Callable, List, Tuple

import pytest

import tessoran
from conftest import HELLO_DATA, HELLO_PNG, PHOTO_DATA, PHOTO_JPG, EncodedSymbol, Grey


def test_threads_decoding_at_once_each_get_their_own_symbol(
    binary_symbol: EncodedSymbol, text_symbol: EncodedSymbol, blank: Grey
) -> None:
    def pixels(picture: Grey) -> Callable[[], list]:
        return lambda: tessoran.read_pixels(
            picture.pixels, picture.width, picture.height, picture.width, tessoran.PixelFormat.GREY8
        )

    jobs: List[Tuple[Callable[[], list], List[bytes]]] = [
        (lambda: tessoran.read(binary_symbol.png), [binary_symbol.data]),
        (lambda: tessoran.read(text_symbol.png.read_bytes()), [text_symbol.data]),
        (pixels(binary_symbol.picture), [binary_symbol.data]),
        (pixels(text_symbol.picture), [text_symbol.data]),
        (lambda: tessoran.read(str(HELLO_PNG)), [HELLO_DATA]),
        (lambda: tessoran.read(PHOTO_JPG), [PHOTO_DATA]),
        (pixels(blank), []),
        (lambda: tessoran.read(bytearray(text_symbol.picture.png())), [text_symbol.data]),
    ]
    rounds = 6
    start = threading.Barrier(len(jobs))

    def run(job: Callable[[], list]) -> List[List[bytes]]:
        start.wait()
        return [[symbol.data for symbol in job()] for _ in range(rounds)]

    with ThreadPoolExecutor(len(jobs)) as pool:
        answers = list(pool.map(run, [job for job, _ in jobs]))
    assert answers == [[expected] * rounds for _, expected in jobs]


# A decode that reads a FIFO waits inside the library until a writer opens
# it. Here the writer is the child's main thread, running Python: it can
# only get there while the reading thread is inside the library without the
# GIL. Held, the child would wait for ever, and the parent's time-out ends it.
_FIFO_CHILD = """
import os, sys, threading
import tessoran
fifo, picture = sys.argv[1], sys.argv[2]
found = []
reader = threading.Thread(target=lambda: found.extend(tessoran.read(fifo)))
reader.start()
with open(fifo, "wb") as writer, open(picture, "rb") as source:
    writer.write(source.read())
reader.join()
sys.stdout.buffer.write(b"".join(symbol.data for symbol in found))
"""


def test_the_gil_is_released_while_decoding(tmp_path: Path) -> None:
    fifo = tmp_path / "picture"
    os.mkfifo(fifo)
    try:
        child = subprocess.run(
            [sys.executable, "-c", _FIFO_CHILD, str(fifo), str(HELLO_PNG)],
            capture_output=True,
            timeout=120,
        )
    except subprocess.TimeoutExpired:
        pytest.fail("the main thread never ran while another thread was in the library")
    assert (child.returncode, child.stdout, child.stderr) == (0, HELLO_DATA, b"")
