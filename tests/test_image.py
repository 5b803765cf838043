"""Images: creation, queries, memory views, numpy arrays and equality."""

import gc
import threading
import time

import numpy as np
import pytest


@pytest.fixture
def rgb(t):
    array = (np.arange(48 * 64 * 3) % 251).astype(np.uint8).reshape(48, 64, 3)
    return t.Image.from_numpy(array), array


def test_factories_and_queries(m, t):
    image = m.Image_CreateFromSize(m.PixelFormatName_Mono12, 7, 5)
    assert (image.Width(), image.Height(), image.ByteCount()) == (7, 5, 70)
    assert image.Size() == t.Size2D.New(7, 5)
    assert image.PixelFormat().Name() == "Mono12"
    assert image.Timestamp() == 0
    assert image.Empty() is False
    assert m.Image_CreateFromSize(m.PixelFormatName_Invalid, 0, 0).Empty() is True
    assert not image.get_numpy_1D().any()
    assert repr(image) == "<Image 7x5 Mono12>"


def test_factory_argument_errors(m, t):
    with pytest.raises(TypeError, match=r"^in method 'Image_CreateFromSize', argument 1 of type "
                                        r"'tarn::lux::PixelFormatName'$"):
        m.Image_CreateFromSize("Mono8", 1, 1)
    with pytest.raises(TypeError, match=r"^in method 'Image_CreateFromSizeAndBuffer', argument 2 of type 'void \*'$"):
        m.Image_CreateFromSizeAndBuffer(m.PixelFormatName_Mono8, 5, 1, 1, 1)
    with pytest.raises(TypeError, match=r"^in method 'Image_CreateFromSizeAndPythonBuffer', argument 2 of type "
                                        r"'\(uint8_t\* buffer, size_t bufferSize_bytes\)'$"):
        m.Image_CreateFromSizeAndPythonBuffer(m.PixelFormatName_Mono8, b"abcd", 2, 2)
    with pytest.raises(OverflowError, match=r"^in method 'Image_CreateFromSizeAndPythonBuffer', argument 4 of type "
                                            r"'size_t'$"):
        m.Image_CreateFromSizeAndPythonBuffer(m.PixelFormatName_Mono8, bytearray(4), -2, 2)
    with pytest.raises(t.Exception, match=r"BUFFER_TOO_SMALL"):
        m.Image_CreateFromSizeAndPythonBuffer(m.PixelFormatName_Mono8, bytearray(3), 2, 2)
    with pytest.raises(t.Exception):
        m.Image_CreateFromSize(m.PixelFormatName_RGB8, 2 ** 40, 2 ** 40)
    with pytest.raises(ValueError, match=r"^invalid null reference in method 'Image_Width', argument 1 of type "
                                         r"'tarn::lux::Image const \*'$"):
        m.Image_Width(None)


def test_buffer_factory_copies_the_bytes(m):
    data = bytearray(range(6))
    image = m.Image_CreateFromSizeAndPythonBuffer(m.PixelFormatName_Mono8, data, 3, 2)
    data[0] = 99
    assert image.get_numpy_2D().tolist() == [[0, 1, 2], [3, 4, 5]]


@pytest.mark.parametrize("name, width, height, shapes", [
    ("RGB8", 640, 480, {"2D": (480, 1920), "3D": (480, 640, 3), "1D": (921600,)}),
    ("Mono12", 640, 480, {"2D_16": (480, 640), "3D_16": (480, 640, 1), "1D_16": (307200,), "2D": (480, 1280)}),
    ("RGB10", 8, 4, {"3D": (4, 8, 6), "3D_16": (4, 8, 3)}),
    ("BGRa8", 5, 3, {"3D": (3, 5, 4), "3D_16": (3, 5, 2)}),
    ("Mono8", 6, 2, {"3D": (2, 6, 1)}),
    ("RGB10p32", 4, 2, {"3D": (2, 4, 4), "2D_16": (2, 8)}),
])
def test_numpy_shapes_and_types(m, name, width, height, shapes):
    image = m.Image_CreateFromSize(getattr(m, "PixelFormatName_" + name), width, height)
    for kind, shape in shapes.items():
        array = getattr(image, "get_numpy_" + kind)()
        assert array.shape == shape, kind
        assert array.dtype == (np.uint16 if kind.endswith("_16") else np.uint8)
        assert array.flags["C_CONTIGUOUS"] and array.flags["WRITEABLE"] and not array.flags["OWNDATA"]
        assert array.base is None


@pytest.mark.parametrize("name", ["Mono10p", "Mono12p", "BayerRG12p", "BayerGB10p"])
@pytest.mark.parametrize("function", ["1D", "2D", "3D", "1D_16", "2D_16", "3D_16"])
def test_packed_formats_are_refused(m, t, name, function):
    image = m.Image_CreateFromSize(getattr(m, "PixelFormatName_" + name), 4, 2)
    with pytest.raises(t.Exception) as error:
        getattr(m, "Image_get_numpy_" + function)(image)
    assert str(error.value) == f"get_numpy_{function}() does not support packed pixel formats like {name}!"
    assert len(image.DataView()) == image.ByteCount()


def test_sixteen_bit_views_never_reach_past_the_image(m, t):
    image = m.Image_CreateFromSize(m.PixelFormatName_RGB8, 3, 3)
    with pytest.raises(t.Exception, match="get_numpy_2D_16"):
        image.get_numpy_2D_16()
    odd = m.Image_CreateFromSize(m.PixelFormatName_Mono8, 3, 1)
    assert odd.get_numpy_1D_16().shape == (1,)


def test_writes_through_arrays_show_in_the_read_only_view(m):
    image = m.Image_CreateFromSize(m.PixelFormatName_Mono8, 4, 4)
    image.get_numpy_1D()[0] = 255
    view = image.DataView()
    assert view[0] == 255 and view.readonly and view.obj is image
    with pytest.raises(TypeError):
        view[0] = 1


def test_memory_view_keeps_its_image_alive(m):
    image = m.Image_CreateFromSize(m.PixelFormatName_Mono8, 16, 16)
    image.get_numpy_1D()[:] = 7
    view = image.DataView()
    del image
    gc.collect()
    assert bytes(view) == b"\x07" * 256
    view.release()


def test_equality_clone_and_not_implemented(m, rgb):
    image, _ = rgb
    clone = image.Clone()
    assert m.Image___eq__(image, clone) is True and m.Image___ne__(image, clone) is False
    clone.get_numpy_1D()[5] ^= 1
    assert image != clone
    assert m.Image___eq__(image, 3) is NotImplemented
    assert (image == "x") is False


def test_numpy_round_trip_helpers(t, rgb):
    image, array = rgb
    assert np.array_equal(image.to_numpy(), array)
    assert np.array_equal(np.asarray(image), array)
    words = np.arange(12, dtype=np.uint16).reshape(3, 4)
    assert np.array_equal(t.Image.from_numpy(words).to_numpy(), words)
    assert t.Image.from_numpy(words).PixelFormat().Name() == "Mono12"
    with pytest.raises(ValueError):
        t.Image.from_numpy(np.zeros((2, 2, 2), np.float32))
    # Read-only and strided arrays are taken too, and the image is a copy.
    frozen = array.copy()
    frozen.flags.writeable = False
    assert np.array_equal(t.Image.from_numpy(frozen).to_numpy(), array)
    strided = t.Image.from_numpy(array[::2, ::3])
    assert np.array_equal(strided.to_numpy(), array[::2, ::3])
    source = array.copy()
    copied = t.Image.from_numpy(source)
    source[:] = 0
    assert np.array_equal(copied.to_numpy(), array)


def test_delete_image_none_and_twice(m):
    assert m.delete_Image(None) is None
    image = m.Image_CreateFromSize(m.PixelFormatName_Mono8, 2, 2)
    m.delete_Image(image)
    # The deleted image is gone for good: no call reaches freed memory.
    with pytest.raises(ValueError, match="invalid null reference in method 'Image_Width'"):
        image.Width()
    assert m.delete_Image(image) is None
