"""Wrapper descriptions: classes, functions, overloads, argument and result kinds.

Each argument kind knows how a wrapper converts it (with the argument-error
message built from the wrapper's name, the argument's position and its type
text), how an overload dispatcher checks it without converting, and what
expression it passes to the native call.
"""


class Arg:
    """One native parameter.  `text` is the type the messages print."""

    numbers = 1  # how many native parameter positions the argument takes

    def __init__(self, text, name=None):
        self.text = text
        self.name = name

    def declare(self, var):
        raise NotImplementedError

    def convert(self, var, obj, message):
        raise NotImplementedError

    def check(self, obj):
        raise NotImplementedError

    def pass_(self, var):
        return var


class Scalar(Arg):
    """Integers, enumerations and floating point values."""

    def __init__(self, text, ctype, convert, check, name=None):
        super().__init__(text, name)
        self.ctype, self.converter, self.checker = ctype, convert, check

    def declare(self, var):
        return f"{self.ctype} {var}{{}};"

    def convert(self, var, obj, message):
        return f"if (!rt::scalarArg({self.converter.format(obj=obj, var=var)}, {message})) return nullptr;"

    def check(self, obj):
        return self.checker.format(obj=obj)


def signed(text, ctype="int32_t", name=None):
    return Scalar(text, ctype, "rt::toSigned({obj}, &{var})", f"rt::isSignedOf<{ctype}>({{obj}})", name)


def unsigned(text, ctype, name=None):
    return Scalar(text, ctype, "rt::toUnsigned({obj}, &{var})", f"rt::isUnsignedOf<{ctype}>({{obj}})", name)


def enum(text, ctype=None, name=None):
    ctype = ctype or text
    return Scalar(text, ctype, "rt::toEnum({obj}, &{var})", "rt::isSignedOf<int32_t>({obj})", name)


def Int(text="int", name=None): return signed(text, "int32_t", name)
def Int32(name=None): return signed("int32_t", "int32_t", name)
def UInt32(text="uint32_t", name=None): return unsigned(text, "uint32_t", name)
def UInt8(text="uint8_t", name=None): return unsigned(text, "uint8_t", name)
def UInt16(text="uint16_t", name=None): return unsigned(text, "uint16_t", name)
def SizeT(text="size_t", name=None): return unsigned(text, "uint64_t", name)
def PtrDiff(text="ptrdiff_t", name=None): return signed(text, "int64_t", name)
def Double(text="double", name=None):
    return Scalar(text, "double", "rt::toDouble({obj}, &{var})", "rt::isFloating({obj})", name)
def Float(text="float", name=None):
    return Scalar(text, "float", "rt::toFloat({obj}, &{var})", "rt::isFloat32({obj})", name)


class Object(Arg):
    """A wrapped native object: `T *`, `T const *`, `T &`, `T const &`, by value."""

    def __init__(self, cls, form="const &", name=None, text=None, strict=False):
        self.cls = cls
        self.form = form
        self.strict = strict  # dispatch refuses None instead of letting the body report it
        text = text or (cls.native if form == "value" else f"{cls.native} {form}")
        super().__init__(text, name)

    @property
    def nullable(self):
        return self.form in ("*", "const *")

    def declare(self, var):
        return f"{self.cls.native} *{var} = nullptr;"

    def convert(self, var, obj, message):
        how = "pointerArg" if self.nullable else "referenceArg"
        return f"if (!rt::{how}({obj}, rt::{self.cls.T}, &{var}, {message})) return nullptr;"

    def check(self, obj):
        # None reaches the chosen body, which reports the null reference.
        return f"rt::isPointer({obj}, rt::{self.cls.T}, {'true' if self.strict else 'false'})"

    def pass_(self, var):
        return var if self.nullable else f"*{var}"


class Self(Object):
    """The object of a method: None is rejected as a null reference."""

    def __init__(self, cls, const=True, text=None):
        super().__init__(cls, "const *" if const else "*", text=text)

    def convert(self, var, obj, message):
        return f"if (!rt::referenceArg({obj}, rt::{self.cls.T}, &{var}, {message})) return nullptr;"

    def check(self, obj):
        return f"rt::isPointer({obj}, rt::{self.cls.T}, true)"

    def pass_(self, var):
        return var


class SetterSelf(Self):
    """The object of a field setter: None stores nothing."""

    def convert(self, var, obj, message):
        return (f"if (!rt::pointerArg({obj}, rt::{self.cls.T}, &{var}, {message})) return nullptr;\n"
                f"  if (!{var}) return rt::none();")


class Implicit(Object):
    """`T const &` with implicit conversion through the proxy class (PixelFormat)."""

    def __init__(self, cls, name=None, text=None):
        super().__init__(cls, "const &", name, text)

    def declare(self, var):
        return f"rt::ImplicitArg<{self.cls.native}> {var};"

    def convert(self, var, obj, message):
        return f"if (!rt::implicitArg({obj}, rt::{self.cls.T}, {var}, {message})) return nullptr;"

    def check(self, obj):
        return f"rt::isImplicit({obj}, rt::{self.cls.T})"

    def pass_(self, var):
        return f"*{var}.value"


class Move(Object):
    """`T &&`: the wrapped object gives up its native object."""

    def __init__(self, cls, name=None, text=None):
        super().__init__(cls, "&&", name, text)

    def convert(self, var, obj, message):
        return (f"if (!rt::moveArg({obj}, rt::{self.cls.T}, &{var}, {message})) return nullptr;\n"
                f"  rt::MovedFrom<{self.cls.native}> {var}_owner;\n"
                f"  {var}_owner.value = {var};")

    def pass_(self, var):
        return f"std::move(*{var})"


class String(Arg):
    def __init__(self, name=None):
        super().__init__("std::string const &", name)

    def declare(self, var):
        return f"rt::StringArg {var};"

    def convert(self, var, obj, message):
        return f"if (!rt::stringArg({obj}, {var}, {message})) return nullptr;"

    def check(self, obj):
        return f"rt::isString({obj})"

    def pass_(self, var):
        return f"*{var}.value"


class VoidPointer(Arg):
    def __init__(self, text="void *", name=None):
        super().__init__(text, name)

    def declare(self, var):
        return f"rt::RawMemory {var};"

    def convert(self, var, obj, message):
        return f"if (!rt::voidPointerArg({obj}, &{var}, {message})) return nullptr;"

    def check(self, obj):
        return f"(({obj}) == Py_None || rt::wrappedObjectOf({obj}) != nullptr)"


class Buffer(Arg):
    """A writable Python buffer standing for an address and a byte length."""

    numbers = 2

    def declare(self, var):
        return f"rt::BufferArg {var};"

    def convert(self, var, obj, message):
        return f"if (!rt::bufferArg({obj}, {var}, {message})) return nullptr;"

    def check(self, obj):
        return f"!PyLong_Check({obj})"

    def pass_(self, var):
        return f"{var}.data, {var}.size"


class Custom(Arg):
    """An argument whose conversion and check are given as C++ snippets."""

    def __init__(self, text, declare, convert, check, pass_="{var}", name=None):
        super().__init__(text, name)
        self._declare, self._convert, self._check, self._pass = declare, convert, check, pass_

    def declare(self, var):
        return self._declare.format(var=var)

    def convert(self, var, obj, message):
        return self._convert.format(var=var, obj=obj, message=message)

    def check(self, obj):
        return self._check.format(obj=obj)

    def pass_(self, var):
        return self._pass.format(var=var)


# --- results -------------------------------------------------------------------

class Result:
    ctype = None  # C++ type of the result variable; None for void

    def emit(self, var):
        raise NotImplementedError


class _Void(Result):
    def emit(self, var):
        return "return rt::none();"

    def __call__(self):
        return self


Void = _Void()


class Simple(Result):
    def __init__(self, ctype, make):
        self.ctype, self.make = ctype, make

    def emit(self, var):
        return f"return {self.make.format(var=var)};"


Bool = Simple("bool", "rt::fromBool({var})")
SignedR = Simple("long long", "rt::fromSigned({var})")
UnsignedR = Simple("unsigned long long", "rt::fromUnsigned({var})")
DoubleR = Simple("double", "rt::fromDouble({var})")
StringR = Simple("std::string", "rt::fromString({var})")
PyObjectR = Simple("PyObject *", "{var}")


class Owned(Result):
    """A class value returned as a proxy that owns a heap copy."""

    def __init__(self, cls, ctype=None):
        self.cls = cls
        self.ctype = f"std::optional<{ctype or cls.native}>"

    def emit(self, var):
        return f"return rt::ownedResult(std::move(*{var}), rt::{self.cls.T});"


class Constructed(Result):
    """A constructor's new object: a bare owning wrapped object."""

    def __init__(self, cls, ctype=None):
        self.cls = cls
        self.ctype = f"{ctype or cls.native} *"

    def emit(self, var):
        return f"return rt::constructorResult({var}, rt::{self.cls.T});"


class Inside(Result):
    """A reference into (or to) the object another argument wraps: `member` of it, or the object itself.

    The result is a borrowed wrapped object: it keeps that argument's Python object alive and finds the
    native pointer anew through it on every use, so an argument dropped, deleted or changed meanwhile is
    a stale reference and never freed memory."""

    def __init__(self, cls, owner, argument, member=None, ctype=None):
        self.cls, self.owner, self.argument, self.member = cls, owner, argument, member
        self.ctype = ctype or f"{cls.native} *"

    def emit(self, var):
        if self.member:
            locate = (f"[](void *owner, size_t) -> void * {{ "
                      f"return &static_cast<{self.owner.native} *>(owner)->{self.member}; }}")
        else:
            locate = "rt::ownerItself"
        return (f"if (!{var}) return rt::none();\n  return rt::newBorrowedResult("
                f"rt::types()[rt::{self.cls.T}], $obj{self.argument}, rt::types()[rt::{self.owner.T}], 0, {locate});")


# --- functions ---------------------------------------------------------------------

class Overload:
    def __init__(self, args, call, result, prototype=None, nogil=False, nothrow=False, clauses="Common",
                 min_args=None):
        self.args = args
        self.call = call
        self.result = result
        self.prototype = prototype
        self.nogil = nogil
        self.nothrow = nothrow
        self.clauses = clauses
        self.min_args = len(args) if min_args is None else min_args


class Function:
    def __init__(self, name, cls, doc=None, kind="method", flag=None, custom=None):
        self.name = name
        self.cls = cls
        self.doc = doc
        self.kind = kind          # method, static, property-get, property-set, ctor, dtor, register, init, free
        self.overloads = []
        self.forced_flag = flag
        self.custom = custom      # name of a hand-written C++ function, if any
        self.nomatch = None       # C++ statement run instead of the overload error

    @property
    def overloaded(self):
        return len(self.overloads) > 1

    @property
    def flag(self):
        if self.forced_flag:
            return self.forced_flag
        if self.overloaded:
            return "METH_VARARGS"
        o = self.overloads[0]
        if len(o.args) == 0:
            return "METH_NOARGS"
        if len(o.args) == 1 and o.min_args == 1:
            return "METH_O"
        return "METH_VARARGS"


class Class:
    """A wrapped native class and its functions."""

    def __init__(self, name, native, T=None, module=None, bases=(), doc=None, pyname=None):
        self.name = name
        self.native = native
        self.T = T or ("T_" + native.replace("::", "__").replace("<", "T_").replace(">", "_t").replace(" ", ""))
        self.module = module
        self.bases = list(bases)
        self.functions = []
        self.doc = doc
        self.pyname = pyname or name
        self.properties = []  # (pyname, getter, setter, doc)
        self.plain = False  # numbers only: raw bytes written into it leave a valid object
        if module is not None:
            module.classes.append(self)

    def add(self, name, kind="method", doc=None, flag=None, custom=None):
        f = Function(name, self, doc, kind, flag, custom)
        self.functions.append(f)
        return f


class Module:
    def __init__(self):
        self.classes = []
        self.free = Class("module", "", T="", module=None)
        self.classes_by_name = {}

    def functions(self):
        for c in self.classes:
            yield from c.functions
        yield from self.free.functions
