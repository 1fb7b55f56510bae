# SPDX-License-Identifier: Apache-2.0
"""numpy arrays of pixels: every channel count, every kind of strides, and
whether the pixels had to be copied to reach the library."""

from __future__ import annotations

from typing import Callable, List

import pytest

import tessoran
from conftest import EncodedSymbol, Grey

numpy = pytest.importorskip("numpy")


def _pixels(picture: Grey, channels: int) -> "numpy.ndarray":
    """The picture as a C-ordered (height, width, channels) array, or
    (height, width) for channels 0; grey in every colour, alpha opaque."""
    grey = numpy.frombuffer(picture.pixels, numpy.uint8).reshape(picture.height, picture.width)
    if channels == 0:
        return grey.copy()
    planes = [grey] * min(channels, 3) + [numpy.full_like(grey, 255)] * (channels - 3)
    return numpy.ascontiguousarray(numpy.stack(planes[:channels], axis=2))


def _inside(pixels: "numpy.ndarray", extra_columns: int, left: int) -> "numpy.ndarray":
    """A view of pixels inside a wider array whose other columns are dark:
    rows padded, so read at the wrong stride the picture falls apart."""
    shape = list(pixels.shape)
    shape[1] += extra_columns
    wider = numpy.zeros(shape, numpy.uint8)
    wider[:, left : left + pixels.shape[1]] = pixels
    return wider[:, left : left + pixels.shape[1]]


def _every_other_column(pixels: "numpy.ndarray") -> "numpy.ndarray":
    shape = list(pixels.shape)
    shape[1] *= 2
    spread = numpy.zeros(shape, numpy.uint8)
    spread[:, ::2] = pixels
    return spread[:, ::2]


def _first_channels_of_wider_pixels(pixels: "numpy.ndarray") -> "numpy.ndarray":
    """pixels as the first channels of an array with one channel more."""
    deep = pixels if pixels.ndim == 3 else pixels[:, :, None]
    wider = numpy.zeros(deep.shape[:2] + (deep.shape[2] + 1,), numpy.uint8)
    wider[:, :, : deep.shape[2]] = deep
    view = wider[:, :, : deep.shape[2]]
    return view if pixels.ndim == 3 else view[:, :, 0]


def _flip_of_a_flip(pixels: "numpy.ndarray") -> "numpy.ndarray":
    """The upright picture seen through negative strides in both directions."""
    return numpy.ascontiguousarray(pixels[::-1, ::-1])[::-1, ::-1]


def _rows_upside_down(pixels: "numpy.ndarray") -> "numpy.ndarray":
    return numpy.ascontiguousarray(pixels[::-1])[::-1]


# Each layout of the same pixels, and whether the library can read it in place.
LAYOUTS = {
    "C-ordered": (lambda a: a, False),
    "read-only": (lambda a: _read_only(a), False),
    "rows padded: the left of a wider array": (lambda a: _inside(a, 13, 0), False),
    "rows padded: the middle of a wider array": (lambda a: _inside(a, 21, 7), False),
    "every other column": (_every_other_column, True),
    "channels of a deeper array": (_first_channels_of_wider_pixels, True),
    "a negative-stride flip of a flip": (_flip_of_a_flip, True),
    "rows stored upside down": (_rows_upside_down, True),
    "Fortran-ordered": (lambda a: numpy.asfortranarray(a), True),
}


def _read_only(pixels: "numpy.ndarray") -> "numpy.ndarray":
    view = pixels.view()
    view.flags.writeable = False
    return view


@pytest.fixture
def copies(monkeypatch: pytest.MonkeyPatch) -> List[tuple]:
    """The shapes of the arrays the package copies to reach the library."""
    made: List[tuple] = []
    contiguous = numpy.ascontiguousarray

    def recording(array, *args, **kwargs):  # type: ignore[no-untyped-def]
        made.append(array.shape)
        return contiguous(array, *args, **kwargs)

    monkeypatch.setattr(numpy, "ascontiguousarray", recording)
    return made


@pytest.mark.parametrize("channels", [0, 1, 3, 4], ids=["(H,W)", "(H,W,1)", "RGB", "RGBA"])
@pytest.mark.parametrize("layout, copied", LAYOUTS.values(), ids=LAYOUTS.keys())
def test_reads_arrays_of_every_layout(
    binary_symbol: EncodedSymbol,
    channels: int,
    layout: Callable,
    copied: bool,
    request: pytest.FixtureRequest,
) -> None:
    pixels = layout(_pixels(binary_symbol.picture, channels))
    assert pixels.shape[:2] == (binary_symbol.picture.height, binary_symbol.picture.width)
    made = request.getfixturevalue("copies")
    (found,) = tessoran.read(pixels)
    assert (found.rows, found.columns, found.ec_level, found.data) == (
        *binary_symbol.size,
        binary_symbol.data,
    )
    assert bool(made) == copied, made


def test_an_array_without_a_symbol_gives_no_symbols(blank: Grey) -> None:
    assert tessoran.read(_pixels(blank, 3)) == []


def test_reads_a_text_symbol_from_an_array(text_symbol: EncodedSymbol) -> None:
    (found,) = tessoran.read(_pixels(text_symbol.picture, 4), default_eci=26)
    assert found.text == "Grüße ✓"


@pytest.mark.parametrize("dtype", ["uint16", "int8", "float32", "float64", "bool"])
def test_arrays_of_other_dtypes_are_a_type_error(binary_symbol: EncodedSymbol, dtype: str) -> None:
    with pytest.raises(TypeError, match=dtype):
        tessoran.read(_pixels(binary_symbol.picture, 3).astype(dtype))


@pytest.mark.parametrize(
    "shape",
    [(60,), (60, 80, 2), (60, 80, 5), (1, 60, 80, 3), ()],
    ids=["1-D", "2 channels", "5 channels", "4-D", "0-D"],
)
def test_arrays_of_other_shapes_are_a_value_error(shape: tuple) -> None:
    with pytest.raises(ValueError, match="shaped"):
        tessoran.read(numpy.full(shape, 255, numpy.uint8))


@pytest.mark.parametrize("shape", [(0, 80), (60, 0), (0, 0, 3), (0, 80, 4)])
def test_empty_arrays_are_bad_input(shape: tuple) -> None:
    with pytest.raises(tessoran.BadInputError):
        tessoran.read(numpy.zeros(shape, numpy.uint8))
