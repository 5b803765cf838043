"""Binning, Decimation, HotpixelCorrection, EdgeEnhancement, Sharpness and SharpnessROI."""

from dsl import field, library_object_constructors, lifecycle, method, overloads
from model import (Bool, Class, Constructed, DoubleR, Inside, Object, Overload, Owned, Scalar, Self, SetterSelf, SignedR,
                   UInt32, UInt8, UnsignedR, Void, enum)

PROCESS_DOC = """
{what}

:type {arg}: :py:class:`Image`, in
:param {arg}: The input image.

:rtype: :py:class:`Image`
:return: {result}

:raises: ImageFormatNotSupportedException {unsupported}{invalid}
:raises: Exception                        An internal error has occurred
"""

UNSUPPORTED = "The pixel format of the image is not supported"
INVALID = "\n:raises: InvalidArgumentException         {}"
RANGE = "\n:raises: OutOfRangeException              {}"

EXPECTED_SIZE_DOC = """
Returns the size of the image that Process makes from an input of the given size and pixel format; nothing is processed.

:type inputSize: :py:class:`Size2D`, in
:param inputSize: The size of the input image.
:type pixelFormat: int, in
:param pixelFormat: A PixelFormatName constant.

:rtype: :py:class:`Size2D`

:raises: InvalidArgumentException pixelFormat isn't supported.
:raises: InvalidArgumentException the image is too small.
"""

SUPPORTED_DOC = """
Whether the pixel format can be processed.

:type pixelFormatName: int, in
:param pixelFormatName: A PixelFormatName constant.

:rtype: boolean
"""


def find(m, name):
    return next(c for c in m.classes if c.name == name)


def handle_class(m, name, doc):
    """A processing class over one library object: default, copy and move construction."""
    cls = Class(name, f"tarn::lux::{name}", module=m, doc=doc)
    library_object_constructors(cls)
    lifecycle(cls)
    return cls


def reduction_class(m, name, factor, doc, extra=None):
    """Binning and Decimation share everything but the factor's name and binning's mode."""
    cls = handle_class(m, name, doc)
    for axis in "XY":
        method(cls, f"Set{factor}{axis}", [UInt8(name="value")], f"$0->Set{factor}{axis}($1)", Void, const=False,
               doc=f"\nSets the {factor.lower()} factor in {axis.lower()} (see {factor}Min and {factor}Max).\n\n"
                   ":type value: int, in\n:param value: The factor.\n\n"
                   ":raises: InvalidArgumentException value isn't supported.\n")
    for what, text in ((f"{factor}X", "factor in x"), (f"{factor}Y", "factor in y"),
                       (f"{factor}Min", "smallest factor"), (f"{factor}Max", "largest factor")):
        method(cls, what, [], f"$0->{what}()", SignedR, doc=f"\nThe {text}.\n\n:rtype: int\n")
    if extra:
        extra(cls)
    size = find(m, "Size2D")
    image = find(m, "Image")
    name_arg = lambda arg: enum("tarn::lux::PixelFormatName", name=arg)  # noqa: E731
    method(cls, "ExpectedOutputSize", [Object(size, "value", name="inputSize"), name_arg("pixelFormat")],
           "$0->ExpectedOutputSize($1, $2)", Owned(size), doc=EXPECTED_SIZE_DOC)
    method(cls, "IsPixelFormatSupported", [name_arg("pixelFormatName")], "$0->IsPixelFormatSupported($1)", Bool,
           doc=SUPPORTED_DOC)
    method(cls, "Process", [Object(image, name="inputImage")], "$0->Process($1)", Owned(image), nogil=True,
           doc=PROCESS_DOC.format(what=f"Returns the image reduced by the {factor.lower()} factors.",
                                  arg="inputImage", result="the reduced image, of the input's pixel format.",
                                  unsupported=UNSUPPORTED,
                                  invalid=INVALID.format("the image is too small.")))
    return cls


def binning_mode(cls):
    method(cls, "SetMode", [enum("tarn::lux::Binning::BinningMode", name="mode")], "$0->SetMode($1)", Void,
           const=False, doc="\nSets the binning mode: Binning_BinningMode_Average or Binning_BinningMode_Sum.\n\n"
                            ":type mode: int, in\n:param mode: The mode.\n\n"
                            ":raises: InvalidArgumentException value isn't supported.\n")
    method(cls, "Mode", [], "$0->Mode()", SignedR, doc="\nThe binning mode.\n\n:rtype: int\n")


def describe(m):
    describe_sensor(m)
    describe_sharpness(m)


def describe_sensor(m):
    image = find(m, "Image")
    points = find(m, "VectorPoint2D")
    reduction_class(m, "Binning", "Binning", "Combines blocks of pixels by averaging or summing them.", binning_mode)
    reduction_class(m, "Decimation", "Decimation", "Keeps every n-th pixel in x and y.")

    hot = handle_class(m, "HotpixelCorrection", "Detects hot pixels and corrects them.")
    native = hot.native
    level = enum(f"{native}::SensitivityLevel", name="sensitivityLevel")
    overloads(hot, "SetSensitivity", [
        ([level], "$0->SetSensitivity($1)", Void, f"{native}::SetSensitivity({native}::SensitivityLevel)"),
        ([], "$0->SetSensitivity()", Void, f"{native}::SetSensitivity()"),
    ], const=False, doc="\nSets the sensitivity level of the detection (1 to 5, default 3; higher finds more).\n\n"
                        ":type sensitivityLevel: int, in\n:param sensitivityLevel: A SensitivityLevel constant.\n")
    method(hot, "Sensitivity", [], "$0->Sensitivity()", SignedR, doc="\nThe sensitivity level.\n\n:rtype: int\n")
    overloads(hot, "SetGainFactorPercent", [
        ([UInt32(name="gainFactorPercent")], "$0->SetGainFactorPercent($1)", Void,
         f"{native}::SetGainFactorPercent(uint32_t)"),
        ([], "$0->SetGainFactorPercent()", Void, f"{native}::SetGainFactorPercent()"),
    ], const=False, doc="\nSets the gain factor in percent that scales the detection threshold (default 100).\n\n"
                        ":type gainFactorPercent: int, in\n:param gainFactorPercent: The gain factor in percent.\n")
    method(hot, "GainFactorPercent", [], "$0->GainFactorPercent()", UnsignedR,
           doc="\nThe gain factor in percent.\n\n:rtype: int\n")
    method(hot, "Detect", [Object(image, name="inputImage")], "$0->Detect($1)", Owned(points), const=False,
           nogil=True, doc="\nDetects the hot pixels of the image.\n\n:type inputImage: :py:class:`Image`, in\n"
                           ":param inputImage: The image.\n\n:rtype: :py:class:`VectorPoint2D`\n"
                           ":return: the positions of the hot pixels.\n\n"
                           ":raises: OutOfRangeException The image is too small\n")
    point_list = lambda: Object(points, text="std::vector< tarn::lux::Point2D,std::allocator< tarn::lux::Point2D > > const &",  # noqa: E731,E501
                                name="hotpixels")
    method(hot, "Correct", [Object(image, name="inputImage"), point_list()], "$0->Correct($1, $2)", Owned(image),
           nogil=True, doc=PROCESS_DOC.format(what="Returns a copy of the image with the listed hot pixels corrected.",
                                              arg="inputImage", result="the corrected image.",
                                              unsupported=UNSUPPORTED,
                                              invalid=RANGE.format("a position lies outside the image")))
    method(hot, "CorrectInPlace", [Object(image, "&", name="image"), point_list()], "&$0->CorrectInPlace($1, $2)",
           Inside(image, image, 1), nogil=True,
           doc="\nCorrects the listed hot pixels in the image itself and returns the image.\n\n:rtype: :py:class:`Image`\n")
    method(hot, "CorrectAdaptive", [Object(image, name="inputImage")], "$0->CorrectAdaptive($1)", Owned(image),
           const=False, nogil=True,
           doc=PROCESS_DOC.format(what="Detects the hot pixels and returns a copy of the image with them corrected.",
                                  arg="inputImage", result="the corrected image.", unsupported=UNSUPPORTED,
                                  invalid=RANGE.format("the image is too small")))
    method(hot, "CorrectAdaptiveInPlace", [Object(image, "&", name="image")], "&$0->CorrectAdaptiveInPlace($1)",
           Inside(image, image, 1), const=False, nogil=True,
           doc="\nDetects the hot pixels and corrects them in the image itself; returns the image.\n\n"
               ":rtype: :py:class:`Image`\n")

    edge = handle_class(m, "EdgeEnhancement", "Sharpens edges by unsharp masking.")
    method(edge, "SetFactor", [UInt32("std::uint32_t", name="factor")], "$0->SetFactor($1)", Void, const=False,
           doc="\nSets the enhancement factor (see Range).\n\n:type factor: int, in\n:param factor: The factor.\n\n"
               ":raises: InvalidArgumentException value isn't supported.\n")
    method(edge, "Factor", [], "$0->Factor()", UnsignedR, doc="\nThe enhancement factor.\n\n:rtype: int\n")
    method(edge, "DefaultFactor", [], "$0->DefaultFactor()", UnsignedR,
           doc="\nThe factor of a new object.\n\n:rtype: int\n")
    method(edge, "Range", [], "$0->GetRange()", Owned(find(m, "RangeUint32")),
           doc="\nThe valid factors.\n\n:rtype: :py:class:`RangeUint32`\n")
    method(edge, "IsPixelFormatSupported", [enum("tarn::lux::PixelFormatName", name="pixelFormatName")],
           "$0->IsPixelFormatSupported($1)", Bool, doc=SUPPORTED_DOC)
    method(edge, "Process", [Object(image, name="image")], "$0->Process($1)", Owned(image), nogil=True,
           doc=PROCESS_DOC.format(what="Returns the image with its edges enhanced.", arg="image",
                                  result="the sharpened image",
                                  unsupported="InvalidPixelFormat pixel format isn't supported.", invalid=""))
    method(edge, "ProcessInPlace", [Object(image, "&", name="image")], "$0->ProcessInPlace($1)", Void, nogil=True,
           doc="\nEnhances the edges of the image itself.\n\n:rtype: None\n")

ROI_TYPE = "tarn::lux::Sharpness::SharpnessROIWeight"

MEASURE_DOC = """
Measures the sharpness of the image: the higher the value, the sharper the image.

With no ROI set the whole image is measured; otherwise the result is the weighted mean of the ROIs' values.

:type image: :py:class:`Image`, in
:param image: The image.

:rtype: float

:raises: ImageFormatNotSupportedException InvalidPixelFormat pixel format isn't supported.
:raises: OutOfRangeException              A ROI reaches outside the image
"""


def interval(name):
    """A sampling interval whose candidate check takes any int, so that 256 reaches the conversion and raises
    OverflowError rather than the overload message."""
    return Scalar("uint8_t", "uint8_t", "rt::toUnsigned({obj}, &{var})", "PyLong_Check({obj})", name)


def roi_record(m):
    rect = find(m, "Rect2D")
    roi = Class("SharpnessROI", "tarn::lux::SharpnessROI", module=m)
    native = roi.native
    overloads(roi, "new_SharpnessROI", [
        ([], f"new {native}()", Constructed(roi), f"{native}::SharpnessROI()"),
        ([Object(rect, "value", name="rect"), interval("xSamplingInterval"), interval("ySamplingInterval"),
          enum(ROI_TYPE, "tarn::lux::SharpnessROIWeight", name="weight")],
         f"new {native}{{$0, $1, $2, $3}}", Constructed(roi),
         f"{native}::SharpnessROI(tarn::lux::Rect2D,uint8_t,uint8_t,{ROI_TYPE})"),
    ], kind="ctor", nothrow=True)
    getter = roi.add("SharpnessROI_rect_get", kind="property-get")
    getter.overloads.append(Overload([Self(roi, False)], "&$0->rect", Inside(rect, roi, 0, "rect"), nothrow=True))
    setter = roi.add("SharpnessROI_rect_set", kind="property-set")
    setter.overloads.append(Overload([SetterSelf(roi, False), Object(rect, "*")],
                                     "if ($1) $0->rect = *$1", Void, nothrow=True))
    roi.properties.append(("rect", getter, setter, " The region"))
    field(roi, "xSamplingInterval", UInt8(), doc=" Every how many columns a pixel is measured")
    field(roi, "ySamplingInterval", UInt8(), doc=" Every how many rows a pixel is measured")
    field(roi, "weight", enum(ROI_TYPE, "tarn::lux::SharpnessROIWeight"), doc=" How much the region counts")
    lifecycle(roi)
    return roi


def describe_sharpness(m):
    roi = roi_record(m)
    rect = find(m, "Rect2D")
    image = find(m, "Image")
    rois = find(m, "SharpnessROIList")
    sharpness = handle_class(m, "Sharpness", "Measures the relative sharpness of images, for example to focus.")
    native = sharpness.native
    # The class's own record type: no function makes one, so only its type is needed.
    nested = Class("Sharpness_SharpnessROI", f"{native}::SharpnessROI", T="T_tarn__lux__Sharpness__SharpnessROI")
    method(sharpness, "Measure", [Object(image, name="image")], "$0->Measure($1)", DoubleR, const=False,
           doc=MEASURE_DOC)
    method(sharpness, "IsPixelFormatSupported", [enum("tarn::lux::PixelFormatName", name="pixelFormatName")],
           "$0->IsPixelFormatSupported($1)", Bool,
           doc="\nWhether images of the pixel format can be measured.\n\n:rtype: boolean\n")
    method(sharpness, "SupportedPixelFormats", [], "$0->SupportedPixelFormats()", Owned(find(m, "PixelFormatList")),
           doc="\nThe pixel formats that can be measured.\n\n:rtype: :py:class:`PixelFormatList`\n")
    method(sharpness, "SetAlgorithm", [enum(f"{native}::SharpnessAlgorithm", name="algorithm")],
           "$0->SetAlgorithm($1)", Void, const=False,
           doc="\nSets the algorithm: a Sharpness_SharpnessAlgorithm constant.\n\n"
               ":raises: InvalidArgumentException value isn't supported.\n")
    method(sharpness, "Algorithm", [], "$0->Algorithm()", SignedR, doc="\nThe algorithm.\n\n:rtype: int\n")
    method(sharpness, "ROIMinSize", [], "$0->ROIMinSize()", Owned(find(m, "Size2D")),
           doc="\nThe smallest size of a ROI.\n\n:rtype: :py:class:`Size2D`\n")
    overloads(sharpness, "SetROI", [
        ([Object(nested, name="roi")], "$0->SetROI($1)", Void,
         f"{native}::SetROI({native}::SharpnessROI const &)"),
        ([Object(rect, name="rect")], "$0->SetROI($1)", Void, f"{native}::SetROI(tarn::lux::Rect2D const &)"),
        ([Object(roi, name="roi")], "$0->SetROI($1)", Void, f"{native}::SetROI(tarn::lux::SharpnessROI const &)"),
    ], const=False, doc="\nMeasures one region from now on: a :py:class:`Rect2D` (sampling intervals 1, medium "
                        "weight) or a :py:class:`SharpnessROI`.\n\n"
                        ":raises: OutOfRangeException The region is smaller than ROIMinSize\n")
    method(sharpness, "SetROIs",
           [Object(rois, text="std::vector< tarn::lux::SharpnessROI,std::allocator< tarn::lux::SharpnessROI > > const &",
                   name="rois")],
           "$0->SetROIs($1)", Void, const=False,
           doc="\nMeasures the regions of the list from now on; an empty list measures the whole image.\n\n"
               ":raises: OutOfRangeException A region is smaller than ROIMinSize\n")
    method(sharpness, "GetROIs", [], "$0->GetROIs()", Owned(rois), const=False,
           doc="\nThe regions measured.\n\n:rtype: :py:class:`SharpnessROIList`\n")

    for op in ("__eq__", "__ne__"):
        compare = next(f for f in m.free.functions if f.name == op)
        symbol = "==" if op == "__eq__" else "!="
        compare.overloads.append(Overload(
            [Object(roi, strict=True, text=f"{native}::SharpnessROI const &"),
             Object(roi, strict=True, text=f"{native}::SharpnessROI const &")],
            f"$0 {symbol} $1", Bool, nothrow=True,
            prototype=f"tarn::lux::operator {symbol}({native}::SharpnessROI const &,{native}::SharpnessROI const &)"))
    roi.module_comparisons = ("__eq__", "__ne__")


MIXINS = {"SharpnessROI": ["SharpnessROIMixin"]}
HEADERS = ["processing/sensor.h", "processing/sharpness.h"]
