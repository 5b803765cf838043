"""tarn_lux: camera-image processing for Python.

The classes mirror the native ones (``Image``, ``ImageConverter``, ...), with
methods named as the native methods; the flat functions stay reachable
through :mod:`tarn_lux._tarn_lux_python_interface`.
"""

from ._proxies import *  # noqa: F401,F403
from ._proxies import _lib  # noqa: F401
from ._video import write_video  # noqa: F401
