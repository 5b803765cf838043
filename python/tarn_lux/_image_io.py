"""Images in and out of pipelines: files by ending or as headerless raw
frames, packed camera frames unpacked to 16-bit words, and whatever a
pipeline is given (an image, an array, a path) made an image."""

import os as _os
import re as _re
import threading as _threading

import numpy as _np

from . import _tarn_lux_python_interface as _lib
from ._enums import PixelFormatName
from ._mixins import pixel_format_value

# Packed formats and the unpacked format of the same pattern and depth.
_PACKED = _re.compile(r"^((?:Bayer(?:RG|GB|GR|BG)|Mono)1[02])(?:p|g40ORX|g24ORX)$")


def _format_name(value):
    return PixelFormatName(pixel_format_value(value)).name


# --- images in and out ----------------------------------------------------------------

def _image_class():
    from . import Image
    return Image


def read_image(path, raw=None, size=None):
    """An image from a file: BMP, PNG, JPEG or what the library reads by
    ending; with ``raw`` (a pixel format) and ``size`` ((width, height) or
    "WxH") a headerless file of exactly that many bytes."""
    path = _os.fspath(path)
    if raw is None:
        return _lib.ImageReader_Read(path)
    width, height = _parse_size(size)
    name = pixel_format_value(raw)
    with open(path, "rb") as file:
        if width <= 0 or height <= 0:
            raise ValueError("%s: a frame of %dx%d pixels has no pixels" % (path, width, height))
        # Byte counts of packed formats depend on the pixel count only (whole
        # frames are one bit stream), so no image needs to be made to know it.
        fmt = _lib.new_PixelFormat(name)
        expected = _lib.PixelFormat_CalculateStorageSizeOfPixels(fmt, width * height)
        if _lib.PixelFormat_IsYUV(fmt):  # the chroma plane covers 2x2 blocks, rounded up
            expected = width * height + 2 * ((width + 1) // 2) * ((height + 1) // 2)
        length = _os.fstat(file.fileno()).st_size
        if length != expected:
            raise ValueError("%s: %d bytes, but a %dx%d %s frame has %d" % (path, length, width, height,
                                                                           _format_name(name), expected))
        data = _frame_buffer(expected)
        if file.readinto(data) != expected or file.read(1):
            raise ValueError("%s: the file changed while it was read" % path)
    return _lib.Image_CreateFromSizeAndPythonBuffer(name, data, width, height)


_buffers = _threading.local()


def _frame_buffer(size):
    """A writable buffer of `size` bytes that this thread reuses for every
    raw file (the image copies from it). A new block per frame would be
    handed back to the system when freed and cost page faults on every frame
    wherever the allocator is set to trim eagerly, as Dask's workers are."""
    buffer = getattr(_buffers, "data", None)
    if buffer is None or len(buffer) < size:
        buffer = _buffers.data = bytearray(size)
    return memoryview(buffer)[:size]


def _parse_size(size):
    if size is None:
        raise ValueError("a headerless raw file needs its size (width and height)")
    if isinstance(size, str):
        try:
            width, height = (int(part) for part in size.lower().split("x"))
        except ValueError:
            raise ValueError("size %r is not WIDTHxHEIGHT" % size) from None
        return width, height
    width, height = size
    return int(width), int(height)


_WRITERS = {".png": "png", ".jpg": "jpg", ".jpeg": "jpg", ".bmp": "bmp", ".raw": "raw"}


def write_image(path, image, quality=None):
    """Writes by the file's ending (.png, .jpg/.jpeg, .bmp, .raw); ``quality``
    is the JPEG quality (0-100) or the PNG compression effort."""
    path = _os.fspath(path)
    kind = _WRITERS.get(_os.path.splitext(path)[1].lower())
    if kind == "png" and quality is not None:
        parameter = _lib.new_ImageWriterPNGParameter()
        _lib.ImageWriterPNGParameter_Quality_set(parameter, int(quality))
        _lib.ImageWriter_WriteAsPNG(path, image, parameter)
    elif kind == "jpg" and quality is not None:
        parameter = _lib.new_ImageWriterJPEGParameter()
        _lib.ImageWriterJPEGParameter_Quality_set(parameter, int(quality))
        _lib.ImageWriter_WriteAsJPG(path, image, parameter)
    else:
        _lib.ImageWriter_Write(path, image)


def unpack(image, converter=None):
    """A packed frame (BayerRG12p, Mono10g40ORX, ...) unpacked to the format of
    the same pattern and depth in 16-bit words (BayerRG12, Mono10), which has
    an array form; any other image is returned as it is."""
    name = PixelFormatName(_lib.PixelFormat_PixelFormatName(_lib.Image_PixelFormat(image))).name
    match = _PACKED.match(name)
    if not match:
        return image
    return _lib.ImageConverter_Convert(converter or _lib.new_ImageConverter(), image, PixelFormatName[match.group(1)])


def _as_image(item):
    Image = _image_class()
    if isinstance(item, Image):
        return item
    if isinstance(item, _np.ndarray):
        return Image.from_numpy(item)
    return read_image(item)
