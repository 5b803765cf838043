"""Geometry values, ranges and pixel formats."""

import pytest


def test_value_classes_round_trip_fields(t):
    size = t.Size2D.New(3, 4)
    size.height = 9
    assert (size.width, size.height) == (3, 9)
    point = t.Point2D()
    point.x, point.y = 5, 6
    assert (point.x, point.y) == (5, 6)
    factor = t.ScaleFactor.New(0.5, 2)
    assert (factor.x, factor.y) == (0.5, 2.0)


def test_rectangle_edges_and_setters(t):
    rect = t.Rect2D(10, 20, 5, 7)
    assert (rect.left(), rect.top(), rect.right(), rect.bottom()) == (10, 20, 15, 27)
    rect.setSize(t.Size2D.New(1, 2))
    rect.setX(3)
    rect.setY(4)
    assert rect == t.Rect2D(t.Point2D.New(3, 4), t.Size2D.New(1, 2))
    rect.setWidth(8)
    rect.setHeight(9)
    assert rect.size() == t.Size2D.New(8, 9)


@pytest.mark.parametrize("cls, args, message", [
    ("RangeInt32", (5, 5, 0), "min == max is not allowed!"),
    ("RangeInt32", (5, 5, 1), "inc > max - min is not allowed!"),
    ("RangeInt32", (0, 10, -1), "inc < 0 is not allowed!"),
    ("RangeInt32", (10, 0, 1), "min > max is not allowed!"),
    ("RangeUint32", (0, 10, 11), "inc > max - min is not allowed!"),
    ("RangeDouble", (1.0, 1.0000000000000002, 0.0), "min == max is not allowed!"),
    ("RangeDouble", (0.0, 1.0, -0.5), "inc < 0 is not allowed!"),
    ("RangeUInt8", (3, 3, 0), "min == max is not allowed!"),
])
def test_range_validation_messages(t, cls, args, message):
    with pytest.raises(t.InvalidArgumentException, match=f"^{message}$"):
        getattr(t, cls)(*args)


def test_range_span_beyond_32_bits_is_allowed(t):
    assert t.RangeInt32(-2000000000, 2000000000, 1).Increment() == 1


def test_in_range_counts_divisibility_from_zero(t, m):
    r = t.RangeInt32(1, 9, 2)
    assert [r.InRange(v) for v in (3, 4, 10, 1)] == [False, True, False, False]
    assert t.RangeInt32(-9, 9, 0).InRange(-7)
    assert t.RangeInt32(-9, 9, 3).InRange(-6)
    d = t.RangeDouble(0.0, 1.0, 0.1)
    assert [d.InRange(v) for v in (0.3, 0.5, 0.0)] == [False, False, True]
    assert t.RangeDouble(0.0, 1.0, 0.25).InRange(1.0)
    with pytest.raises(OverflowError):
        m.new_RangeUint32(0, 10, -1)


def test_pixel_format_names_and_texts(t, m):
    assert t.PixelFormat().Name() == "Invalid"
    assert t.PixelFormat(m.PixelFormatName_BayerRG10g40ORX).Name() == "BayerRG10g40ORX"
    assert m.PixelFormatNameEnumEntryToString(5) == "INVALID PIXEL FORMAT VALUE"
    assert m.ConversionModeEnumEntryToString(0) == "INVALID CONVERSION MODE VALUE"
    assert m.ConversionModeEnumEntryToString(2) == "HighQuality"
    assert m.EndiannessEnumEntryToString(1) == "LittleEndian"
    assert m.EndiannessEnumEntryToString(7) == "INVALID ENDIANNESS VALUE"
    assert m.OrientationEnumEntryToString(1) == "Vertical"
    assert m.OrientationEnumEntryToString(-1) == "INVALID ORIENTATION VALUE"
    for name in (n for n in dir(m) if n.startswith("PixelFormatName_")):
        assert m.PixelFormatNameEnumEntryToString(getattr(m, name)) == name[len("PixelFormatName_"):]


def test_pixel_format_equality_copy_and_implicit_conversion(t, m):
    p = t.PixelFormat(m.PixelFormatName_Mono8)
    assert m.PixelFormat___eq__(p, m.PixelFormatName_Mono8) is True
    assert m.PixelFormat___eq__(p, m.PixelFormatName_Mono12) is False
    assert m.PixelFormat___eq__(p, "nonsense") is NotImplemented
    copy = t.PixelFormat(p)
    assert copy.PixelFormatName() == p.PixelFormatName() == m.PixelFormatName_Mono8
    # The package takes names; the flat constructor keeps its exact rules.
    assert t.PixelFormat("Mono8") == p
    with pytest.raises(TypeError, match="Wrong number or type of arguments for overloaded function 'new_PixelFormat'"):
        m.new_PixelFormat("Mono8")


@pytest.mark.parametrize("name, expected", [
    ("Mono8", (8, 8, 1, 255, 8, 8, False, False, False, 1)),
    ("Mono12", (12, 16, 1, 4095, 12, 16, False, False, False, 1)),
    ("Mono12p", (12, 12, 1, 4095, 12, 12, True, False, False, 1)),
    ("BayerRG10", (10, 16, 1, 1023, 10, 16, False, True, False, 3)),
    ("RGB8", (8, 8, 3, 255, 24, 24, False, False, False, 1)),
    ("BGRa12", (12, 16, 4, 4095, 48, 64, False, False, False, 1)),
    ("RGB10p32", (10, 10, 3, 1023, 30, 32, True, False, False, 1)),
])
def test_pixel_format_properties_come_from_the_library(t, m, name, expected):
    p = t.PixelFormat(getattr(m, "PixelFormatName_" + name))
    got = (p.NumSignificantBitsPerChannel(), p.NumStorageBitsPerChannel(), p.NumChannels(),
           p.MaximumValuePerChannel(), p.NumSignificantBitsPerPixel(), p.NumStorageBitsPerPixel(), p.IsPacked(),
           p.IsBayered(), p.IsYUV(), p.BayerPattern())
    assert got == expected
    assert p.CalculateStorageSizeOfPixels(10) == (10 * expected[5] + 7) // 8
    assert p.Endianness() == m.Endianness_LittleEndian
    with pytest.raises(OverflowError, match=r"^in method 'PixelFormat_CalculateStorageSizeOfPixels', argument 2 "
                                            r"of type 'uint64_t'$"):
        p.CalculateStorageSizeOfPixels(-1)
