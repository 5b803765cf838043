"""tarn_lux: camera-image processing for Python.

The classes mirror the native ones (``Image``, ``ImageConverter``, ...), with
methods named as the native methods; the flat functions stay reachable
through :mod:`tarn_lux._tarn_lux_python_interface`.
"""

from ._proxies import *  # noqa: F401,F403
from ._proxies import _lib  # noqa: F401


def read(path, pixel_format=None):
    """Reads an image file (str or ``os.PathLike``); the file ending chooses the
    type. ``pixel_format`` (a ``PixelFormat``, a ``PixelFormatName_*`` value or
    a name such as ``"BayerRG8"``) reads the samples as that format instead of
    the file's own, without converting them."""
    if pixel_format is None:
        return ImageReader.Read(path)
    if isinstance(pixel_format, str):
        pixel_format = getattr(_lib, "PixelFormatName_" + pixel_format)
    return ImageReader.Read(path, pixel_format)
