# SPDX-License-Identifier: Apache-2.0
"""python3 -m tessoran, run as users run it: its output and exit status."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path
from typing import List, Tuple

import pytest

import tessoran
from conftest import HELLO_PNG, EncodedSymbol, Grey

PACKAGE_PARENT = Path(tessoran.__file__).resolve().parents[1]


def _run(*arguments: str) -> Tuple[str, str, int]:
    environment = dict(os.environ)
    environment["PYTHONPATH"] = os.pathsep.join(
        [str(PACKAGE_PARENT), *filter(None, [environment.get("PYTHONPATH")])]
    )
    environment["PYTHONIOENCODING"] = "utf-8"
    done = subprocess.run(
        [sys.executable, "-m", "tessoran", *arguments],
        capture_output=True,
        env=environment,
        encoding="utf-8",
        timeout=60,
    )
    return done.stdout, done.stderr, done.returncode


@pytest.fixture
def files(tmp_path: Path, binary_symbol: EncodedSymbol, text_symbol: EncodedSymbol, blank: Grey) -> dict:
    white = tmp_path / "white.png"
    white.write_bytes(blank.png())
    return {
        "hello": str(HELLO_PNG),
        "binary": str(binary_symbol.png),
        "text": str(text_symbol.png),
        "white": str(white),
        "missing": str(tmp_path / "missing.png"),
    }


BAD = "bad input: not a readable image, or a bad argument"
# Each run: the files named, and its standard output, standard error and
# exit status, with {name} for each file's path.
RUNS = [
    (["hello"], "{hello}: 7 rows, 3 columns, level 2: Hello, Tessoran!\n", "", 0),
    (["text"], "{text}: 8 rows, 4 columns, level 3: Grüße ✓\n", "", 0),
    (["binary"], "{binary}: 6 rows, 3 columns, level 2: b'HELLO\\x00\\xff\\x80\\n\\r'\n", "", 0),
    (["white"], "", "{white}: no symbol\n", 1),
    (["missing"], "", "{missing}: " + BAD + "\n", 2),
    (
        ["hello", "white", "text"],
        "{hello}: 7 rows, 3 columns, level 2: Hello, Tessoran!\n"
        "{text}: 8 rows, 4 columns, level 3: Grüße ✓\n",
        "{white}: no symbol\n",
        1,
    ),
    (
        ["missing", "white", "hello"],
        "{hello}: 7 rows, 3 columns, level 2: Hello, Tessoran!\n",
        "{missing}: " + BAD + "\n{white}: no symbol\n",
        2,
    ),
]


@pytest.mark.parametrize(
    "names, stdout, stderr, status", RUNS, ids=["+".join(run[0]) for run in RUNS]
)
def test_writes_a_line_for_each_symbol(
    files: dict, names: List[str], stdout: str, stderr: str, status: int
) -> None:
    assert _run(*[files[name] for name in names]) == (
        stdout.format(**files),
        stderr.format(**files),
        status,
    )


def test_without_files_it_tells_its_usage() -> None:
    stdout, stderr, status = _run()
    assert (stdout, status) == ("", 2)
    assert stderr.startswith("usage: ")
