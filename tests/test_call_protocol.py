"""Argument conversion, its messages, overload dispatch and error translation."""

import math
import threading

import pytest


def test_scalar_ranges_and_types(m, t):
    r = t.Rect2D(0, 0, 1, 1)
    with pytest.raises(OverflowError, match=r"^in method 'Rect2D_setWidth', argument 2 of type 'size_t'$"):
        m.Rect2D_setWidth(r, -1)
    with pytest.raises(TypeError, match=r"^in method 'Rect2D_setWidth', argument 2 of type 'size_t'$"):
        m.Rect2D_setWidth(r, 1.5)
    with pytest.raises(OverflowError, match=r"^in method 'Rect2D_setWidth', argument 2 of type 'size_t'$"):
        m.Rect2D_setWidth(r, 2 ** 64)
    m.Rect2D_setWidth(r, 2 ** 64 - 1)
    assert r.size().width == 2 ** 64 - 1
    with pytest.raises(OverflowError, match=r"^in method 'new_RangeUInt8', argument 2 of type 'unsigned char'$"):
        m.new_RangeUInt8(0, 256, 1)
    with pytest.raises(TypeError, match=r"^in method 'new_RangeUInt8', argument 3 of type 'unsigned char'$"):
        m.new_RangeUInt8(0, 10, "1")
    assert t.RangeDouble(0, 10, 1).Maximum() == 10.0
    assert t.RangeInt32(True, 5, 1).Minimum() == 1
    with pytest.raises(OverflowError, match=r"^in method 'OrientationEnumEntryToString', argument 1 of type 'int32_t'$"):
        m.OrientationEnumEntryToString(2 ** 31)
    with pytest.raises(TypeError, match=r"^in method 'OrientationEnumEntryToString', argument 1 of type 'int32_t'$"):
        m.OrientationEnumEntryToString(None)


def test_double_arguments_accept_ints_and_refuse_others(m):
    f = m.ScaleFactor_New(1, 2)
    assert (f.x, f.y) == (1.0, 2.0)
    with pytest.raises(TypeError, match=r"^in method 'ScaleFactor_x_set', argument 2 of type 'double'$"):
        m.ScaleFactor_x_set(f, 10 ** 400)
    m.ScaleFactor_x_set(f, math.inf)
    assert f.x == math.inf


def test_count_messages(m):
    with pytest.raises(TypeError, match=r"^new_RangeUint32 expected 3 arguments, got 2$"):
        m.new_RangeUint32(1, 2)
    with pytest.raises(TypeError, match=r"^Size2D_New expected 2 arguments, got 3$"):
        m.Size2D_New(1, 2, 3)


def test_overload_messages(m):
    prototypes = ("Wrong number or type of arguments for overloaded function 'new_Rect2D'.\n"
                  "  Possible C/C++ prototypes are:\n"
                  "    tarn::lux::Rect2D::Rect2D(size_t,size_t,size_t,size_t)\n"
                  "    tarn::lux::Rect2D::Rect2D(tarn::lux::Point2D const &,tarn::lux::Size2D const &)\n")
    with pytest.raises(TypeError) as error:
        m.new_Rect2D(1, 2, 3)
    assert str(error.value) == prototypes
    with pytest.raises(TypeError) as error:
        m.new_Rect2D(1, 2, 3, 4, 5)
    assert str(error.value) == ("new_Rect2D expected at most 4 arguments, got 5\nAdditional information:\n"
                                + prototypes)
    # An out-of-range integer fails the candidate instead of raising OverflowError.
    with pytest.raises(TypeError, match="Wrong number or type"):
        m.new_Rect2D(-1, 2, 3, 4)


def test_null_references_and_null_self(m, t):
    with pytest.raises(ValueError, match=r"^invalid null reference in method 'Rect2D_setSize', "
                                         r"argument 2 of type 'tarn::lux::Size2D const &'$"):
        m.Rect2D_setSize(t.Rect2D(0, 0, 0, 0), None)
    with pytest.raises(ValueError, match=r"^invalid null reference in method 'Rect2D_left', "
                                         r"argument 1 of type 'tarn::lux::Rect2D const \*'$"):
        m.Rect2D_left(None)
    assert m.Size2D_width_set(None, 3) is None
    with pytest.raises(TypeError, match=r"^in method 'Size2D_width_get', argument 1 of type 'tarn::lux::Size2D \*'$"):
        m.Size2D_width_get(t.Point2D())


def test_module_comparisons(m, t):
    assert m.__eq__(t.Size2D.New(1, 2), t.Size2D.New(1, 2)) is True
    assert m.__ne__(t.Point2D.New(1, 2), t.Point2D.New(1, 3)) is True
    assert m.__eq__(t.Size2D(), t.Point2D()) is NotImplemented
    assert m.__eq__(m.new_Rect2D(t.Point2D.New(1, 2), t.Size2D.New(3, 4)), m.new_Rect2D(1, 2, 3, 4)) is True
    assert t.Size2D.New(1, 2) == t.Size2D.New(1, 2)
    assert t.Size2D.New(1, 2) != t.Point2D.New(1, 2)
    with pytest.raises(TypeError, match="__eq__ expected at most 2 arguments, got 3"):
        m.__eq__(1, 2, 3)


def test_strings_encode_utf8_and_refuse_surrogates(m):
    native = m.new_Exception("h\u00e9llo")
    assert native.own()
    with pytest.raises(TypeError, match=r"^in method 'new_Exception', argument 1 of type 'std::string const &'$"):
        m.new_Exception("\udc80")
    with pytest.raises(TypeError, match=r"^in method 'new_Exception', argument 1 of type 'std::string const &'$"):
        m.new_Exception(b"bytes")
    with pytest.raises(ValueError, match=r"^invalid null reference in method 'new_Exception', argument 1"):
        m.new_Exception(None)


def test_library_errors_map_to_registered_classes(m, t):
    with pytest.raises(t.InvalidArgumentException) as error:
        m.Image_CreateFromSize(12345, 2, 2)
    assert str(error.value).startswith("[Error-Code: 5 (TARN_LUX_RETURN_CODE_INVALID_ARGUMENT) | Error-Description: ")
    assert str(error.value).endswith("]")
    # Code 4 has no clause of its own: it arrives as the base class.
    with pytest.raises(t.Exception) as error:
        m.Image_CreateFromSizeAndPythonBuffer(m.PixelFormatName_Mono8, bytearray(3), 2, 2)
    assert type(error.value) is t.Exception
    assert str(error.value).startswith("[Error-Code: 4 (TARN_LUX_RETURN_CODE_BUFFER_TOO_SMALL) | Error-Description: ")


def test_library_calls_from_threads_keep_their_own_errors(m, t):
    failures = []

    def work(width):
        for _ in range(200):
            try:
                m.Image_CreateFromSizeAndPythonBuffer(m.PixelFormatName_Mono8, bytearray(1), width, 1)
            except t.Exception as error:
                if f"{width}" not in str(error):
                    failures.append(str(error))

    threads = [threading.Thread(target=work, args=(w,)) for w in (17, 29)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []
