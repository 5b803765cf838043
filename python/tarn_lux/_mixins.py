"""Pythonic extras mixed into the generated proxy classes."""

import os as _os

import numpy as _np

from . import _tarn_lux_python_interface as _lib
from ._enums import PixelFormatName


def _flat():
    return _lib


def pixel_format_value(value):
    """A pixel format given as an enum member, an int, a PixelFormat or a
    name ("BayerRG8", also "PixelFormatName_BayerRG8") as its int value;
    anything else unchanged, for the flat function to refuse."""
    if isinstance(value, int):
        return value
    if isinstance(value, str):
        name = value[len("PixelFormatName_"):] if value.startswith("PixelFormatName_") else value
        try:
            return PixelFormatName[name]
        except KeyError:
            raise ValueError("unknown pixel format %r" % value) from None
    if isinstance(value, PixelFormatMixin):
        return value.PixelFormatName()
    return value


def pixel_format_arguments(args, positions):
    """`args` with the pixel formats at `positions` made ints."""
    if not any(i < len(args) and not isinstance(args[i], int) for i in positions):
        return args
    args = list(args)
    for i in positions:
        if i < len(args):
            args[i] = pixel_format_value(args[i])
    return tuple(args)


# numpy element types and channel counts of the unpacked formats that map
# one-to-one onto an array (height, width[, channels]).
_ARRAY_FORMATS = {
    (_np.dtype(_np.uint8), 1): "Mono8",
    (_np.dtype(_np.uint8), 3): "RGB8",
    (_np.dtype(_np.uint8), 4): "RGBa8",
    (_np.dtype(_np.uint16), 1): "Mono12",
    (_np.dtype(_np.uint16), 3): "RGB12",
    (_np.dtype(_np.uint16), 4): "RGBa12",
}


def path_first(args):
    """The arguments with a leading ``os.PathLike`` path (``pathlib.Path``) as
    its ``str``, which is what the flat file functions take."""
    if args and isinstance(args[0], _os.PathLike):
        return (_os.fspath(args[0]),) + tuple(args[1:])
    return args


class ImageMixin:
    """Conveniences for images: a short repr, numpy in and out, equality."""

    def save(self, path, quality=None):
        """Writes the image to ``path`` (str or ``os.PathLike``); the file ending
        chooses the type: .png, .jpg/.jpeg, .bmp or .raw.

        ``quality`` (0..100) is the JPEG quality, or for PNG the effort
        (100 writes fastest, lower values write smaller files more slowly);
        None takes the defaults (JPEG 75, PNG 100).
        """
        from . import _proxies
        path = _os.fspath(path)
        if quality is None:
            return _proxies.ImageWriter.Write(path, self)
        ending = _os.path.splitext(path)[1].lower()
        if ending == ".png":
            parameter, write = _proxies.ImageWriterPNGParameter(), _proxies.ImageWriter.WriteAsPNG
        elif ending in (".jpg", ".jpeg", ".jpe", ".jfif"):
            parameter, write = _proxies.ImageWriterJPEGParameter(), _proxies.ImageWriter.WriteAsJPG
        else:
            raise ValueError("quality applies to PNG and JPEG files only, not to %r" % path)
        parameter.Quality = quality
        return write(path, self, parameter)

    def __repr__(self):
        try:
            return "<Image %dx%d %s>" % (self.Width(), self.Height(), self.PixelFormat().Name())
        except Exception:  # noqa: BLE001 - a deleted image still prints
            return "<Image (invalid)>"

    def __eq__(self, other):
        return _flat().Image___eq__(self, other)

    def __ne__(self, other):
        return _flat().Image___ne__(self, other)

    __hash__ = None  # type: ignore[assignment]

    @property
    def shape(self):
        """(height, width) in pixels."""
        return (self.Height(), self.Width())

    def to_numpy(self, copy=True):
        """The pixels as an array (height, width[, channels]) of uint8 or uint16.

        With ``copy=False`` the array shares the image's memory and is valid
        only while the image lives.
        """
        storage = self.PixelFormat().NumStorageBitsPerChannel()
        channels = self.PixelFormat().NumChannels()
        if storage == 16:
            array = self.get_numpy_3D_16()
        else:
            array = self.get_numpy_3D()
        if channels == 1:
            array = array.reshape(array.shape[0], array.shape[1])
        return array.copy() if copy else array

    def __array__(self, dtype=None):
        array = self.to_numpy()
        return array if dtype is None else array.astype(dtype)

    @classmethod
    def from_numpy(cls, array, pixel_format=None):
        """A new image holding a copy of a (height, width[, channels]) array.

        Without ``pixel_format`` the format follows the array: uint8 gives
        Mono8/RGB8/RGBa8, uint16 gives Mono12/RGB12/RGBa12. With one (an enum
        member, int, name or PixelFormat) the array must match it: uint8 for
        8-bit formats and uint16 for 10- and 12-bit ones, one channel for mono
        and Bayer formats (shape (height, width) or (height, width, 1)), three
        or four for the colour ones. Packed and YUV formats have no array form.
        """
        array = _np.asarray(array)
        if array.ndim not in (2, 3):
            raise ValueError("expected an array of shape (height, width) or (height, width, channels), got shape %s"
                             % (array.shape,))
        channels = 1 if array.ndim == 2 else array.shape[2]
        m = _flat()
        if pixel_format is None:
            try:
                name = _ARRAY_FORMATS[(array.dtype, channels)]
            except KeyError:
                raise ValueError("no pixel format for %s arrays with %d channels" % (array.dtype, channels)) from None
            pixel_format = PixelFormatName[name]
        pixel_format = pixel_format_value(pixel_format)
        _check_array_format(array, channels, pixel_format)
        array = _np.ascontiguousarray(array)
        # The image copies the pixels; the buffer it copies from must be writable.
        if not array.flags.writeable:
            array = array.copy()
        return m.Image_CreateFromSizeAndPythonBuffer(pixel_format, array, array.shape[1], array.shape[0])


def _check_array_format(array, channels, pixel_format):
    m = _flat()
    try:
        name = PixelFormatName(pixel_format).name
    except ValueError:
        raise ValueError("unknown pixel format %r" % (pixel_format,)) from None
    fmt = m.new_PixelFormat(pixel_format)
    try:
        storage = m.PixelFormat_NumStorageBitsPerChannel(fmt)
        expected_channels = m.PixelFormat_NumChannels(fmt)
        packed, yuv = m.PixelFormat_IsPacked(fmt), m.PixelFormat_IsYUV(fmt)
    finally:
        m.delete_PixelFormat(fmt)
    if packed or yuv or storage not in (8, 16):
        raise ValueError("%s is a packed format: it has no array form; use Image.CreateFromSizeAndPythonBuffer "
                         "with its bytes" % name)
    dtype = _np.dtype(_np.uint8 if storage == 8 else _np.uint16)
    if array.dtype != dtype:
        raise ValueError("%s pixels are %s, got an array of %s" % (name, dtype, array.dtype))
    if channels != expected_channels:
        raise ValueError("%s has %d channels, got an array with %d channels (shape %s)"
                         % (name, expected_channels, channels, array.shape))


class PixelFormatMixin:
    """Pixel formats from an enum member, an int, a name ("BayerRG8") or
    another PixelFormat."""

    def __init__(self, *args):
        if len(args) == 1 and not isinstance(args[0], PixelFormatMixin):
            args = (pixel_format_value(args[0]),)
        _lib.PixelFormat_swiginit(self, _lib.new_PixelFormat(*args))

    def __repr__(self):
        return "<PixelFormat %s>" % self.Name()

    def __hash__(self):
        return hash(self.PixelFormatName())


class ValueMixin:
    """Value classes built from their values (``Size2D(640, 480)``,
    ``Point2D(x=1, y=2)``) or empty (all zero), with reprs that show them."""

    _fields: tuple = ()

    def __init__(self, *args, **kwargs):
        cls = type(self).__name__
        native = self._native_name()
        getattr(_lib, native + "_swiginit")(self, getattr(_lib, "new_" + native)())
        if len(args) > len(self._fields):
            raise TypeError("%s takes at most %d values, got %d" % (cls, len(self._fields), len(args)))
        values = dict(zip(self._fields, args))
        for name, value in kwargs.items():
            if name not in self._fields or name in values:
                raise TypeError("%s got an unexpected or repeated value %r" % (cls, name))
            values[name] = value
        for name, value in values.items():
            setattr(self, name, value)

    @classmethod
    def _native_name(cls):
        return next(base.__name__ for base in cls.__mro__ if base.__module__.endswith("_proxies"))

    def __repr__(self):
        values = ", ".join("%s=%r" % (name, getattr(self, name)) for name in self._fields)
        return "%s(%s)" % (type(self).__name__, values)

    def __iter__(self):
        return iter(tuple(getattr(self, name) for name in self._fields))


class Size2DMixin(ValueMixin):
    _fields = ("width", "height")


class Point2DMixin(ValueMixin):
    _fields = ("x", "y")


class ScaleFactorMixin(ValueMixin):
    _fields = ("x", "y")


class Rect2DMixin:
    """``Rect2D(x, y, width, height)``, ``Rect2D(point, size)``, keywords or empty."""

    def __init__(self, *args, **kwargs):
        if kwargs:
            given = dict(zip(("x", "y", "width", "height"), args))
            for name, value in kwargs.items():
                if name not in ("x", "y", "width", "height") or name in given:
                    raise TypeError("Rect2D got an unexpected or repeated value %r" % name)
                given[name] = value
            args = tuple(given.get(name, 0) for name in ("x", "y", "width", "height"))
        if not args:
            args = (0, 0, 0, 0)
        _lib.Rect2D_swiginit(self, _lib.new_Rect2D(*args))

    def __repr__(self):
        return "Rect2D(x=%d, y=%d, width=%d, height=%d)" % (self.left(), self.top(), self.size().width,
                                                            self.size().height)


class SequenceMixin:
    """The containers (VectorInt32, VectorPoint2D, ...) as Python sequences.

    Length, indexing, slicing, deletion and assignment come from the native
    functions, which follow Python's index and slice rules; this adds
    iteration, ``in``, equality with lists and a repr that shows the elements.
    Elements of the object containers come out as references into the
    vector: changing ``v[0].x`` changes the vector.
    """

    def __iter__(self):
        return self.iterator()

    def __contains__(self, value):
        return any(element == value for element in self)

    def __repr__(self):
        try:
            return "%s(%r)" % (type(self).__name__, list(self))
        except Exception:  # noqa: BLE001 - a deleted container still prints
            return "<%s (invalid)>" % type(self).__name__

    def __eq__(self, other):
        if isinstance(other, (list, SequenceMixin)):
            return len(self) == len(other) and all(a == b for a, b in zip(self, other))
        return NotImplemented

    def __ne__(self, other):
        equal = self.__eq__(other)
        return equal if equal is NotImplemented else not equal

    __hash__ = None  # type: ignore[assignment]

    def extend(self, values):
        for value in values:
            self.append(value)

    def count(self, value):
        return sum(1 for element in self if element == value)

    def index(self, value):
        for position, element in enumerate(self):
            if element == value:
                return position
        raise ValueError("%r is not in %s" % (value, type(self).__name__))

    def tolist(self):
        return list(self)


class IteratorMixin:
    """SwigPyIterator objects are Python iterators themselves."""

    def __iter__(self):
        return self

from ._processing_mixins import (ColorCorrectionFactorsMixin, ColorCorrectorMixin, GainMixin,  # noqa: E402,F401
                                 GammaCorrectorMixin, HistogramMixin, PixelLineMixin)

class SharpnessROIMixin:
    def __repr__(self):
        r = self.rect
        return "SharpnessROI(rect=Rect2D(x=%d, y=%d, width=%d, height=%d), xSamplingInterval=%d, " \
               "ySamplingInterval=%d, weight=%d)" % (r.left(), r.top(), r.right() - r.left(), r.bottom() - r.top(),
                                                    self.xSamplingInterval, self.ySamplingInterval, self.weight)

class VideoWriterMixin:
    """``VideoWriter(path, fps=..., quality=..., queue_size=...)`` opens at once, and the
    writer is a context manager that closes the video (writing what is queued)."""

    def __init__(self, *args, fps=None, quality=None, queue_size=None):
        m = _flat()
        path = args[0] if len(args) == 1 and isinstance(args[0], (str, _os.PathLike)) else None
        # A path opens a new video; otherwise the native forms: empty, or moved from another writer.
        m.VideoWriter_swiginit(self, m.new_VideoWriter() if path is not None else m.new_VideoWriter(*args))
        if path is not None:
            m.VideoWriter_Open(self, _os.fspath(path))
        if fps is not None:
            m.AVIContainer_SetFramerate(m.VideoWriter_Container(self), fps)
        if quality is not None:
            m.MJPEGEncoder_SetQuality(m.VideoWriter_Encoder(self), quality)
        if queue_size is not None:
            m.VideoWriter_SetQueueSize(self, queue_size)

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        if self.IsOpen():
            self.Close()
        return False

    def __repr__(self):
        try:
            state = "open" if self.IsOpen() else "closed"
        except Exception:  # noqa: BLE001 - a moved-from writer still prints
            state = "empty"
        return "<VideoWriter %s>" % state
