"""Pickling of images, processors and the small value classes, so that they
travel to other processes (multiprocessing, a Dask cluster) and back.

Images pickle as their pixel format, size, timestamp and pixel bytes. With
pickle protocol 5 the bytes leave as an out-of-band ``PickleBuffer`` over the
image's own memory (no copy when the pickler hands buffers on, as Dask does)
and are copied once into the new image when unpickled; older protocols carry
them in-band.

Processors pickle their settings, read from the library object through its
getters, and are rebuilt by a new object of the same class given those
settings through its setters: one table below names the pairs per class and
one reduce function serves them all. Objects tied to this process (a video
writer and its parts, iterators, measurement records that only the library
makes) refuse with a TypeError that says why.
"""

import pickle as _pickle

import numpy as _np

from . import _tarn_lux_python_interface as _lib

# Class name: (getter, setter) pairs in the order the setters are called. A
# getter that is no method (a property) is read and written as an attribute
# (setter None). The constructors of these classes take no argument.
SETTINGS = {
    "ImageConverter": (("ConversionMode", "SetConversionMode"),),
    "Gain": (("MasterGainValue", "SetMasterGainValue"), ("RedGainValue", "SetRedGainValue"),
             ("GreenGainValue", "SetGreenGainValue"), ("BlueGainValue", "SetBlueGainValue")),
    "GammaCorrector": (("GammaCorrectionValue", "SetGammaCorrectionValue"),),
    "ColorCorrector": (("ColorCorrectionFactors", "SetColorCorrectionFactors"), ("Saturation", "SetSaturation")),
    "Binning": (("BinningX", "SetBinningX"), ("BinningY", "SetBinningY"), ("Mode", "SetMode")),
    "Decimation": (("DecimationX", "SetDecimationX"), ("DecimationY", "SetDecimationY")),
    "HotpixelCorrection": (("Sensitivity", "SetSensitivity"), ("GainFactorPercent", "SetGainFactorPercent")),
    "EdgeEnhancement": (("Factor", "SetFactor"),),
    "Sharpness": (("Algorithm", "SetAlgorithm"), ("GetROIs", "SetROIs")),
    "ImageTransformer": (),
    "ImageWriterPNGParameter": (("Quality", None),),
    "ImageWriterJPEGParameter": (("Quality", None),),
}

# Value classes made again from their constructor's arguments.
_VALUES = {
    "PixelFormat": lambda v: (v.PixelFormatName(),),
    "Rect2D": lambda v: (v.left(), v.top(), v.size().width, v.size().height),
    "SharpnessROI": lambda v: (v.rect, v.xSamplingInterval, v.ySamplingInterval, v.weight),
    "ColorCorrectionFactors": lambda v: tuple(getattr(v, name) for name in v._FIELDS),
    "Size2D": tuple, "Point2D": tuple, "ScaleFactor": tuple,  # their mixins iterate over the fields
}

# Why the others cannot travel.
_REFUSALS = {
    "VideoWriter": "it holds an open file",
    "IEncoder": "it belongs to a video writer", "MJPEGEncoder": "it belongs to a video writer",
    "IContainer": "it belongs to a video writer", "AVIContainer": "it belongs to a video writer",
    "SwigPyIterator": "it walks a container of this process; pickle the container or a list",
    "Histogram": "it is the library's measurement of one image; pickle its to_numpy() bins",
}
_DEFAULT_REFUSAL = "it refers to memory of this process; pickle the values it holds instead"


def _proxy_name(cls):
    """The name of the generated class `cls` is or derives from."""
    for base in cls.__mro__:
        if base.__module__.endswith("._proxies"):
            return base.__name__
    return cls.__name__


# --- images -------------------------------------------------------------------------------

def reduce_image(image, protocol):
    """Format, size, timestamp and the pixels: a PickleBuffer over the image's
    memory for protocol 5 (the memoryview keeps the image alive for as long
    as the buffer is held), a bytes copy for older protocols."""
    fmt = _lib.PixelFormat_PixelFormatName(_lib.Image_PixelFormat(image))
    view = _lib.Image_DataView(image)
    data = _pickle.PickleBuffer(view) if protocol >= 5 else view.tobytes()
    return (restore_image, (fmt, image.Width(), image.Height(), image.Timestamp(), data))


class _Writable:
    """A writable array interface over a new image's memory; holding the
    image keeps the memory alive."""

    def __init__(self, image):
        self.image = image
        address = _np.frombuffer(_lib.Image_DataView(image), _np.uint8).__array_interface__["data"][0]
        self.__array_interface__ = {"data": (address, False), "shape": (_lib.Image_ByteCount(image),),
                                    "typestr": "|u1", "version": 3}


def restore_image(fmt, width, height, timestamp, data):
    """The image `reduce_image` describes. The pixels are copied once, from
    whatever buffer the unpickler gives (bytes, a read-only memoryview of a
    received frame, ...), into the memory of a new image of that format and
    size: the image is not yet seen by anyone, so writing it is safe even
    though its own view of the memory is read-only."""
    image = _lib.Image_CreateFromSize(fmt, width, height)
    source = _np.frombuffer(data, _np.uint8)
    target = _np.asarray(_Writable(image))
    if source.size != target.size:
        raise ValueError("a pickled %dx%d image of format %d has %d bytes of pixels, not %d"
                         % (width, height, fmt, source.size, target.size))
    target[...] = source
    if timestamp:
        image._timestamp = int(timestamp)
    return image


def image_timestamp(self):
    """The camera time of the exposure in nanoseconds.

    An image restored from a pickle reports the timestamp it was pickled
    with: the library offers no way to set an image's timestamp, so the
    package keeps it on the image object. Library calls on such an image
    (conversions, corrections) see the library's own value, 0; `Clone` and
    the steps of a `Pipeline` carry the restored timestamp over to their
    results.
    """
    restored = self.__dict__.get("_timestamp")
    return _lib.Image_Timestamp(self) if restored is None else restored


def carry_timestamp(source, result):
    """Gives `result` the restored timestamp of `source`, if it has one."""
    restored = source.__dict__.get("_timestamp")
    if restored is not None and result is not source:
        result._timestamp = restored
    return result


def equal_images(image, other):
    """Equality when either image has a restored timestamp, which the
    library's comparison does not see: format, size, timestamp and bytes."""
    if not hasattr(other, "DataView"):
        return False
    if (image.Timestamp() != other.Timestamp() or image.Width() != other.Width()
            or image.Height() != other.Height()
            or _lib.PixelFormat_PixelFormatName(_lib.Image_PixelFormat(image))
            != _lib.PixelFormat_PixelFormatName(_lib.Image_PixelFormat(other))):
        return False
    return _np.array_equal(_np.frombuffer(image.DataView(), _np.uint8), _np.frombuffer(other.DataView(), _np.uint8))


def _restored(image):
    return "_timestamp" in image.__dict__


def _comparison(native, equal):
    """The generated comparison, or `equal_images` when a restored timestamp is involved."""
    def compare(self, other):
        if _restored(self) or (hasattr(other, "__dict__") and _restored(other)):
            return equal_images(self, other) is equal
        return native(self, other)
    compare.__name__ = native.__name__
    return compare


def _clone(self):
    return carry_timestamp(self, _lib.Image_Clone(self))


_clone.__doc__ = "\nReturns a deep copy of the image, timestamp included.\n\n:rtype: :py:class:`Image`\n"


# --- processors, values, containers ---------------------------------------------------------

def _read_setting(obj, getter):
    value = getattr(obj, getter)
    return value() if callable(value) else value


def reduce_settings(obj):
    """A processor as its class and the values of its settings."""
    cls = type(obj)
    pairs = SETTINGS[_proxy_name(cls)]
    return (restore_settings, (cls, tuple(_read_setting(obj, getter) for getter, _ in pairs)))


def restore_settings(cls, values):
    """A new `cls` object given the pickled settings through its setters."""
    obj = cls()
    for (getter, setter), value in zip(SETTINGS[_proxy_name(cls)], values):
        if setter is None:
            setattr(obj, getter, value)
        else:
            getattr(obj, setter)(value)
    return obj


def reduce_value(obj):
    return (type(obj), _VALUES[_proxy_name(type(obj))](obj))


def reduce_sequence(container):
    return (type(container), (list(container),))


def reduce_exception(error):
    # The native side of an exception is made again from its message.
    return (type(error), error.args)


def refuse(obj, protocol=None):
    name = type(obj).__name__
    raise TypeError("cannot pickle %r object: %s" % (name, _REFUSALS.get(_proxy_name(type(obj)), _DEFAULT_REFUSAL)))


def _image_reduce_ex(self, protocol):
    return reduce_image(self, protocol)


def _adapter(reduce):
    # __reduce_ex__ is what pickle and copy call first; the protocol only matters to images.
    return lambda self, protocol: reduce(self)


def install(proxies):
    """Gives every class of the generated module its way to pickle (or to refuse)."""
    from . import _mixins
    for name, cls in list(vars(proxies).items()):
        if not isinstance(cls, type) or cls.__module__ != proxies.__name__:
            continue
        if issubclass(cls, BaseException):
            cls.__reduce__ = reduce_exception
            continue
        if name == "Image":
            cls.__reduce_ex__ = _image_reduce_ex
            cls.Timestamp = image_timestamp
            cls.Clone = _clone
            cls.__eq__ = _comparison(cls.__eq__, True)
            cls.__ne__ = _comparison(cls.__ne__, False)
        elif name in SETTINGS:
            cls.__reduce_ex__ = _adapter(reduce_settings)
        elif name in _VALUES:
            cls.__reduce_ex__ = _adapter(reduce_value)
        elif issubclass(cls, _mixins.SequenceMixin):
            cls.__reduce_ex__ = _adapter(reduce_sequence)
        else:
            cls.__reduce_ex__ = refuse

