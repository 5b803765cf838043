"""tarn_lux: camera-image processing for Python.

The classes mirror the native ones (``Image``, ``ImageConverter``, ...), with
methods named as the native methods. The module's constants are here under
their flat names (``PixelFormatName_BayerRG8``) and as enumerations
(``PixelFormatName.BayerRG8``, ``ConversionMode.HighQuality``); wherever the
package takes a pixel format it takes an enum member, an int, a
``PixelFormat`` or a name (``"BayerRG8"``). The flat functions stay reachable
through :mod:`tarn_lux._tarn_lux_python_interface`. Processing chains over
many frames are :class:`Pipeline` objects (:mod:`tarn_lux.pipeline`); the
command line is ``python3 -m tarn_lux``.
"""

from ._proxies import *  # noqa: F401,F403
from ._proxies import _lib  # noqa: F401
from . import _proxies
from . import _mixins
from . import _pickling
from ._enums import *  # noqa: F401,F403
from ._sensor import *  # noqa: F401,F403
from ._video import write_video  # noqa: F401
from .pipeline import Pipeline  # noqa: F401

_pickling.install(_proxies)

globals().update({name: value for name, value in vars(_lib).items()
                  if isinstance(value, int) and not name.startswith("_")})


def read(path, pixel_format=None):
    """Reads an image file (str or ``os.PathLike``); the file ending chooses the
    type. ``pixel_format`` (a ``PixelFormat``, a ``PixelFormatName_*`` value or
    a name such as ``"BayerRG8"``) reads the samples as that format instead of
    the file's own, without converting them."""
    if pixel_format is None:
        return ImageReader.Read(path)
    return ImageReader.Read(path, _mixins.pixel_format_value(pixel_format))
