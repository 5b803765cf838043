"""Pixel lines, histograms and their value records."""

from dsl import default_constructor, field, library_object_constructors, lifecycle, method
from model import (Class, Constructed, Inside, Object, Overload, Owned, Self, SetterSelf, SignedR, SizeT, UnsignedR,
                   Void, enum)

HEADERS = ["image/measurements.h"]


def vector_field(cls, name, vector, text):
    """A vector member read as a container referring into the record and written as a copy of one."""
    getter = cls.add(f"{cls.name}_{name}_get", kind="property-get")
    # The container finds the member anew through the record on every use and keeps the record's Python
    # object alive: a record deleted or dropped meanwhile is a stale reference, never freed memory.
    getter.overloads.append(Overload([Self(cls, False)], f"&$0->{name}", Inside(vector, cls, 0, name), nothrow=True))
    setter = cls.add(f"{cls.name}_{name}_set", kind="property-set")
    # A vector is required: None is refused with the null-reference message.
    setter.overloads.append(
        Overload([SetterSelf(cls, False), Object(vector, "&", text=text)],
                                     f"$0->{name} = $1", Void, nothrow=True))
    cls.properties.append((name, getter, setter, None))


def describe(m):
    by_name = {c.name: c for c in m.classes}
    image, pixel_format = by_name["Image"], by_name["PixelFormat"]

    line_record = Class("PixelLineChannel", "tarn::lux::PixelLineChannel", module=m)
    default_constructor(line_record, nothrow=True)
    vector_field(line_record, "Values", by_name["VectorUInt32"], "std::vector< uint32_t,std::allocator< uint32_t > > *")
    lifecycle(line_record)

    histogram_record = Class("HistogramChannel", "tarn::lux::HistogramChannel", module=m)
    default_constructor(histogram_record, nothrow=True)
    field(histogram_record, "PixelSum", SizeT("uint64_t"))
    field(histogram_record, "PixelCount", SizeT("uint64_t"))
    vector_field(histogram_record, "Bins", by_name["VectorUInt64"], "std::vector< uint64_t,std::allocator< uint64_t > > *")
    lifecycle(histogram_record)

    line = Class("PixelLine", "tarn::lux::PixelLine", module=m)
    library_object_constructors(line, default=False, extra=[
        ([Object(image), enum("tarn::lux::Orientation"), SizeT()], "new tarn::lux::PixelLine($0, $1, $2)",
         Constructed(line),
         "tarn::lux::PixelLine::PixelLine(tarn::lux::Image const &,tarn::lux::Orientation,size_t)")],
        doc="\nThe values of one row (Orientation_Horizontal, offset = y) or column (Orientation_Vertical, "
            "offset = x) of an image, per channel.\n\n:raises: ImageFormatNotSupportedException image has a packed "
            "pixel format\n:raises: OutOfRangeException The offset lies outside the image\n")
    method(line, "PixelFormatName", [], "$0->GetPixelFormatName()", SignedR,
           doc="\nThe pixel format of the image the line was taken from.\n\n:rtype: int\n")
    method(line, "Orientation", [], "$0->GetOrientation()", SignedR,
           doc="\nOrientation_Horizontal (a row) or Orientation_Vertical (a column).\n\n:rtype: int\n")
    method(line, "Offset", [], "$0->Offset()", UnsignedR,
           doc="\nThe row (horizontal) or column (vertical) of the line.\n\n:rtype: int\n")
    method(line, "Channels", [], "$0->Channels()", Owned(by_name["VectorPixelLineChannel"]),
           doc="\nThe values per channel, in line order: one channel for gray and Bayer images, three or four in "
               "storage order for colour images, Y and the two chroma samples for YUV images.\n\n"
               ":rtype: :py:class:`VectorPixelLineChannel`\n")
    lifecycle(line)

    for name, what, orientation in (("PixelRow", "row", "Horizontal"), ("PixelColumn", "column", "Vertical")):
        cls = Class(name, f"tarn::lux::{name}", module=m, bases=[line])
        library_object_constructors(cls, default=False, extra=[
            ([Object(image), SizeT()], f"new tarn::lux::{name}($0, $1)", Constructed(cls),
             f"tarn::lux::{name}::{name}(tarn::lux::Image const &,size_t)")],
            doc=f"\nThe values of one {what} of an image: a PixelLine with Orientation_{orientation}.\n")
        lifecycle(cls)

    histogram = Class("Histogram", "tarn::lux::Histogram", module=m)
    library_object_constructors(histogram, default=False, extra=[
        ([Object(image)], "new tarn::lux::Histogram($0)", Constructed(histogram),
         "tarn::lux::Histogram::Histogram(tarn::lux::Image const &)")], nogil=True,
        doc="\nCounts the pixel values of an image per channel: one bin per value (256, 1024 or 4096), the "
            "pixel count and the sum of the values. Bayer images give one channel per site of the 2 x 2 colour "
            "tile in row order (BayerRG8: R, G, G, B).\n\n:raises: ImageFormatNotSupportedException image has a "
            "packed pixel format\n")
    method(histogram, "PixelFormat", [], "$0->GetPixelFormat()", Owned(pixel_format),
           doc="\nThe pixel format of the image the histogram was taken from.\n\n:rtype: :py:class:`PixelFormat`\n")
    method(histogram, "Channels", [], "$0->Channels()", Owned(by_name["VectorHistogramChannel"]),
           doc="\nThe channels: pixel sum, pixel count and bins of each.\n\n:rtype: :py:class:`VectorHistogramChannel`\n")
    lifecycle(histogram)


MIXINS = {"Histogram": ["HistogramMixin"], "PixelLine": ["PixelLineMixin"]}
