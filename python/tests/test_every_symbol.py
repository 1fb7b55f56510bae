# SPDX-License-Identifier: Apache-2.0
"""Every symbol of a picture, with its place, text, segments and Macro PDF417
fields; the keywords of read(); join() of a Macro PDF417 file's parts.

The pictures are zint's symbols pasted on paper with Pillow, some turned or
mirrored, so that where each symbol lies and what it holds are known without
the decoder: the corners follow from where each was pasted, the bytes from
Python's own codecs.
"""

from __future__ import annotations

import copy
import gc
import itertools
import pickle
import subprocess
import sys
import weakref
from dataclasses import dataclass, replace
from pathlib import Path
from typing import Callable, Dict, List, Optional, Sequence, Tuple

import pytest

import tessoran
from conftest import HELLO_PNG, _zint

Image = pytest.importorskip("PIL.Image")
numpy = pytest.importorskip("numpy")

Point = Tuple[float, float]


def zint_image(directory: Path, data: str, *options: str) -> "Image.Image":
    """zint's PDF417 symbol of data (given to zint as UTF-8), as a grey image."""
    directory.mkdir(parents=True, exist_ok=True)
    path = directory / f"zint{len(list(directory.iterdir()))}.png"
    subprocess.run([_zint(), "-b", "55", *options, "-d", data, "-o", str(path)], check=True)
    with Image.open(path) as image:
        return image.convert("L")


# How a symbol is turned before it is pasted: Pillow's transposition, whether
# the symbol is then seen mirrored, and where the point (u, v) of the upright
# image (w x h pixels) lands in the turned one.
TURNS: Dict[str, Tuple[Optional[int], bool, Callable[[float, float, int, int], Point]]] = {
    "upright": (None, False, lambda u, v, w, h: (u, v)),
    "upside down": (Image.Transpose.ROTATE_180, False, lambda u, v, w, h: (w - u, h - v)),
    # Pillow turns ROTATE_90 counter-clockwise.
    "a quarter turn left": (Image.Transpose.ROTATE_90, False, lambda u, v, w, h: (v, w - u)),
    "a quarter turn right": (Image.Transpose.ROTATE_270, False, lambda u, v, w, h: (h - v, u)),
    "mirrored": (Image.Transpose.FLIP_LEFT_RIGHT, True, lambda u, v, w, h: (w - u, v)),
    "mirrored upside down": (Image.Transpose.FLIP_TOP_BOTTOM, True, lambda u, v, w, h: (u, h - v)),
}


@dataclass(frozen=True)
class Pasted:
    """A symbol as pasted: its corners as printed, and whether it is mirrored."""

    corners: Tuple[Point, ...]
    mirrored: bool


def paste(picture: "Image.Image", symbol: "Image.Image", turn: str, left: int, middle: int) -> Pasted:
    """Pastes symbol, turned, with its left edge at x = left and its middle
    at y = middle (so that symbols on one line are read left to right)."""
    transposition, mirrored, where = TURNS[turn]
    turned = symbol if transposition is None else symbol.transpose(transposition)
    top = middle - turned.height // 2
    picture.paste(turned, (left, top))
    w, h = symbol.size
    corners = tuple(
        (left + x, top + y) for x, y in (where(u, v, w, h) for u, v in ((0, 0), (w, 0), (w, h), (0, h)))
    )
    return Pasted(corners, mirrored)


def assert_corners_near(found: Sequence[Point], expected: Sequence[Point]) -> None:
    assert len(found) == 4
    for (x, y), (ex, ey) in zip(found, expected):
        assert abs(x - ex) <= 1 and abs(y - ey) <= 1, (found, expected)


# Five symbols on two lines, each placement (text, columns, turn, left,
# middle) in the order the library reads: top to bottom, then left to right.
PLACEMENTS = [
    ("Top left, upright", 3, "upright", 40, 110),
    ("Top middle, upside down", 2, "upside down", 460, 110),
    ("Top right, mirrored", 2, "mirrored", 800, 110),
    ("Bottom left, turned left", 2, "a quarter turn left", 60, 520),
    ("Bottom right, turned right", 2, "a quarter turn right", 600, 520),
]


@dataclass(frozen=True)
class Scene:
    picture: "Image.Image"
    path: Path
    texts: List[str]
    pasted: List[Pasted]


@pytest.fixture(scope="module")
def scene(tmp_path_factory: pytest.TempPathFactory) -> Scene:
    directory = tmp_path_factory.mktemp("scene")
    picture = Image.new("L", (1200, 800), 255)
    pasted = [
        paste(picture, zint_image(directory, text, f"--cols={columns}"), turn, left, middle)
        for text, columns, turn, left, middle in PLACEMENTS
    ]
    path = directory / "scene.png"
    picture.save(path)
    return Scene(picture, path, [placement[0] for placement in PLACEMENTS], pasted)


# Each way of handing the scene over; every one passes the keywords on.
def _as_pixels(scene: Scene, **keywords: object) -> List[tessoran.Symbol]:
    grey = scene.picture
    return tessoran.read_pixels(grey.tobytes(), grey.width, grey.height, grey.width, 1, **keywords)


SCENE_SOURCES: Dict[str, Callable[..., List[tessoran.Symbol]]] = {
    "path": lambda scene, **k: tessoran.read(scene.path, **k),
    "PNG bytes": lambda scene, **k: tessoran.read(scene.path.read_bytes(), **k),
    "PIL image": lambda scene, **k: tessoran.read(scene.picture.convert("RGB"), **k),
    "numpy array": lambda scene, **k: tessoran.read(numpy.asarray(scene.picture), **k),
    "read_pixels": _as_pixels,
}


@pytest.mark.parametrize("source", SCENE_SOURCES.values(), ids=SCENE_SOURCES.keys())
def test_reads_every_symbol_in_reading_order(scene: Scene, source: Callable) -> None:
    found = source(scene)
    assert [symbol.text for symbol in found] == scene.texts
    for symbol, pasted, text in zip(found, scene.pasted, scene.texts):
        assert_corners_near(symbol.corners, pasted.corners)
        assert symbol.mirrored is pasted.mirrored
        assert symbol.data == text.encode("ascii")
        assert symbol.segments == (tessoran.DataSegment(text.encode("ascii"), None, "CP437"),)
        assert symbol.macro is None
        # A clean picture: nothing corrected, and every check codeword but
        # the two kept to verify unused.
        assert (symbol.errors_corrected, symbol.erasures_filled) == (0, 0)
        assert symbol.check_codewords == 2 ** (symbol.ec_level + 1)
        assert symbol.unused_check_codewords == symbol.check_codewords - 2


@pytest.mark.parametrize("max_symbols, count", [(1, 1), (2, 2), (4, 4), (5, 5), (0, 5), (64, 5), (1000, 5)])
@pytest.mark.parametrize("source", SCENE_SOURCES.values(), ids=SCENE_SOURCES.keys())
def test_max_symbols_stops_reading(scene: Scene, source: Callable, max_symbols: int, count: int) -> None:
    """Reading stops once that many symbols are found; those found are then
    listed in reading order, so they need not be the first of a full list."""
    texts = [symbol.text for symbol in source(scene, max_symbols=max_symbols)]
    assert len(texts) == count
    assert len(set(texts)) == count
    # In the full list's order.
    assert texts == [text for text in scene.texts if text in texts]


def test_max_symbols_1_gives_the_symbol_read_first(tmp_path: Path) -> None:
    """The level symbol below is found by the first reading, the turned one
    above only by the capture reader: first read, though second in order."""
    picture = Image.new("L", (700, 700), 255)
    paste(picture, zint_image(tmp_path, "Turned", "--cols=2"), "a quarter turn left", 300, 150)
    paste(picture, zint_image(tmp_path, "Upright", "--cols=3"), "upright", 40, 550)
    assert [symbol.text for symbol in tessoran.read(picture)] == ["Turned", "Upright"]
    assert [symbol.text for symbol in tessoran.read(picture, max_symbols=1)] == ["Upright"]
    assert [symbol.text for symbol in tessoran.read(picture, try_capture=False)] == ["Upright"]


def test_without_capture_only_level_symbols_are_read(tmp_path: Path) -> None:
    """A symbol turned by 30 degrees, or a quarter, is found only by the
    capture reader; one level and upright by the first reading too."""
    symbol = zint_image(tmp_path, "Turned", "--cols=3")
    level = Image.new("L", (600, 500), 255)
    level.paste(symbol, (150, 200))
    quarter = Image.new("L", (500, 600), 255)
    quarter.paste(symbol.transpose(Image.Transpose.ROTATE_90), (200, 150))
    for picture, level_only in [
        (level, ["Turned"]),
        (level.rotate(30, fillcolor=255), []),
        (quarter, []),
    ]:
        assert [s.text for s in tessoran.read(picture, try_capture=False)] == level_only
        assert [s.text for s in tessoran.read(picture)] == ["Turned"]
        assert [s.text for s in tessoran.read(picture, try_capture=True)] == ["Turned"]


def test_correction_counts_of_a_damaged_symbol(tmp_path: Path) -> None:
    """Paper over some codewords: they are filled in, and the margin left
    shrinks by one for each filled in and two for each corrected."""
    symbol = zint_image(tmp_path, "Damaged but readable text here", "--cols=4", "--secure=5")
    picture = Image.new("L", (symbol.width + 40, symbol.height + 40), 255)
    picture.paste(symbol, (20, 20))
    picture.paste(255, (100, 30, 141, 61))
    (found,) = tessoran.read(picture)
    assert found.text == "Damaged but readable text here"
    assert found.check_codewords == 64
    assert found.errors_corrected + found.erasures_filled > 0
    assert found.unused_check_codewords == (
        64 - 2 - 2 * found.errors_corrected - found.erasures_filled
    )


# Text in character sets named by an ECI designator: the ECI, zint's input,
# Python's codec for the bytes zint should write, and the library's name for
# the character set.
CHARACTER_SETS = [
    (3, "café", "latin-1", "ISO-8859-1"),
    (4, "Łódź", "iso8859_2", "ISO-8859-2"),
    (7, "Привет", "iso8859_5", "ISO-8859-5"),
    (9, "Καλημέρα", "iso8859_7", "ISO-8859-7"),
    (20, "カタカナ", "shift_jis", "Shift_JIS"),
    (22, "Привет мир", "cp1251", "windows-1251"),
    (24, "مرحبا", "cp1256", "windows-1256"),
    (25, "Grüße", "utf-16-be", "UTF-16BE"),
    (26, "Grüße ✓", "utf-8", "UTF-8"),
    (28, "中文", "big5", "Big5"),
    (29, "中文", "gb2312", "GB2312"),
    (30, "한국어", "euc_kr", "EUC-KR"),
    (33, "Grüße", "utf-16-le", "UTF-16LE"),
    (35, "Zoë", "utf-32-le", "UTF-32LE"),
]


@pytest.mark.parametrize(
    "eci, text, codec, charset", CHARACTER_SETS, ids=[case[3] for case in CHARACTER_SETS]
)
def test_text_in_the_character_set_of_its_eci(
    tmp_path: Path, eci: int, text: str, codec: str, charset: str
) -> None:
    (found,) = tessoran.read(zint_image(tmp_path, text, "--cols=3", f"--eci={eci}"))
    encoded = text.encode(codec)
    assert found.text == text
    assert found.segments == (tessoran.EciSegment(eci), tessoran.DataSegment(encoded, eci, charset))
    # The data keeps the designator inline, as six digits.
    assert found.data == b"%06d" % eci + encoded


def test_binary_data_is_no_text(tmp_path: Path) -> None:
    data = b"\x00\x01\xfe\xff binary"
    source = tmp_path / "binary.bin"
    source.write_bytes(data)
    path = tmp_path / "binary.png"
    subprocess.run(
        [_zint(), "-b", "55", "--cols=3", "--eci=899", "--binary", "-i", str(source), "-o", str(path)],
        check=True,
    )
    (found,) = tessoran.read(path)
    assert found.text is None
    assert found.segments == (tessoran.EciSegment(899), tessoran.DataSegment(data, 899, "binary"))
    assert found.data == b"000899" + data


# zint writes "café" without an ECI designator, as the Latin-1 bytes
# b"caf\xe9": the default ECI decides what they read as.
DEFAULT_ECIS = [
    ({}, "cafΘ", "CP437"),
    ({"default_eci": 2}, "cafΘ", "CP437"),
    ({"default_eci": 0}, "cafΘ", "CP437"),
    ({"default_eci": 3}, "café", "ISO-8859-1"),
    ({"default_eci": 1}, "café", "ISO-8859-1"),
    ({"default_eci": 7}, "cafщ", "ISO-8859-5"),
    ({"default_eci": 26}, None, "UTF-8"),  # a lone \xe9 is no UTF-8
    ({"default_eci": 899}, None, "binary"),
]


@pytest.mark.parametrize("keywords, text, charset", DEFAULT_ECIS, ids=[str(k) for k, _, _ in DEFAULT_ECIS])
def test_default_eci_reads_data_without_a_designator(
    tmp_path: Path, keywords: dict, text: Optional[str], charset: str
) -> None:
    image = zint_image(tmp_path, "café", "--cols=3")
    grey = image.tobytes()
    for found in (
        tessoran.read(image, **keywords),
        tessoran.read_pixels(grey, image.width, image.height, image.width, 1, **keywords),
    ):
        (symbol,) = found
        assert symbol.data == b"caf\xe9"
        assert symbol.text == text
        assert symbol.segments == (tessoran.DataSegment(b"caf\xe9", None, charset),)


# Keyword values refused, and what they raise: numbers the library refuses
# (or that no C int holds) are a BadInputError, also a ValueError; values
# that are no integer a TypeError.
BAD_KEYWORDS = [
    ({"max_symbols": -1}, tessoran.BadInputError),
    ({"max_symbols": 2**31}, tessoran.BadInputError),
    ({"default_eci": -1}, tessoran.BadInputError),
    ({"default_eci": 14}, tessoran.BadInputError),  # ISO 8859-12 was never published: no ECI 14
    ({"default_eci": 19}, tessoran.BadInputError),
    ({"default_eci": 36}, tessoran.BadInputError),
    ({"default_eci": 898}, tessoran.BadInputError),
    ({"default_eci": 2**32 + 2}, tessoran.BadInputError),  # 2 once cut to 32 bits
    ({"max_symbols": 1.5}, TypeError),
    ({"max_symbols": "1"}, TypeError),
    ({"default_eci": None}, TypeError),
    ({"default_eci": 3.0}, TypeError),
]


@pytest.mark.parametrize("keywords, raised", BAD_KEYWORDS, ids=[str(k) for k, _ in BAD_KEYWORDS])
@pytest.mark.parametrize(
    "read",
    [
        pytest.param(lambda **k: tessoran.read(HELLO_PNG, **k), id="path"),
        pytest.param(lambda **k: tessoran.read(HELLO_PNG.read_bytes(), **k), id="bytes"),
        pytest.param(lambda **k: tessoran.read(Image.open(HELLO_PNG), **k), id="PIL image"),
        pytest.param(lambda **k: tessoran.read_pixels(bytes(64), 8, 8, 8, 1, **k), id="read_pixels"),
        # Refused before the picture is read: a missing file is not the error.
        pytest.param(lambda **k: tessoran.read("/nonexistent/picture.png", **k), id="missing file"),
    ],
)
def test_bad_keyword_values_are_refused(read: Callable, keywords: dict, raised: type) -> None:
    with pytest.raises(raised) as error:
        read(**keywords)
    if raised is tessoran.BadInputError:
        assert isinstance(error.value, ValueError)
        assert error.value.status is tessoran.Status.BAD_INPUT


# Macro PDF417: a file of three parts, zint's segment index counting from 1.
PARTS = [b"The first third, ", b"the second, ", b"and the last third."]
FILE_ID = "007004"


def macro_part(directory: Path, index: int, data: bytes, file_id: str = FILE_ID) -> "Image.Image":
    return zint_image(directory, data.decode(), "--cols=4", f"--structapp={index + 1},3,{file_id}")


@pytest.fixture(scope="module")
def parts(tmp_path_factory: pytest.TempPathFactory) -> List[tessoran.Symbol]:
    """The three parts, each read from a picture of its own."""
    directory = tmp_path_factory.mktemp("parts")
    found = []
    for index, data in enumerate(PARTS):
        (symbol,) = tessoran.read(macro_part(directory, index, data))
        found.append(symbol)
    return found


def test_macro_fields(parts: List[tessoran.Symbol]) -> None:
    for index, (symbol, data) in enumerate(zip(parts, PARTS)):
        assert symbol.text == data.decode()
        assert symbol.macro == tessoran.Macro(
            segment_index=index,
            file_id=FILE_ID,
            # Codewords 7 and 4 as text: each is two letters of 30, 7 = 0 * 30 + 7
            # ("A", "H") and 4 = 0 * 30 + 4 ("A", "E").
            file_id_text="AHAE",
            segment_count=3,
            file_name=None,
            time_stamp=None,
            sender=None,
            addressee=None,
            file_size=None,
            checksum=None,
            last_segment=index == 2,
        )
        assert symbol.segments == (tessoran.DataSegment(data, None, "CP437"),)


@pytest.mark.parametrize("order", list(itertools.permutations(range(3))), ids=str)
def test_join_puts_the_parts_in_order(parts: List[tessoran.Symbol], order: Tuple[int, ...]) -> None:
    assert tessoran.join([parts[i] for i in order]) == b"".join(PARTS)
    # The same segment twice counts once; other symbols are left out.
    (other,) = tessoran.read(HELLO_PNG)
    assert tessoran.join([other, *(parts[i] for i in order), parts[order[0]]]) == b"".join(PARTS)


def test_join_the_parts_of_one_picture(tmp_path: Path) -> None:
    picture = Image.new("L", (1400, 400), 255)
    for index, turn, left in [(2, "upside down", 40), (0, "mirrored", 500), (1, "a quarter turn right", 1000)]:
        paste(picture, macro_part(tmp_path, index, PARTS[index]), turn, left, 200)
    found = tessoran.read(picture)
    assert [symbol.macro.segment_index for symbol in found if symbol.macro] == [2, 0, 1]
    assert tessoran.join(found) == b"".join(PARTS)
    # A generator will do as well as a list.
    assert tessoran.join(symbol for symbol in found) == b"".join(PARTS)


@pytest.mark.parametrize("missing", [0, 1, 2])
def test_a_missing_part_is_named(parts: List[tessoran.Symbol], missing: int) -> None:
    given = [symbol for index, symbol in enumerate(parts) if index != missing]
    with pytest.raises(tessoran.IncompleteError) as raised:
        tessoran.join(given)
    error = raised.value
    assert (error.missing, error.conflicting, error.segment_count, error.file_count) == ([missing], [], 3, 1)
    assert error.status is tessoran.Status.INCOMPLETE
    assert isinstance(error, tessoran.Error)
    assert str(error) == f"Macro PDF417 file incomplete: missing segment indices (from 0): {missing}"
    copied = pickle.loads(pickle.dumps(error))
    assert (type(copied), copied.missing, copied.conflicting, str(copied)) == (
        tessoran.IncompleteError,
        [missing],
        [],
        str(error),
    )


def test_a_part_read_with_other_data_conflicts(parts: List[tessoran.Symbol], tmp_path: Path) -> None:
    (other,) = tessoran.read(macro_part(tmp_path, 1, b"another second, "))
    with pytest.raises(tessoran.IncompleteError) as raised:
        tessoran.join([*parts, other])
    assert (raised.value.missing, raised.value.conflicting) == ([], [1])


def test_parts_of_two_files_make_none(parts: List[tessoran.Symbol], tmp_path: Path) -> None:
    (stranger,) = tessoran.read(macro_part(tmp_path, 0, PARTS[0], file_id="123"))
    with pytest.raises(tessoran.IncompleteError) as raised:
        tessoran.join([stranger, *parts])
    assert raised.value.file_count == 2


@pytest.mark.parametrize("count", [0, 1, 2])
def test_join_without_a_macro_symbol_is_no_symbol(scene: Scene, count: int) -> None:
    with pytest.raises(tessoran.NoSymbolError) as raised:
        tessoran.join(tessoran.read(scene.path, max_symbols=count)[:count])
    assert raised.value.status is tessoran.Status.NO_SYMBOL


def test_join_takes_only_symbols_read_here(parts: List[tessoran.Symbol]) -> None:
    with pytest.raises(TypeError):
        tessoran.join([parts[0], b"the second, ", parts[2]])  # type: ignore[list-item]
    # A pickled symbol (as from another process) is equal, but holds none of
    # the library's; nor does one made by hand or changed by replace().
    unpickled = pickle.loads(pickle.dumps(parts[1]))
    assert unpickled == parts[1]
    changed = replace(parts[1], data=b"changed")
    for stranger in (unpickled, changed, tessoran.Symbol(1, 1, 0, b"")):
        with pytest.raises(ValueError, match="joined"):
            tessoran.join([parts[0], stranger, parts[2]])
    # Copies share the library's symbols.
    assert tessoran.join([parts[0], copy.copy(parts[1]), copy.deepcopy(parts[2])]) == b"".join(PARTS)


def test_the_library_list_lives_as_long_as_its_symbols(tmp_path: Path) -> None:
    picture = Image.new("L", (1000, 300), 255)
    for index in range(3):
        paste(picture, macro_part(tmp_path, index, PARTS[index]), "upright", 30 + 320 * index, 150)
    found = tessoran.read(picture)
    owner = weakref.ref(found[0]._source[0])  # type: ignore[attr-defined]
    first, *_ = found
    del found, _
    gc.collect()
    # Another picture's symbols, read after the others of the first are gone,
    # join with the one kept.
    assert owner() is not None
    others = [tessoran.read(macro_part(tmp_path, index, PARTS[index]))[0] for index in (1, 2)]
    assert tessoran.join([first, *others]) == b"".join(PARTS)
    del first
    gc.collect()
    assert owner() is None


def test_the_command_line_writes_a_line_for_each_symbol(scene: Scene) -> None:
    done = subprocess.run(
        [sys.executable, "-m", "tessoran", str(scene.path)],
        capture_output=True,
        encoding="utf-8",
        timeout=60,
        check=True,
    )
    assert [line.rsplit(": ", 1)[1] for line in done.stdout.splitlines()] == scene.texts
