"""The image: queries, factories, clone/convert/scale/crop, memory views."""

from dsl import lifecycle, method, overloads, static
from model import (Bool, Buffer, Class, Implicit, Object, Owned, PyObjectR, SizeT, UnsignedR, Void, VoidPointer, enum)

CONVERT_DOC = """
Converts the image into another pixel format and returns the result as a new image.

The library allocates the output on every call; for repeated conversions use an
:py:class:`ImageConverter`, which can pre-allocate its buffers. With a writable
buffer the converted pixels are written there and the returned image uses that
memory, so the buffer must outlive the image.

:type pixelFormat: :py:class:`PixelFormat`, in
:param pixelFormat: The pixel format of the result.
:type conversionMode: int, in
:param conversionMode: One of the ConversionMode constants (default ConversionMode_Fast).

:rtype: :py:class:`Image`
:return: the converted image.

:raises: ImageFormatNotSupportedException The conversion between the two formats is not supported
:raises: BufferTooSmallException          The given buffer is too small for the result
:raises: Exception                        An internal error has occurred
"""

SCALE_DOC = """
Scales the image to a new size, given as a :py:class:`Size2D` or a :py:class:`ScaleFactor`.

:type algorithm: int, in
:param algorithm: One of the InterpolationAlgorithm constants (default InterpolationAlgorithm_linear).

:rtype: :py:class:`Image`
:return: the scaled image.
"""

CROP_DOC = """
Returns a new image holding the given region; with a size alone the region starts at (0, 0).

:raises: OutOfRangeException The region reaches outside the image
"""


def describe(m):
    size = m_class(m, "Size2D")
    point = m_class(m, "Point2D")
    factor = m_class(m, "ScaleFactor")
    fmt = m_class(m, "PixelFormat")
    image = Class("Image", "tarn::lux::Image", module=m)
    name = lambda: enum("tarn::lux::PixelFormatName")  # noqa: E731
    mode = lambda: enum("tarn::lux::ConversionMode")  # noqa: E731
    algorithm = lambda: enum("tarn::lux::InterpolationAlgorithm")  # noqa: E731

    method(image, "Width", [], "$0->Width()", UnsignedR, doc="\nThe width of the image in pixels.\n\n:rtype: int\n")
    method(image, "Height", [], "$0->Height()", UnsignedR, doc="\nThe height of the image in pixels.\n\n:rtype: int\n")
    method(image, "Size", [], "$0->Size()", Owned(size), doc="\nThe size of the image.\n\n:rtype: :py:class:`Size2D`\n")
    method(image, "ByteCount", [], "$0->ByteCount()", UnsignedR,
           doc="\nThe size of the pixel memory in bytes.\n\n:rtype: int\n")
    method(image, "PixelFormat", [], "$0->GetPixelFormat()", Owned(fmt),
           doc="\nThe pixel format of the image.\n\n:rtype: :py:class:`PixelFormat`\n")
    method(image, "Timestamp", [], "$0->Timestamp()", UnsignedR,
           doc="\nThe camera time of the exposure in nanoseconds.\n\n:rtype: int\n")
    method(image, "Empty", [], "$0->Empty()", Bool,
           doc="\nWhether the image is empty (no pixel format).\n\n:rtype: boolean\n")
    method(image, "Clone", [], "$0->Clone()", Owned(image), nogil=True,
           doc="\nReturns a deep copy of the image, timestamp included.\n\n:rtype: :py:class:`Image`\n")

    out_buffer = lambda: Buffer("(uint8_t* outputImageBuffer, size_t outputImageBufferSize)")  # noqa: E731
    pf = lambda: Implicit(fmt)  # noqa: E731
    proto = "tarn::lux::Image::ConvertTo(tarn::lux::PixelFormat const &{}) const"
    overloads(image, "ConvertTo", [
        ([pf(), mode()], "$0->ConvertTo($1, $2)", Owned(image), proto.format(",tarn::lux::ConversionMode")),
        ([pf()], "$0->ConvertTo($1)", Owned(image), proto.format("")),
        ([pf(), out_buffer(), mode()], "$0->ConvertTo($1, $2, $3)", Owned(image),
         proto.format(",uint8_t *,size_t,tarn::lux::ConversionMode")),
        ([pf(), out_buffer()], "$0->ConvertTo($1, $2)", Owned(image), proto.format(",uint8_t *,size_t")),
    ], doc=CONVERT_DOC, nogil=True)

    proto = "tarn::lux::Image::Scale({}) const"
    overloads(image, "Scale", [
        ([Object(size), algorithm()], "$0->Scale($1, $2)", Owned(image),
         proto.format("tarn::lux::Size2D const &,tarn::lux::InterpolationAlgorithm")),
        ([Object(size)], "$0->Scale($1)", Owned(image), proto.format("tarn::lux::Size2D const &")),
        ([Object(factor), algorithm()], "$0->Scale($1, $2)", Owned(image),
         proto.format("tarn::lux::ScaleFactor const &,tarn::lux::InterpolationAlgorithm")),
        ([Object(factor)], "$0->Scale($1)", Owned(image), proto.format("tarn::lux::ScaleFactor const &")),
    ], doc=SCALE_DOC, nogil=True)

    into = lambda: Buffer("(uint8_t* buffer, std::size_t bufferSize)")  # noqa: E731
    proto = "tarn::lux::Image::ScaleInto(tarn::lux::Size2D const &,uint8_t *,std::size_t{}) const"
    overloads(image, "ScaleInto", [
        ([Object(size), into(), algorithm()], "$0->ScaleInto($1, $2, $3)", Void(),
         proto.format(",tarn::lux::InterpolationAlgorithm")),
        ([Object(size), into()], "$0->ScaleInto($1, $2)", Void(), proto.format("")),
    ], nogil=True,
        doc="\nScales the image into the given writable buffer; no image is made.\n\n:rtype: None\n")

    overloads(image, "Crop", [
        ([Object(point), Object(size)], "$0->Crop($1, $2)", Owned(image),
         "tarn::lux::Image::Crop(tarn::lux::Point2D const &,tarn::lux::Size2D const &) const"),
        ([Object(size)], "$0->Crop($1)", Owned(image), "tarn::lux::Image::Crop(tarn::lux::Size2D const &) const"),
    ], doc=CROP_DOC, nogil=True)

    image.add("Image___eq__", custom="external", flag="METH_VARARGS")
    image.add("Image___ne__", custom="external", flag="METH_VARARGS")

    for view in ("DataView", "get_numpy_1D", "get_numpy_2D", "get_numpy_3D", "get_numpy_1D_16", "get_numpy_2D_16",
                 "get_numpy_3D_16"):
        extra = ", $obj0" if view == "DataView" else ""
        method(image, view, [], f"tarn::lux::views::{view}(*$0{extra})", PyObjectR, const=False)

    static(image, "CreateFromSize", [name(), SizeT(), SizeT()], "tarn::lux::Image::CreateFromSize($0, $1, $2)",
           Owned(image))
    static(image, "CreateFromSizeAndBuffer", [name(), VoidPointer(), SizeT(), SizeT(), SizeT()],
           "tarn::lux::Image::CreateFromSizeAndBuffer($0, $1, rt::readableBytes($1, $2), $3, $4)", Owned(image))
    static(image, "CreateFromSizeAndPythonBuffer",
           [name(), Buffer("(uint8_t* buffer, size_t bufferSize_bytes)"), SizeT(), SizeT()],
           "tarn::lux::Image::CreateFromSizeAndBuffer($0, $1, $2, $3)", Owned(image))
    image.add("delete_Image", kind="dtor", custom="delete")
    image.add("Image_swigregister", kind="register", custom="register")


def m_class(m, name):
    return next(c for c in m.classes if c.name == name)


MIXINS = {"Image": ["ImageMixin"]}
