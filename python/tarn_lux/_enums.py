"""The module's integer constants as enumerations.

Every group of constants becomes an ``enum.IntEnum`` (``PixelFormatName.BayerRG8``,
``ConversionMode.HighQuality``, ``RotationAngle.Degree90Clockwise``, ...). The
members are ints, so they go wherever the flat functions take the constants.
"""

import enum as _enum

from . import _tarn_lux_python_interface as _lib
from ._enum_groups import enumerations as _enumerations

_MADE = {name: _enum.IntEnum(name, members, module=__name__)
         for name, members in _enumerations((name, value) for name, value in vars(_lib).items()
                                            if isinstance(value, int)).items()}
globals().update(_MADE)
__all__ = list(_MADE)
