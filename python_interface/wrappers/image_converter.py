"""The image converter: modes, supported outputs, pre-allocation, conversion."""

from dsl import library_object_constructors, lifecycle, method, overloads
from model import Buffer, Class, Constructed, Implicit, Object, Owned, SignedR, SizeT, Void, enum

HEADERS = ["processing/image_converter.h"]

RAISES = """
:raises: ImageFormatNotSupportedException The conversion between the two formats is not supported
:raises: Exception                        An internal error has occurred
"""

CLASS_DOC = """
Converts images into other pixel formats, for example a Bayer raw image into RGB8.

A converter is made once and used for many images. It can pre-allocate a pool
of output buffers for one pair of input and output formats and one image size,
so that repeated conversions of that kind need not allocate. Copies of a
converter are shallow: they share the mode and the pool.
"""

POOL_PARAMETERS = """
:type inputPixelFormat: :py:class:`PixelFormat`, in
:param inputPixelFormat: The pixel format of the images to convert.
:type outputPixelFormat: :py:class:`PixelFormat`, in
:param outputPixelFormat: The pixel format to convert them into.
:type width: int, in
:param width: The width of the images.
:type height: int, in
:param height: The height of the images.
:type imageCount: int, in
:param imageCount: How many converted images may be held at one time (default 5).
""" + RAISES

CONSTRUCTOR_DOC = """
Creates a converter, optionally with a pre-allocated pool (see PreAllocateConversion).
""" + POOL_PARAMETERS

MODE_DOC = """
The conversion mode: ConversionMode_Fast, ConversionMode_HighQuality or ConversionMode_Classic.

:rtype: int
:return: the current mode.
"""

SET_MODE_DOC = """
Sets the conversion mode; it decides how Bayer images are demosaiced.

:type conversionMode: int, in
:param conversionMode: ConversionMode_Fast, ConversionMode_HighQuality or ConversionMode_Classic.

:raises: InvalidArgumentException The value is not a conversion mode
"""

SUPPORTED_DOC = """
The pixel formats images of the given format can be converted into.

:type inputPixelFormat: :py:class:`PixelFormat`, in
:param inputPixelFormat: The pixel format of the input.

:rtype: :py:class:`VectorInt32`
:return: PixelFormatName values; empty when the format cannot be converted.
"""

PREALLOCATE_DOC = """
Pre-allocates output buffers for conversions of one kind, so that they need not allocate.
""" + POOL_PARAMETERS

CONVERT_DOC = """
Converts an image into another pixel format and returns the result as a new image.

With a writable buffer the converted pixels are written there and the returned
image uses that memory, so the buffer must outlive the image.

:type inputImage: :py:class:`Image`, in
:param inputImage: The image to convert.
:type outputPixelFormat: :py:class:`PixelFormat`, in
:param outputPixelFormat: The pixel format of the result.

:rtype: :py:class:`Image`
:return: the converted image.

:raises: ImageFormatNotSupportedException The conversion between the two formats is not supported
:raises: BufferTooSmallException          The given buffer is too small for the result
:raises: Exception                        An internal error has occurred
"""

NATIVE = "tarn::lux::ImageConverter"


def describe(m):
    fmt = next(c for c in m.classes if c.name == "PixelFormat")
    image = next(c for c in m.classes if c.name == "Image")
    names = next(c for c in m.classes if c.name == "VectorInt32")
    converter = Class("ImageConverter", NATIVE, module=m, doc=CLASS_DOC)
    pf = lambda: Implicit(fmt)  # noqa: E731
    size = lambda: SizeT()  # noqa: E731

    pools = "tarn::lux::PixelFormat const &,tarn::lux::PixelFormat const &,size_t,size_t"
    library_object_constructors(converter, [
        ([pf(), pf(), size(), size(), size()], f"new {NATIVE}($0, $1, $2, $3, $4)", Constructed(converter),
         f"{NATIVE}::ImageConverter({pools},size_t)"),
        ([pf(), pf(), size(), size()], f"new {NATIVE}($0, $1, $2, $3)", Constructed(converter),
         f"{NATIVE}::ImageConverter({pools})"),
    ], doc=CONSTRUCTOR_DOC)

    method(converter, "ConversionMode", [], "$0->GetConversionMode()", SignedR, doc=MODE_DOC)
    method(converter, "SetConversionMode", [enum("tarn::lux::ConversionMode")], "$0->SetConversionMode($1)", Void,
           const=False, doc=SET_MODE_DOC)
    method(converter, "SupportedOutputPixelFormatNames", [Implicit(fmt, text="tarn::lux::PixelFormat")],
           "$0->SupportedOutputPixelFormatNames($1)", Owned(names, "std::vector< int32_t >"), doc=SUPPORTED_DOC)
    overloads(converter, "PreAllocateConversion", [
        ([pf(), pf(), size(), size(), size()], "$0->PreAllocateConversion($1, $2, $3, $4, $5)", Void,
         f"{NATIVE}::PreAllocateConversion({pools},size_t)"),
        ([pf(), pf(), size(), size()], "$0->PreAllocateConversion($1, $2, $3, $4)", Void,
         f"{NATIVE}::PreAllocateConversion({pools})"),
    ], const=False, nogil=True, doc=PREALLOCATE_DOC)
    into = lambda: Buffer("(uint8_t* outputImageBuffer, size_t outputImageBufferSize)")  # noqa: E731
    proto = f"{NATIVE}::Convert(tarn::lux::Image const &,tarn::lux::PixelFormat const &{{}}) const"
    overloads(converter, "Convert", [
        ([Object(image), pf()], "$0->Convert($1, $2)", Owned(image), proto.format("")),
        ([Object(image), pf(), into()], "$0->Convert($1, $2, $3)", Owned(image), proto.format(",uint8_t *,size_t")),
    ], nogil=True, doc=CONVERT_DOC)
    lifecycle(converter)

