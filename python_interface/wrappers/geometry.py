"""Size2D, Point2D, ScaleFactor, Rect2D, the ranges and the module comparisons."""

from dsl import default_constructor, field, lifecycle, method, overloads, static, constructor
from model import (Bool, Class, Constructed, Double, Int, Object, Overload, Owned, PyObjectR, Self, SignedR, SizeT,
                   UInt32, UInt8, UnsignedR, DoubleR, Void)


def value_class(m, name, fields, arg, docs):
    cls = Class(name, f"tarn::lux::{name}", module=m)
    cls.plain = True
    default_constructor(cls, nothrow=True)
    static(cls, "New", [arg(), arg()], f"tarn::lux::{name}::New($0, $1)", Owned(cls), nothrow=True)
    for field_name, doc in zip(fields, docs):
        field(cls, field_name, arg(), doc=doc)
    lifecycle(cls)
    return cls


RANGES = [  # Python name, T, descriptor, argument kind, Python type in docs, getter result
    ("RangeDouble", "double", "double", lambda: Double(), "float", DoubleR),
    ("RangeInt32", "int32_t", "int", lambda: Int("int"), "int", SignedR),
    ("RangeUint32", "uint32_t", "unsigned_int", lambda: UInt32("unsigned int"), "int", UnsignedR),
    ("RangeUInt8", "uint8_t", "unsigned_char", lambda: UInt8("unsigned char"), "unsigned char", SignedR),
]


def range_class(m, name, t, mangled, arg, pytype, result):
    cls = Class(name, f"tarn::lux::Range< {t} >", T=f"T_tarn__lux__RangeT_{mangled}_t", module=m)
    cls.plain = True
    doc = ("\nConstructor for the Range\n\n"
           f":type min: {pytype}\n:param min: The minimum value of the range.\n"
           f":type max: {pytype}\n:param max: The maximum value of the range.\n"
           f":type inc: {pytype}\n:param inc: The increment between valid values (0 for any value).\n\n"
           ":raises: InvalidArgumentException\n")
    constructor(cls, [arg(), arg(), arg()], f"new tarn::lux::Range< {t} >($0, $1, $2)", doc=doc)
    for what in ("Minimum", "Maximum", "Increment"):
        method(cls, what, [], f"$0->{what}()", result, nothrow=True,
               doc=f"\nGet the {what.lower()} value for the range\n\n:rtype: {pytype}\n:return: the {what.lower()} value.\n")
    method(cls, "InRange", [arg()], "$0->InRange($1)", Bool, nothrow=True,
           doc=f"\nCheck if the value is in range\n\n:type value: {pytype}\n:param value: The value to check.\n\n"
               ":rtype: boolean\n:return: true if in range, false otherwise.\n")
    lifecycle(cls)


def describe(m):
    size = value_class(m, "Size2D", ["width", "height"], SizeT, [" Width of size", " Height of size"])
    point = value_class(m, "Point2D", ["x", "y"], SizeT, [" X position", " Y position"])
    value_class(m, "ScaleFactor", ["x", "y"], Double, [" X factor", " Y factor"])

    rect = Class("Rect2D", "tarn::lux::Rect2D", module=m)
    rect.plain = True
    overloads(rect, "new_Rect2D", [
        ([SizeT(), SizeT(), SizeT(), SizeT()], "new tarn::lux::Rect2D($0, $1, $2, $3)", Constructed(rect),
         "tarn::lux::Rect2D::Rect2D(size_t,size_t,size_t,size_t)"),
        ([Object(point), Object(size)], "new tarn::lux::Rect2D($0, $1)", Constructed(rect),
         "tarn::lux::Rect2D::Rect2D(tarn::lux::Point2D const &,tarn::lux::Size2D const &)"),
    ], kind="ctor", nothrow=True)
    method(rect, "topLeft", [], "$0->topLeft()", Owned(point), nothrow=True,
           doc=" Returns the position of the top-left corner of the rectangle")
    method(rect, "size", [], "$0->size()", Owned(size), nothrow=True, doc=" Returns the size of the rectancle")
    for name, what in (("left", "left position"), ("top", "top position"), ("right", "right position"),
                       ("bottom", "bottom position")):
        method(rect, name, [], f"$0->{name}()", UnsignedR, nothrow=True, doc=f" Returns the {what} of the rectangle")
    method(rect, "setSize", [Object(size)], "$0->setSize($1)", Void, const=False, nothrow=True,
           doc=" Sets a new size for the rectangle")
    for name, doc in (("setWidth", " Sets the rectangle width"), ("setHeight", " Sets the rectangle height"),
                      ("setX", " Sets the left position of the rectangle"),
                      ("setY", " Sets the top position of the rectangle")):
        method(rect, name, [SizeT()], f"$0->{name}($1)", Void, const=False, nothrow=True, doc=doc)
    lifecycle(rect)

    for row in RANGES:
        range_class(m, *row)

    for op, expression in (("__eq__", "$0 == $1"), ("__ne__", "$0 != $1")):
        f = m.free.add(op, kind="free")
        for cls in (size, point, rect):
            f.overloads.append(Overload([Object(cls, strict=True), Object(cls, strict=True)], expression, Bool, nothrow=True,
                                        prototype=f"tarn::lux::operator {op[2:4] == 'eq' and '==' or '!='}"
                                                  f"({cls.native} const &,{cls.native} const &)"))
        f.nomatch = "Py_RETURN_NOTIMPLEMENTED;"
    for cls in (size, point, rect):
        cls.module_comparisons = ("__eq__", "__ne__")
    # Built from their values by the package's mixins (Size2D(640, 480)).
    for cls in m.classes:
        if cls.name in ("Size2D", "Point2D", "ScaleFactor", "Rect2D"):
            cls.custom_init = True


MIXINS = {"Size2D": ["Size2DMixin"], "Point2D": ["Point2DMixin"], "ScaleFactor": ["ScaleFactorMixin"],
          "Rect2D": ["Rect2DMixin"]}
