"""The image transformer, the three correctors and the colour correction factors."""

from dsl import field, library_object_constructors, lifecycle, method, overloads
from model import Bool, Class, Constructed, DoubleR, Float, Function, Object, Overload, Owned, Self, Void, enum

HEADERS = ["processing/image_transformer.h", "processing/correctors.h"]

RAISES_FORMAT = ":raises: ImageFormatNotSupportedException {what}\n:raises: Exception An internal error has occurred.\n"

MIRRORS = [  # name, what the copy does
    ("MirrorUpDown", "mirrored up-down (the first row becomes the last)"),
    ("MirrorLeftRight", "mirrored left-right (the first column becomes the last)"),
    ("MirrorUpDownLeftRight", "mirrored up-down and left-right"),
]

BAYER_NOTE = ("A Bayer image keeps its colour sites, so its pattern changes where an even number of rows or "
              "columns moves another colour to the origin (BayerBG8 mirrored up-down with an even height is "
              "BayerGR8).\n")


def image_doc(summary, argument, in_place, extra=""):
    kind = "image" if in_place else "inputImage"
    doc = (f"\n{summary}\n\n{BAYER_NOTE}{extra}\n:type {kind}: :py:class:`Image`, {'in/out' if in_place else 'in'}\n"
           f":param {kind}: The image{' to change' if in_place else ''}.\n")
    doc += argument
    doc += "\n:rtype: None\n" if in_place else "\n:rtype: :py:class:`Image`\n:return: the new image.\n"
    return doc + "\n" + RAISES_FORMAT.format(what=f"{kind} has a packed pixel format")


def describe_transformer(m, image):
    cls = Class("ImageTransformer", "tarn::lux::ImageTransformer", module=m)
    library_object_constructors(cls, doc="\nCreates a transformer; a copy shares the library object.\n")
    angle = enum("tarn::lux::ImageTransformer::RotationAngle")
    angle_doc = (":type rotationAngle: int, in\n:param rotationAngle: One of the ImageTransformer_RotationAngle "
                 "constants: 90 (counterclockwise), 180 or 270 (clockwise).\n")
    for name, what in MIRRORS:
        method(cls, name, [Object(image)], f"$0->{name}($1)", Owned(image), nogil=True,
               doc=image_doc(f"Returns a copy of the image {what}; the input is not changed.", "", False))
        method(cls, f"{name}InPlace", [Object(image, "&")], f"$0->{name}InPlace($1)", Void, nogil=True,
               doc=image_doc(f"Changes the image: {what}.", "", True))
    method(cls, "Rotate", [Object(image), angle], "$0->Rotate($1, $2)", Owned(image), nogil=True,
           doc=image_doc("Returns a copy of the image turned by the given angle; a quarter turn swaps width and "
                         "height.", angle_doc, False))
    method(cls, "RotateInPlace", [Object(image, "&"), enum("tarn::lux::ImageTransformer::RotationAngle")],
           "$0->RotateInPlace($1, $2)", Void, nogil=True,
           doc=image_doc("Turns the image by the given angle; a quarter turn swaps its width and height.", angle_doc,
                         True))
    lifecycle(cls)


class Dispatched(Function):
    """A single form behind the overload dispatcher, so that arguments that do not fit fall through to `nomatch`."""

    overloaded = True


def describe_factors(m):
    cls = Class("ColorCorrectionFactors", "tarn::lux::ColorCorrectionFactors", module=m)
    cls.plain = True
    names = ["RR", "GR", "BR", "RG", "GG", "BG", "RB", "GB", "BB"]
    overloads(cls, "new_ColorCorrectionFactors", [
        ([Float() for _ in names], "new tarn::lux::ColorCorrectionFactors(" + ", ".join(f"${i}" for i in range(9)) + ")",
         Constructed(cls), "tarn::lux::ColorCorrectionFactors::ColorCorrectionFactors(" + ",".join(["float"] * 9) + ")"),
        ([], "new tarn::lux::ColorCorrectionFactors()", Constructed(cls),
         "tarn::lux::ColorCorrectionFactors::ColorCorrectionFactors()"),
        ([Object(cls)], "new tarn::lux::ColorCorrectionFactors($0)", Constructed(cls),
         "tarn::lux::ColorCorrectionFactors::ColorCorrectionFactors(tarn::lux::ColorCorrectionFactors const &)"),
    ], kind="ctor", nothrow=True,
        doc="\nThe nine factors of a colour correction matrix, row by row: RR, GR, BR / RG, GG, BG / RB, GB, BB.\n"
            "Without arguments every factor is 0.\n")
    for i, name in enumerate(names):
        row, column = i // 3 + 1, i % 3 + 1
        field(cls, f"factor{name}", Float(), doc=f" Factor of row {row}, column {column}")
    eq = Dispatched("ColorCorrectionFactors___eq__", cls, flag="METH_VARARGS",
                    doc="\nEqual when every factor differs by at most the single-precision epsilon "
                        "(1.1920929e-07).\n\n:rtype: boolean\n")
    cls.functions.append(eq)
    eq.overloads.append(Overload([Self(cls), Object(cls, strict=True)], "*$0 == $1", Bool, nothrow=True,
                                 prototype="tarn::lux::ColorCorrectionFactors::operator ==("
                                           "tarn::lux::ColorCorrectionFactors const &) const"))
    eq.nomatch = "PyErr_Clear(); Py_RETURN_NOTIMPLEMENTED;"
    lifecycle(cls)
    return cls


def corrector_family(m, name, image, supported):
    cls = Class(name, f"tarn::lux::{name}", module=m)
    library_object_constructors(cls, doc=f"\nCreates a {name}; a copy shares the library object and its settings.\n")
    method(cls, "IsPixelFormatSupported", [enum("tarn::lux::PixelFormatName")], "$0->IsPixelFormatSupported($1)", Bool,
           doc=f"\nWhether Process and ProcessInPlace accept images of the pixel format ({supported}).\n\n"
               ":type pixelFormatName: int, in\n:param pixelFormatName: A PixelFormatName constant.\n\n"
               ":rtype: boolean\n")
    raises = RAISES_FORMAT.format(what="image has unsupported pixel format")
    method(cls, "Process", [Object(image)], "$0->Process($1)", Owned(image), nogil=True,
           doc="\nReturns a corrected copy of the image.\n\n:type inputImage: :py:class:`Image`, in\n"
               ":param inputImage: The image to correct.\n\n:rtype: :py:class:`Image`\n:return: the new image.\n\n"
               + raises)
    method(cls, "ProcessInPlace", [Object(image, "&")], "$0->ProcessInPlace($1)", Void, nogil=True,
           doc="\nCorrects the image in place.\n\n:type image: :py:class:`Image`, in/out\n"
               ":param image: The image to change.\n\n:rtype: None\n\n" + raises)
    return cls


def ranged(cls, setter, argument, what, value, minimum, maximum):
    """A float setting: its setter, its value and the two ends of its range."""
    method(cls, f"Set{setter}", [Float(name=argument)], f"$0->Set{setter}($1)", Void, const=False,
           doc=f"\nSets the {what}.\n\n:type {argument}: float, in\n:param {argument}: The new value, from {minimum} "
               f"to {maximum}.\n\n:raises: InvalidArgumentException {argument} isn't supported.\n")
    for name, which in ((value, "current value"), (minimum, "smallest value"), (maximum, "largest value")):
        method(cls, name, [], f"$0->{name}()", DoubleR, doc=f"\nReturns the {which} of the {what.split(' (')[0].split(';')[0]}.\n\n"
                                                             ":rtype: float\n")


def describe(m):
    image = next(c for c in m.classes if c.name == "Image")
    describe_transformer(m, image)
    factors = describe_factors(m)

    colour = corrector_family(m, "ColorCorrector", image, "RGB, BGR, RGBa and BGRa at 8, 10 and 12 bits")
    method(colour, "SetColorCorrectionFactors", [Object(factors, "value")], "$0->SetColorCorrectionFactors($1)", Void,
           const=False,
           doc="\nSets the colour correction matrix: R' = RR*R + GR*G + BR*B, G' = RG*R + GG*G + BG*B, "
            "B' = RB*R + GB*G + BB*B.\n\n:type colorCorrectorFactors: :py:class:`ColorCorrectionFactors`, in\n"
            ":param colorCorrectorFactors: The nine factors, each from -16 to 16.\n\n"
            ":raises: InvalidArgumentException colorCorrectionFactors isn't supported.\n")
    overloads(colour, "ColorCorrectionFactors", [
        ([], "$0->ColorCorrectionFactors()", Owned(factors), "tarn::lux::ColorCorrector::ColorCorrectionFactors()"),
    ], const=False, doc="\nReturns the colour correction matrix.\n\n:rtype: :py:class:`ColorCorrectionFactors`\n")
    colour.functions[-1].overloads.append(
        Overload([Self(colour, True)], "$0->ColorCorrectionFactors()", Owned(factors),
                 prototype="tarn::lux::ColorCorrector::ColorCorrectionFactors() const"))
    ranged(colour, "Saturation", "saturation", "colour saturation around each pixel's luma, applied after the matrix "
           "(0 gives gray, 1 leaves the colours)", "Saturation", "SaturationMin", "SaturationMax")
    lifecycle(colour)

    gamma = corrector_family(m, "GammaCorrector", image, "RGB, BGR, RGBa, BGRa, Mono and Bayer at 8, 10 and 12 bits")
    ranged(gamma, "GammaCorrectionValue", "gammaValue", "gamma correction value (out = max * (in / max) ^ (1 / gamma))",
           "GammaCorrectionValue", "GammaCorrectionMin", "GammaCorrectionMax")
    lifecycle(gamma)

    gain = corrector_family(m, "Gain", image, "RGB, BGR, RGBa, BGRa, Mono and Bayer at 8, 10 and 12 bits")
    for channel, what in (("Master", "master gain, applied to every channel"), ("Red", "gain of the red channel"),
                          ("Green", "gain of the green channel"), ("Blue", "gain of the blue channel")):
        ranged(gain, f"{channel}GainValue", f"{channel.lower()}GainValue",
               f"{what}; results are clamped at the format's maximum", f"{channel}GainValue", f"{channel}GainMin",
               f"{channel}GainMax")
    lifecycle(gain)


MIXINS = {"ColorCorrectionFactors": ["ColorCorrectionFactorsMixin"], "ColorCorrector": ["ColorCorrectorMixin"],
          "GammaCorrector": ["GammaCorrectorMixin"], "Gain": ["GainMixin"]}
