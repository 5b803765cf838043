"""Short forms for the recurring shapes of wrapper descriptions."""

from model import (Constructed, DoubleR, Move, Object, Overload,
                   Self, SetterSelf, SignedR, UnsignedR, Void)


def result_for(arg):
    """The Python result of a scalar field or getter of the argument's kind."""
    ctype = getattr(arg, "ctype", None)
    if ctype in ("double", "float"):
        return DoubleR
    if ctype in ("uint64_t", "uint32_t"):
        return UnsignedR
    return SignedR


def method(cls, name, args, call, result, doc=None, const=True, self_text=None, **options):
    f = cls.add(f"{cls.name}_{name}", doc=doc)
    f.overloads.append(Overload([Self(cls, const, self_text)] + list(args), call, result, **options))
    return f


def overloads(cls, name, forms, doc=None, const=True, self_text=None, kind="method", **options):
    """`forms` are (args, call, result, prototype) tuples, in candidate order."""
    f = cls.add(name if kind in ("ctor", "static", "free") else f"{cls.name}_{name}", doc=doc, kind=kind)
    for args, call, result, prototype in forms:
        head = [] if kind in ("ctor", "static", "free") else [Self(cls, const, self_text)]
        f.overloads.append(Overload(head + list(args), call, result, prototype=prototype, **options))
    return f


def static(cls, name, args, call, result, doc=None, **options):
    f = cls.add(f"{cls.name}_{name}", doc=doc, kind="static")
    f.overloads.append(Overload(list(args), call, result, **options))
    return f


def free(module, name, args, call, result, doc=None, **options):
    f = module.free.add(name, doc=doc, kind="free")
    f.overloads.append(Overload(list(args), call, result, **options))
    return f


def field(cls, name, arg, doc=None, get=None, set_=None):
    """`<Class>_<field>_get` and `_set` over a public member."""
    getter = cls.add(f"{cls.name}_{name}_get", doc=doc, kind="property-get")
    getter.overloads.append(Overload([Self(cls, False)], get or f"$0->{name}", result_for(arg), nothrow=True))
    setter = cls.add(f"{cls.name}_{name}_set", doc=doc, kind="property-set")
    setter.overloads.append(Overload([SetterSelf(cls, False), arg], set_ or f"$0->{name} = $1", Void, nothrow=True))
    cls.properties.append((name, getter, setter, doc))


def default_constructor(cls, call=None, **options):
    f = cls.add(f"new_{cls.name}", kind="ctor")
    f.overloads.append(Overload([], call or f"new {cls.native}()", Constructed(cls), **options))
    return f


def constructor(cls, args, call, doc=None, **options):
    f = cls.add(f"new_{cls.name}", doc=doc, kind="ctor")
    f.overloads.append(Overload(list(args), call, Constructed(cls), **options))
    return f


def lifecycle(cls, init=True):
    """delete_<Class>, <Class>_swigregister and (unless told) <Class>_swiginit."""
    cls.add(f"delete_{cls.name}", kind="dtor", custom="delete")
    cls.add(f"{cls.name}_swigregister", kind="register", custom="register")
    if init:
        cls.add(f"{cls.name}_swiginit", kind="init", custom="init")


# --- classes holding one reference-counted library object ----------------------
# Their constructors list the default form, the shallow copy and the move (which
# the copy always shadows for an object of the class), then their own forms.

def _short(cls):
    return cls.native.rsplit("::", 1)[-1]


def default_form(cls):
    return ([], f"new {cls.native}()", Constructed(cls), f"{cls.native}::{_short(cls)}()")


def copy_form(cls):
    return ([Object(cls)], f"new {cls.native}($0)", Constructed(cls),
            f"{cls.native}::{_short(cls)}({cls.native} const &)")


def move_form(cls):
    return ([Move(cls)], f"new {cls.native}($0)", Constructed(cls), f"{cls.native}::{_short(cls)}({cls.native} &&)")


def library_object_constructors(cls, extra=(), default=True, doc=None, **options):
    """new_<Class>: [default,] copy, move, then `extra` forms (args, call, result, prototype)."""
    forms = ([default_form(cls)] if default else []) + [copy_form(cls), move_form(cls)] + list(extra)
    return overloads(cls, f"new_{cls.name}", forms, doc=doc, kind="ctor", **options)
