"""PixelFormat and the enumeration-to-text functions."""

from dsl import free, lifecycle, method, overloads
from model import Bool, Class, Constructed, Int32, Object, SignedR, StringR, UnsignedR, enum, SizeT

QUERIES = [  # function, native call, result
    ("NumSignificantBitsPerChannel", "NumSignificantBitsPerChannel()", UnsignedR),
    ("NumStorageBitsPerChannel", "NumStorageBitsPerChannel()", UnsignedR),
    ("NumChannels", "NumChannels()", UnsignedR),
    ("MaximumValuePerChannel", "MaximumValuePerChannel()", UnsignedR),
    ("NumSignificantBitsPerPixel", "NumSignificantBitsPerPixel()", UnsignedR),
    ("NumStorageBitsPerPixel", "NumStorageBitsPerPixel()", UnsignedR),
    ("Endianness", "GetEndianness()", SignedR),
    ("BayerPattern", "GetBayerPattern()", SignedR),
    ("IsPacked", "IsPacked()", Bool),
    ("IsBayered", "IsBayered()", Bool),
    ("IsYUV", "IsYUV()", Bool),
]


def describe(m):
    fmt = Class("PixelFormat", "tarn::lux::PixelFormat", module=m)
    overloads(fmt, "new_PixelFormat", [
        ([], "new tarn::lux::PixelFormat()", Constructed(fmt), "tarn::lux::PixelFormat::PixelFormat()"),
        ([enum("tarn::lux::PixelFormatName")], "new tarn::lux::PixelFormat($0)", Constructed(fmt),
         "tarn::lux::PixelFormat::PixelFormat(tarn::lux::PixelFormatName)"),
        ([Object(fmt)], "new tarn::lux::PixelFormat($0)", Constructed(fmt),
         "tarn::lux::PixelFormat::PixelFormat(tarn::lux::PixelFormat const &)"),
    ], kind="ctor", nothrow=True)
    method(fmt, "Name", [], "$0->Name()", StringR, nothrow=True)
    method(fmt, "PixelFormatName", [], "$0->GetPixelFormatName()", SignedR, nothrow=True)
    fmt.add("PixelFormat___eq__", custom="external", flag="METH_VARARGS")
    for name, call, result in QUERIES:
        method(fmt, name, [], f"$0->{call}", result)
    method(fmt, "CalculateStorageSizeOfPixels", [SizeT("uint64_t")], "$0->CalculateStorageSizeOfPixels($1)",
           UnsignedR)
    lifecycle(fmt)
    fmt.module_comparisons = ()
    fmt.custom_init = True  # the package's mixin also takes names

    for name in ("PixelFormatNameEnumEntryToString", "ConversionModeEnumEntryToString",
                 "EndiannessEnumEntryToString", "OrientationEnumEntryToString"):
        free(m, name, [Int32()], f"tarn::lux::{name}($0)", StringR, nothrow=True)


MIXINS = {"PixelFormat": ["PixelFormatMixin"]}
