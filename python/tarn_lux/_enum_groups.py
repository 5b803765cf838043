"""How the module's integer constants group into enumerations.

Pure data and one function, imported by the package (to build the enums at
run time) and by the stub generator (to write them into ``_enums.pyi``), so
that both always agree.
"""

# Enumeration name, prefix of its constants in the extension module.
GROUPS = [
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
    ("VideoContainerOption", "TARN_LUX_VIDEO_CONTAINER_OPTION_"),
    ("VideoEncoderOption", "TARN_LUX_VIDEO_ENCODER_OPTION_"),
]

# Constants of a longer prefix belong to that group, not to the shorter one.
OWN_GROUPS = {
    "TARN_LUX_VIDEO_CONTAINER_": ("TARN_LUX_VIDEO_CONTAINER_OPTION_",),
    "TARN_LUX_VIDEO_ENCODER_": ("TARN_LUX_VIDEO_ENCODER_OPTION_",),
}


def member_name(text):
    # BayerPattern__None: a keyword with the module's extra underscore.
    text = text.lstrip("_")
    return text + "_" if text in ("None", "True", "False") else text


def enumerations(constants):
    """{enum name: [(member, value), ...]} from (constant name, value) pairs in
    the module's order; groups without constants are left out."""
    constants = list(constants)
    made = {}
    for enum_name, prefix in GROUPS:
        excluded = OWN_GROUPS.get(prefix, ())
        members = [(member_name(name[len(prefix):]), value) for name, value in constants
                   if name.startswith(prefix) and not name.startswith(excluded)]
        if members:
            made[enum_name] = members
    return made
