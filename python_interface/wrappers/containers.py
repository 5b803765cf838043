"""The nine sequence containers and SwigPyIterator.

Every container has the same 35 functions over runtime/containers.h; they
differ only in the element and in the type texts their messages print, so
one description serves all nine.
"""

from dsl import lifecycle
from model import (Bool, Class, Constructed, Custom, Int, Object, Overload, Owned, PyObjectR, PtrDiff, Self, SignedR,
                   SizeT, UInt16, UInt32, UnsignedR, Void, enum)

# Python class, element (as the registry and the sequence texts spell it),
# element in the `self` text, element in the value text, element kind, value
# argument for a type text.
CONTAINERS = [
    ("VectorVideo", "unsigned short", "unsigned short", "unsigned short",
     "rt::IntegerItems<unsigned short>", UInt16),
    ("VectorUInt64", "unsigned long long", "uint64_t", "unsigned long long",
     "rt::IntegerItems<uint64_t>", SizeT),
    ("VectorUInt32", "unsigned int", "uint32_t", "unsigned int",
     "rt::IntegerItems<uint32_t>", UInt32),
    ("VectorInt32", "int", "int32_t", "int",
     "rt::IntegerItems<int32_t>", Int),
    ("VectorPoint2D", "tarn::lux::Point2D", "tarn::lux::Point2D", "tarn::lux::Point2D",
     "rt::WrappedItems<tarn::lux::Point2D, rt::T_tarn__lux__Point2D>", None),
    ("VectorPixelLineChannel", "tarn::lux::PixelLineChannel", "tarn::lux::PixelLineChannel",
     "tarn::lux::PixelLineChannel",
     "rt::WrappedItems<tarn::lux::PixelLineChannel, rt::T_tarn__lux__PixelLineChannel>", None),
    ("VectorHistogramChannel", "tarn::lux::HistogramChannel", "tarn::lux::HistogramChannel",
     "tarn::lux::HistogramChannel",
     "rt::WrappedItems<tarn::lux::HistogramChannel, rt::T_tarn__lux__HistogramChannel>", None),
    ("SharpnessROIList", "tarn::lux::SharpnessROI", "tarn::lux::SharpnessROI", "tarn::lux::SharpnessROI",
     "rt::WrappedItems<tarn::lux::SharpnessROI, rt::T_tarn__lux__SharpnessROI>", None),
    ("PixelFormatList", "tarn::lux::PixelFormatName", "tarn::lux::PixelFormatName",
     "enum tarn::lux::PixelFormatName",
     "rt::EnumItems<tarn::lux::PixelFormatName>",
     lambda text: enum(text + " const &", "tarn::lux::PixelFormatName")),
]


def mangled(spelling):
    return spelling.replace("::", "__").replace(" ", "_")


def slice_arg():
    return Custom("PySliceObject *", "rt::SliceArg {var};", "if (!rt::sliceArg({obj}, {var})) return nullptr;",
                  "PySlice_Check({obj})")


def sequence_arg(ops, text, element):
    names = f'"std::vector<{element},std::allocator< {element} > > *", "{element} *"'
    return Custom(text, f"rt::SequenceArg<{ops}::Vector> {{var}};",
                  f"if (!{ops}::sequenceArg({{obj}}, {{var}}, {{message}}, {names})) return nullptr;",
                  f"{ops}::isSequence({{obj}}, {names})", "*{var}.value")


def iterator_arg(ops, text):
    return Custom(text, f"{ops}::ForwardIterator *{{var}} = nullptr;",
                  f"if (!{ops}::iteratorArg({{obj}}, &{{var}}, {{message}})) return nullptr;",
                  f"{ops}::isIterator({{obj}}, nullptr)", "*{var}")


def function(cls, name, forms, prefix, options):
    """`forms`: (self, args, call, result, prototype parameters) in candidate order,
    where self is None (constructors), True/False (a const or changeable
    object) or an argument of its own."""
    constructor = name.startswith("new_")
    f = cls.add(name, kind="ctor") if constructor else cls.add(f"{cls.name}_{name}")
    for self, args, call, result, parameters in forms:
        head = [] if self is None else [Self(cls, self) if isinstance(self, bool) else self]
        qualifier = " const" if self is True else ""
        prototype = f"{prefix}::{'vector' if constructor else name}({','.join(parameters)}){qualifier}"
        f.overloads.append(Overload(head + list(args), call, result, prototype=prototype, **options))
    return f


def container(m, name, element, self_element, value_element, items, value_kind):
    T = f"T_std__vectorT_{mangled(element)}_std__allocatorT_{mangled(element)}_t_t"
    cls = Class(name, f"std::vector< {self_element} >", T=T, module=m)
    cls.delete_text = f"{cls.native} *"
    ops = f"rt::VectorOps<{items}, rt::{T}>"
    prefix = f"std::vector< {value_element} >"
    sequence_text = f"std::vector< {element},std::allocator< {element} > >"
    if value_kind:
        value = lambda: value_kind(f"{prefix}::value_type")  # noqa: E731
    else:
        element_cls = Class(element.split("::")[-1], element, module=None)
        value = lambda: Object(element_cls, text=f"{prefix}::value_type const &")  # noqa: E731
    size = lambda: SizeT(f"{prefix}::size_type")  # noqa: E731
    index = lambda: PtrDiff(f"{prefix}::difference_type")  # noqa: E731
    seq = lambda: sequence_arg(ops, f"{sequence_text} const &", element)  # noqa: E731
    it = lambda: iterator_arg(ops, f"{prefix}::iterator")  # noqa: E731
    p_value, p_size, p_index = f"{prefix}::value_type const &", f"{prefix}::size_type", f"{prefix}::difference_type"
    p_seq, p_it, p_slice = f"{sequence_text} const &", f"{prefix}::iterator", "PySliceObject *"
    checked = dict(clauses="OutOfRangeInvalidArgument")
    cheap = dict(nothrow=True)
    vector_result = Owned(cls, f"{ops}::Vector")

    def one(fname, const, args, call, result, parameters=(), options=checked):
        function(cls, fname, [(const, args, call, result, parameters)], prefix, options)

    function(cls, f"new_{name}", [
        (None, [], f"{ops}::make()", Constructed(cls), []),
        (None, [seq()], f"{ops}::make($0)", Constructed(cls), [f"{prefix} const &"]),
        (None, [size()], f"{ops}::make($0)", Constructed(cls), [p_size]),
        (None, [size(), value()], f"{ops}::make($0, $1)", Constructed(cls), [p_size, p_value]),
    ], prefix, checked)
    one("iterator", False, [], f"{ops}::iterator($obj0, *$0)", PyObjectR)
    one("__nonzero__", True, [], "!$0->empty()", Bool, options=cheap)
    one("__bool__", True, [], "!$0->empty()", Bool, options=cheap)
    one("__len__", True, [], "$0->size()", UnsignedR, options=cheap)
    one("__getslice__", False, [index(), index()], f"{ops}::getslice(*$0, $1, $2)", vector_result,
        [p_index, p_index])
    function(cls, "__setslice__", [
        (False, [index(), index()], f"{ops}::setslice(*$0, $1, $2, {ops}::Vector())", Void, [p_index, p_index]),
        (False, [index(), index(), seq()], f"{ops}::setslice(*$0, $1, $2, $3)", Void, [p_index, p_index, p_seq]),
    ], prefix, checked)
    one("__delslice__", False, [index(), index()], f"{ops}::delslice(*$0, $1, $2)", Void, [p_index, p_index])
    function(cls, "__delitem__", [
        (False, [index()], f"{ops}::delitem(*$0, $1)", Void, [p_index]),
        (False, [slice_arg()], f"{ops}::delitem(*$0, $1)", Void, [p_slice]),
    ], prefix, checked)
    function(cls, "__getitem__", [
        (False, [slice_arg()], f"{ops}::getitem(*$0, $1)", vector_result, [p_slice]),
        (True, [index()], f"{ops}::getitem($obj0, *$0, $1)", PyObjectR, [p_index]),
    ], prefix, checked)
    function(cls, "__setitem__", [
        (False, [slice_arg(), seq()], f"{ops}::setitem(*$0, $1, $2)", Void, [p_slice, p_seq]),
        (False, [slice_arg()], f"{ops}::delitem(*$0, $1)", Void, [p_slice]),
        (False, [index(), value()], f"{ops}::setitem(*$0, $1, $2)", Void, [p_index, p_value]),
    ], prefix, checked)
    one("pop", False, [], f"{ops}::pop(*$0)", PyObjectR)
    one("append", False, [value()], f"{ops}::append(*$0, $1)", Void, [p_value])
    one("empty", True, [], "$0->empty()", Bool, options=cheap)
    one("size", True, [], "$0->size()", UnsignedR, options=cheap)
    one("swap", False, [Object(cls, "&", text=f"{sequence_text} &")], f"{ops}::swap(*$0, $1)", Void,
        [f"{sequence_text} &"])
    one("begin", False, [], f"{ops}::forwardAt($obj0, 0)", PyObjectR)
    one("end", False, [], f"{ops}::forwardAt($obj0, $0->size())", PyObjectR)
    one("rbegin", False, [], f"{ops}::reverseAt($obj0, $0->size())", PyObjectR)
    one("rend", False, [], f"{ops}::reverseAt($obj0, 0)", PyObjectR)
    one("clear", False, [], f"{ops}::clear(*$0)", Void)
    allocator = f"rt::T_std__allocatorT_{mangled(element)}_t"
    one("get_allocator", True, [], f"rt::newResultObject({ops}::allocator(), rt::types()[{allocator}], rt::kOwn)",
        PyObjectR)
    one("pop_back", False, [], f"{ops}::popBack(*$0)", Void)
    function(cls, "erase", [
        (False, [it()], f"{ops}::erase($obj0, *$0, $1)", PyObjectR, [p_it]),
        (False, [it(), it()], f"{ops}::erase($obj0, *$0, $1, $2)", PyObjectR, [p_it, p_it]),
    ], prefix, checked)
    one("push_back", False, [value()], f"{ops}::append(*$0, $1)", Void, [p_value])
    one("front", True, [], f"{ops}::front($obj0, *$0)", PyObjectR)
    one("back", True, [], f"{ops}::back($obj0, *$0)", PyObjectR)
    one("assign", False, [size(), value()], f"{ops}::assign(*$0, $1, $2)", Void, [p_size, p_value])
    function(cls, "resize", [
        (False, [size()], f"{ops}::resize(*$0, $1)", Void, [p_size]),
        (False, [size(), value()], f"{ops}::resize(*$0, $1, $2)", Void, [p_size, p_value]),
    ], prefix, checked)
    function(cls, "insert", [
        (False, [it(), value()], f"{ops}::insert($obj0, *$0, $1, $2)", PyObjectR, [p_it, p_value]),
        (False, [it(), size(), value()], f"{ops}::insert(*$0, $1, $2, $3)", Void, [p_it, p_size, p_value]),
    ], prefix, checked)
    one("reserve", False, [size()], f"{ops}::reserve(*$0, $1)", Void, [p_size])
    one("capacity", True, [], "$0->capacity()", UnsignedR, options=cheap)
    lifecycle(cls)
    return cls


# --- SwigPyIterator ------------------------------------------------------------

def iterator_or_not_implemented(reference):
    """An iterator operand of the Python operators: anything else makes them
    answer NotImplemented, so that Python tries the reflected operation."""
    return Custom("swig::SwigPyIterator const &", "swig::SwigPyIterator *{var} = nullptr;",
                  "if (!rt::succeeded(rt::toPointer({obj}, rt::T_swig__SwigPyIterator, &{var}, rt::kNoNull)) || "
                  "!{var}) return rt::notImplemented();",
                  "rt::isPointer({obj}, rt::T_swig__SwigPyIterator, true)", "*{var}" if reference else "{var}")


def steps_or_not_implemented():
    return Custom("ptrdiff_t", "int64_t {var}{{}};",
                  "if (rt::toSigned({obj}, &{var}) != rt::kOk) return rt::notImplemented();",
                  "rt::isSignedOf<int64_t>({obj})")


def iterator_class(m):
    cls = Class("SwigPyIterator", "swig::SwigPyIterator", T="T_swig__SwigPyIterator", module=m)
    prefix = "swig::SwigPyIterator"
    raising = dict(clauses="OutOfRangeInvalidArgument")
    self_ni, other_ni = iterator_or_not_implemented(False), iterator_or_not_implemented(True)

    def one(name, self, args, call, result):
        function(cls, name, [(self, args, call, result, ())], prefix, raising)

    cls.add("delete_SwigPyIterator", kind="dtor", custom="delete")
    one("value", True, [], "$0->value()", PyObjectR)
    for step in ("incr", "decr"):
        function(cls, step, [
            (False, [SizeT()], f"($0->{step}($1), rt::sameIterator($obj0))", PyObjectR, ["size_t"]),
            (False, [], f"($0->{step}(), rt::sameIterator($obj0))", PyObjectR, []),
        ], prefix, raising)
    one("distance", True, [Object(cls, "const &")], "$0->distance($1)", SignedR)
    one("equal", True, [Object(cls, "const &")], "$0->equal($1)", Bool)
    one("copy", True, [], "rt::ownedIterator($0->copy())", PyObjectR)
    one("next", False, [], "$0->next()", PyObjectR)
    one("__next__", False, [], "$0->next()", PyObjectR)
    one("previous", False, [], "$0->previous()", PyObjectR)
    one("advance", False, [PtrDiff()], "($0->advance($1), rt::sameIterator($obj0))", PyObjectR)
    one("__eq__", self_ni, [other_ni], "$0->equal($1)", Bool)
    one("__ne__", self_ni, [other_ni], "!$0->equal($1)", Bool)
    one("__iadd__", False, [PtrDiff()], "rt::takeOverIterator($obj0, $0->advance($1))", PyObjectR)
    one("__isub__", False, [PtrDiff()], "rt::takeOverIterator($obj0, $0->retreat($1))", PyObjectR)
    one("__add__", self_ni, [steps_or_not_implemented()], "rt::movedCopy(*$0, $1, true)", PyObjectR)
    sub = function(cls, "__sub__", [
        (self_ni, [other_ni], "($1).distance(*$0)", SignedR, ["swig::SwigPyIterator const &"]),
        (self_ni, [steps_or_not_implemented()], "rt::movedCopy(*$0, $1, false)", PyObjectR, ["ptrdiff_t"]),
    ], prefix, raising)
    sub.nomatch = "return rt::notImplemented();"
    cls.add("SwigPyIterator_swigregister", kind="register", custom="register")


def describe(m):
    for row in CONTAINERS:
        container(m, *row)
    iterator_class(m)


MIXINS = {name: ["SequenceMixin"] for name, *_ in CONTAINERS}
MIXINS["SwigPyIterator"] = ["IteratorMixin"]
