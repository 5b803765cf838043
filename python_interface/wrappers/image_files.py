"""Image files: ImageReader, ImageWriter and the PNG and JPEG quality records."""

from dsl import default_constructor, field, lifecycle, overloads, static
from model import Class, Implicit, Object, Owned, String, UInt32, Void

READ_DOC = (
    "\n"
    "*Overload 1:*\n"
    "\n"
    "Returns a new created image which is read from the file with the given file path.\n"
    "\n"
    "The format is specified by the file ending.\n"
    "\n"
    ":type filePath: string, in\n"
    ":param filePath: The path to the file to read as an UTF-8 encoded string.\n"
    "\n"
    ":raises: ImageFormatNotSupportedException An image format of this file isn't supported\n"
    ":raises: IOException                      Errors during file access e.g. no permissions on this file\n"
    ":raises: InvalidArgumentException         Arguments passed are invalid\n"
    ":raises: Exception                        An internal error has occurred\n"
    "\n"
    "Since: 1.0\n"
    "1.6 Defined character encoding UTF-8\n"
    "\n"
    "|\n"
    "\n"
    "*Overload 2:*\n"
    "\n"
    "Returns a new created image which is read from the file with the given file path.\n"
    "\n"
    "The Pixel format to use is specified manually here. The function tries to interpret the file with the given\n"
    "format. If this isn't possible, an exception is thrown. Explicit conversion of image formats must be done\n"
    "manually.\n"
    "\n"
    ":type filePath: string, in\n"
    ":param filePath:    The path to the file to read as an UTF-8 encoded string.\n"
    ":type pixelFormat: :py:class:`PixelFormat`, in\n"
    ":param pixelFormat: The Pixel format the retrieved image should have afterwards.\n"
    "\n"
    ":raises: ImageFormatInterpretationException Can't interpret this file with the given pixel format\n"
    ":raises: ImageFormatNotSupportedException   An image format of this file isn't supported\n"
    ":raises: IOException                        Errors during file access e.g. no permissions on this file\n"
    ":raises: InvalidArgumentException           Arguments passed are invalid\n"
    ":raises: Exception                          An internal error has occurred\n"
    "\n"
    "Since: 1.0\n"
    "1.2 Will throw ImageFormatNotSupportedException if pixelFormat is a packed pixel format\n"
    "1.6 Defined character encoding UTF-8\n")

WRITE_DOC = (
    "\n"
    " Writes the specified image to the filesystem. The type is specified by the given file ending in file\n"
    "        name.\n"
    "\n"
    ":type filePath: string, in\n"
    ":param filePath:    The path of the file to store the image to as an UTF-8 encoded string.\n"
    ":type imageToSave: :py:class:`Image`, in\n"
    ":param imageToSave: The image to save.\n"
    "\n"
    ":raises: ImageFormatNotSupportedException A file type is not supported for this image pixel format\n"
    ":raises: IOException                      Errors during file access e.g. no permissions on this file\n"
    ":raises: InvalidArgumentException         Arguments passed are invalid\n"
    ":raises: Exception                        An internal error has occurred\n"
    "\n"
    "Since: 1.0\n"
    "1.6 Defined character encoding UTF-8\n")

# What the BMP and RAW writers' docstrings end with.
WRITE_AS_TAIL = (
    ":type filePath: string, in\n"
    ":param filePath:    The path of the file to store the image to as an UTF-8 encoded string.\n"
    ":type imageToSave: :py:class:`Image`, in\n"
    ":param imageToSave: The image to save.\n"
    "\n"
    ":raises: ImageFormatNotSupportedException A file type isn't supported for this image pixel format\n"
    ":raises: IOException                      Errors during file access e.g. no permissions on this file\n"
    ":raises: InvalidArgumentException         Arguments passed are invalid\n"
    ":raises: Exception                        An internal error has occurred\n"
    "\n"
    "Since: 1.0\n"
    "1.2 Will throw ImageFormatNotSupportedException if imageToSave has a packed pixel format\n"
    "1.6 Defined character encoding UTF-8\n")

WRITE_BMP_DOC = (
    "\n"
    "Writes the specified image to the filesystem as BMP image.\n"
    "\n"
    "Not all image formats can be written to a BMP file.\n"
    "Currently supported for:\n"
    "Mono8, Mono10, Mono12, RGB8, BGR8, RGBa8, BGRa8\n"
    "Written as Mono:\n"
    "BayerGR8, BayerRG8, BayerGB8, BayerBG8, BayerGR10, BayerRG10, BayerGB10, BayerBG10, BayerGR12, BayerRG12,\n"
    "BayerGB12, BayerBG12\n"
    "For all other formats an exception is thrown.\n"
    "\n"
    + WRITE_AS_TAIL)

WRITE_RAW_DOC = (
    "\n"
    "Writes the specified image to the filesystem as a raw binary image.\n"
    "\n"
    "This is supported for all non-packed pixel formats.\n"
    "\n"
    + WRITE_AS_TAIL)


def describe(m):
    image = m_class(m, "Image")
    fmt = m_class(m, "PixelFormat")

    reader = Class("ImageReader", "tarn::lux::ImageReader", module=m)
    prototype = "tarn::lux::ImageReader::Read(std::string const &{})"
    # The package also takes os.PathLike paths; the flat functions want str.
    read = overloads(reader, "ImageReader_Read", [
        ([String()], "tarn::lux::ImageReader::Read($0)", Owned(image), prototype.format("")),
        ([String(), Implicit(fmt)], "tarn::lux::ImageReader::Read($0, $1)", Owned(image),
         prototype.format(",tarn::lux::PixelFormat const &")),
    ], kind="static", doc=READ_DOC, nogil=True)
    read.proxy_args = "path_first"
    lifecycle(reader, init=False)

    records = {}
    for name, what in (("PNG", "ImageWriterPNGParameter"), ("JPEG", "ImageWriterJPEGParameter")):
        record = Class(what, f"tarn::lux::{what}", module=m)
        default_constructor(record, nothrow=True)
        field(record, "Quality", UInt32())
        lifecycle(record)
        records[name] = record

    writer = Class("ImageWriter", "tarn::lux::ImageWriter", module=m)
    target = lambda: [String(), Object(image)]  # noqa: E731
    for name, doc in (("Write", WRITE_DOC), ("WriteAsBMP", WRITE_BMP_DOC), ("WriteAsRAW", WRITE_RAW_DOC)):
        f = static(writer, name, target(), f"tarn::lux::ImageWriter::{name}($0, $1)", Void, doc=doc, nogil=True)
        f.proxy_args = "path_first"
    for name, record in (("WriteAsPNG", records["PNG"]), ("WriteAsJPG", records["JPEG"])):
        prototype = f"tarn::lux::ImageWriter::{{}}(std::string const &,tarn::lux::Image const &{{}})"
        f = overloads(writer, f"ImageWriter_{name}", [
            (target() + [Object(record)], f"tarn::lux::ImageWriter::{name}($0, $1, $2)", Void,
             prototype.format(name, f",{record.native} const &")),
            (target(), f"tarn::lux::ImageWriter::{name}($0, $1)", Void,
             prototype.format(f"tarn_lux_ImageWriter_{name}__SWIG_0", "")),
        ], kind="static")
        f.proxy_args = "path_first"
    lifecycle(writer, init=False)


def m_class(m, name):
    return next(c for c in m.classes if c.name == name)

