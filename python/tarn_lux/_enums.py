"""The module's integer constants as enumerations.

Every group of constants becomes an ``enum.IntEnum`` (``PixelFormatName.BayerRG8``,
``ConversionMode.HighQuality``, ``RotationAngle.Degree90Clockwise``, ...). The
members are ints, so they go wherever the flat functions take the constants.
"""

import enum as _enum

from . import _tarn_lux_python_interface as _lib

# Enumeration name, prefix of its constants in the extension module.
_GROUPS = [
    ("PixelFormatName", "PixelFormatName_"),
    ("ConversionMode", "ConversionMode_"),
    ("BayerPattern", "BayerPattern_"),
    ("Endianness", "Endianness_"),
    ("Orientation", "Orientation_"),
    ("InterpolationAlgorithm", "InterpolationAlgorithm_"),
    ("SensitivityLevel", "HotpixelCorrection_SensitivityLevel_"),
    ("RotationAngle", "ImageTransformer_RotationAngle_"),
    ("SharpnessAlgorithm", "Sharpness_SharpnessAlgorithm_"),
    ("SharpnessROIWeight", "Sharpness_SharpnessROIWeight_"),
    ("BinningMode", "Binning_BinningMode_"),
    ("VideoContainer", "TARN_LUX_VIDEO_CONTAINER_"),
    ("VideoEncoder", "TARN_LUX_VIDEO_ENCODER_"),
]

# Constants of a longer prefix belong to that group, not to the shorter one.
_OWN_GROUPS = {
    "TARN_LUX_VIDEO_CONTAINER_": ("TARN_LUX_VIDEO_CONTAINER_OPTION_",),
    "TARN_LUX_VIDEO_ENCODER_": ("TARN_LUX_VIDEO_ENCODER_OPTION_",),
}
_GROUPS += [("VideoContainerOption", "TARN_LUX_VIDEO_CONTAINER_OPTION_"),
            ("VideoEncoderOption", "TARN_LUX_VIDEO_ENCODER_OPTION_")]


def _member_name(text):
    # BayerPattern__None: a keyword with the module's extra underscore.
    text = text.lstrip("_")
    return text + "_" if text in ("None", "True", "False") else text


def _build():
    made = {}
    constants = {name: value for name, value in vars(_lib).items() if isinstance(value, int)}
    for enum_name, prefix in _GROUPS:
        excluded = _OWN_GROUPS.get(prefix, ())
        members = [(_member_name(name[len(prefix):]), value) for name, value in constants.items()
                   if name.startswith(prefix) and not name.startswith(excluded)]
        if members:
            made[enum_name] = _enum.IntEnum(enum_name, members, module=__name__)
    return made


globals().update(_build())
__all__ = [name for name, _ in _GROUPS if name in globals()]
