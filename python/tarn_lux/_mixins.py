"""Pythonic extras mixed into the generated proxy classes."""

import os as _os

import numpy as _np


def _flat():
    from . import _tarn_lux_python_interface
    return _tarn_lux_python_interface


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


class ImageMixin:
    """Conveniences for images: a short repr, numpy in and out, equality."""

    def __repr__(self):
        try:
            return "<Image %dx%d %s>" % (self.Width(), self.Height(), self.PixelFormat().Name())
        except Exception:  # noqa: BLE001 - a deleted image still prints
            return "<Image (invalid)>"

    def __eq__(self, other):
        return _flat().Image___eq__(self, other)

    def __ne__(self, other):
        return _flat().Image___ne__(self, other)

    __hash__ = None

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
        Mono8/RGB8/RGBa8, uint16 gives Mono12/RGB12/RGBa12.
        """
        array = _np.ascontiguousarray(array)
        if array.ndim not in (2, 3):
            raise ValueError("expected an array of shape (height, width) or (height, width, channels)")
        channels = 1 if array.ndim == 2 else array.shape[2]
        m = _flat()
        if pixel_format is None:
            try:
                pixel_format = getattr(m, "PixelFormatName_" + _ARRAY_FORMATS[(array.dtype, channels)])
            except KeyError:
                raise ValueError("no pixel format for %s arrays with %d channels" % (array.dtype, channels)) from None
        # The image copies the pixels; the buffer it copies from must be writable.
        if not array.flags.writeable:
            array = array.copy()
        return m.Image_CreateFromSizeAndPythonBuffer(pixel_format, array, array.shape[1], array.shape[0])


class PixelFormatMixin:
    def __repr__(self):
        return "<PixelFormat %s>" % self.Name()

    def __hash__(self):
        return hash(self.PixelFormatName())


class ValueMixin:
    """Reprs for the plain value classes."""

    _fields = ()

    def __repr__(self):
        values = ", ".join("%s=%r" % (name, getattr(self, name)) for name in self._fields)
        return "%s(%s)" % (type(self).__name__, values)


class Size2DMixin(ValueMixin):
    _fields = ("width", "height")


class Point2DMixin(ValueMixin):
    _fields = ("x", "y")


class ScaleFactorMixin(ValueMixin):
    _fields = ("x", "y")


class Rect2DMixin:
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

    __hash__ = None

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
