"""Emits the proxy classes users import, from the same descriptions."""

import keyword

from model import Implicit, Scalar


def format_positions(f):
    """Argument positions (after the object of a method) that take a pixel
    format in every form of the function that has them."""
    positions = None
    skip = 0 if f.kind in ("static", "free", "ctor") else 1
    for o in f.overloads:
        here = {i - skip for i, a in enumerate(o.args)
                if i >= skip and (isinstance(a, Implicit) or
                                  (isinstance(a, Scalar) and a.ctype == "tarn::lux::PixelFormatName"))}
        others = {i - skip for i, a in enumerate(o.args) if i >= skip} - here
        positions = here if positions is None else (positions | here)
        positions -= others
    return tuple(sorted(positions or ()))


def pyrepr(text):
    return repr(text)


def method_name(f):
    prefix = f.cls.name + "_"
    return f.name[len(prefix):] if f.name.startswith(prefix) else f.name


def methods(cls):
    """(Python name, function) of the class's methods, in table order."""
    for f in cls.functions:
        if f.kind in ("ctor", "dtor", "register", "init", "property-get", "property-set"):
            continue
        name = method_name(f)
        yield (name + "_" if keyword.iskeyword(name) else name), f


def class_bases(cls, mixins, exception):
    """The base-class expressions of a proxy class; `exception` spells Python's Exception."""
    bases = [f"_mixins.{m}" for m in mixins.get(cls.name, [])] + [b.pyname for b in cls.bases]
    if not cls.bases:
        bases.append(exception if getattr(cls, "is_exception", False) else "object")
    return bases


def proxy_module(module, mixins):
    out = ['"""Proxy classes over the extension module; generated, do not edit."""', "",
           "import builtins as _builtins", "",
           "from . import _tarn_lux_python_interface as _lib"]
    out.append("from . import _mixins")
    out += ["", "",
            "def _swig_repr(self):",
            "    try:",
            "        strthis = 'proxy of ' + repr(self.this)",
            "    except _builtins.Exception:",
            "        strthis = ''",
            "    return '<%s.%s; %s >' % (self.__class__.__module__, self.__class__.__name__, strthis)",
            "", "",
            "_thisown = property(lambda self: self.this.own(), lambda self, value: self.this.own(value),",
            "                    doc='The membership flag')", ""]
    for cls in module.classes:
        out += ["", *class_source(cls, mixins), f"_lib.{cls.name}_swigregister({cls.pyname})", ""]
    for f in module.free.functions:
        out.append(f"{f.name} = _lib.{f.name}" if not f.name.startswith("__") else "")
    return "\n".join(out) + "\n"


def class_source(cls, mixins):
    lines = [f"class {cls.pyname}({', '.join(class_bases(cls, mixins, '_builtins.Exception'))}):"]
    if cls.doc:
        lines.append(f"    {pyrepr(cls.doc)}")
    lines.append("    thisown = _thisown")
    if cls.name not in mixins and not getattr(cls, "is_exception", False):
        lines.append("    __repr__ = _swig_repr")
    names = {f.name for f in cls.functions}
    ctor = f"new_{cls.name}"
    if getattr(cls, "is_exception", False):
        lines += ["", "    def __init__(self, *args):", "        _builtins.Exception.__init__(self, *args)"]
        if ctor in names:
            lines += ["        if len(args) == 1 and isinstance(args[0], str):",
                      f"            _lib.{cls.name}_swiginit(self, _lib.{ctor}(args[0]))"]
    elif getattr(cls, "custom_init", False):
        pass  # the mixin's __init__
    elif ctor in names:
        ctor_function = next(f for f in cls.functions if f.name == ctor)
        coerce = format_positions(ctor_function)
        lines += ["", "    def __init__(self, *args):"]
        if coerce:
            lines.append(f"        args = _mixins.pixel_format_arguments(args, {coerce!r})")
        lines.append(f"        _lib.{cls.name}_swiginit(self, _lib.{ctor}(*args))")
    else:
        lines += ["", "    def __init__(self, *args, **kwargs):",
                  "        raise AttributeError('No constructor defined')"]
    if f"delete_{cls.name}" in names:
        lines.append(f"    __swig_destroy__ = _lib.delete_{cls.name}")
    for name, getter, setter, doc in cls.properties:
        lines.append(f"    {name} = property(_lib.{getter.name}, _lib.{setter.name}, doc={pyrepr(doc or '')})")
    for name, f in methods(cls):
        lines.append("")
        # A function may name a helper of _mixins that adapts its arguments
        # first (paths given as os.PathLike, for example).
        args = f"_mixins.{f.proxy_args}(args)" if getattr(f, "proxy_args", None) else "args"
        if f.kind == "static":
            lines.append("    @staticmethod")
            lines.append(f"    def {name}(*args):")
            call = f"_lib.{f.name}(*{args})"
        else:
            lines.append(f"    def {name}(self, *args):")
            call = f"_lib.{f.name}(self, *{args})"
        if f.doc:
            lines.append(f"        {pyrepr(f.doc)}")
        coerce = format_positions(f)
        if coerce:
            lines.append(f"        args = _mixins.pixel_format_arguments(args, {coerce!r})")
        lines.append(f"        return {call}")
    for op in getattr(cls, "module_comparisons", ()):
        lines += ["", f"    def {op}(self, other):", f"        return _lib.{op}(self, other)"]
    if getattr(cls, "module_comparisons", ()):
        lines.append("    __hash__ = None")
    return lines
