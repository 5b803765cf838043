"""Emits the C++ wrapper sources (one per class) and the method table."""

import re

from model import Void


def cstr(text):
    """A C string literal for any text."""
    out = []
    for ch in text.encode("utf-8"):
        c = chr(ch)
        if c == "\\":
            out.append("\\\\")
        elif c == '"':
            out.append('\\"')
        elif c == "\n":
            out.append("\\n")
        elif 32 <= ch < 127:
            out.append(c)
        else:
            out.append("\\%03o" % ch)
    return '"' + "".join(out) + '"'


def message(fname, number, text):
    return cstr(f"in method '{fname}', argument {number} of type '{text}'")


def substitute(call, passes):
    return re.sub(r"\$(\d+)", lambda m: passes[int(m.group(1))], call)


def body_lines(f, o, argv):
    """Conversion, call and result of one overload; argv[i] names argument i."""
    lines = []
    passes = []
    number = 1
    for i, arg in enumerate(o.args):
        var = f"a{i}"
        lines.append("  " + arg.declare(var))
        lines.append("  " + arg.convert(var, argv[i], message(f.name, number, arg.text)))
        passes.append(arg.pass_(var))
        number += arg.numbers
    def objects(text):
        return re.sub(r"\$obj(\d+)", lambda m: argv[int(m.group(1))], text)

    call = substitute(objects(o.call), passes)
    result = o.result
    clauses = f"rt::Clauses::{o.clauses}"
    if result is Void:
        statement = f"{call};"
    else:
        lines.append(f"  {result.ctype} r{{}};")
        statement = f"r.emplace({call});" if result.ctype.startswith("std::optional") else f"r = {call};"
    if o.nothrow:
        lines.append(f"  {statement}")
    else:
        release = "true" if o.nogil else "false"
        lines.append(f"  if (!rt::invoke<{release}, {clauses}>([&] {{ {statement} }})) return nullptr;")
    lines.append("  " + objects(result.emit("r")))
    return lines


def custom_body(f):
    cls = f.cls
    if f.custom == "delete":
        text = getattr(cls, "delete_text", None) or f"{cls.native} *"
        return [f"PyObject *w_{f.name}(PyObject *, PyObject *arg) {{",
                "  rt::CallScope scope;",
                f"  {cls.native} *p = nullptr;",
                "  int own = 0;",
                f"  int status = rt::toPointer(arg, rt::{cls.T}, &p, rt::kDisown, &own);",
                f"  if (!rt::succeeded(status)) return rt::argumentError(status, {message(f.name, 1, text)}), nullptr;",
                "  if (!p) return rt::none();",
                "  rt::forgetPointer(arg, p);",
                "  if (own & 1) rt::destroy(p);  // a borrowed pointer belongs to someone else",
                "  return rt::none();",
                "}"]
    if f.custom == "register":
        return [f"PyObject *w_{f.name}(PyObject *, PyObject *arg) {{",
                f"  return rt::registerProxyClass(rt::types()[rt::{cls.T}], arg);",
                "}"]
    raise ValueError(f.custom)


def function_source(f):
    if f.custom in ("init", "external"):
        return []
    if f.custom:
        return custom_body(f)
    lines = []
    flag = f.flag
    if not f.overloaded:
        o = f.overloads[0]
        n = len(o.args)
        if flag == "METH_NOARGS":
            lines.append(f"PyObject *w_{f.name}(PyObject *, PyObject *) {{")
            argv = []
        elif flag == "METH_O":
            lines.append(f"PyObject *w_{f.name}(PyObject *, PyObject *arg) {{")
            argv = ["arg"]
        else:
            lines.append(f"PyObject *w_{f.name}(PyObject *, PyObject *args) {{")
            lines.append(f"  PyObject *argv[{max(n, 1)}];")
            lines.append(f"  if (rt::unpackArguments(args, {cstr(f.name)}, {o.min_args}, {n}, argv) < 0) return nullptr;")
            argv = [f"argv[{i}]" for i in range(n)]
        if argv:
            lines.insert(1, "  rt::CallScope scope;")
        lines += body_lines(f, o, argv)
        lines.append("}")
        return lines
    most = max(len(o.args) for o in f.overloads)
    for k, o in enumerate(f.overloads):
        params = "Py_ssize_t, PyObject **argv" if o.args else "Py_ssize_t, PyObject **"
        lines.append(f"static PyObject *w_{f.name}__{k}({params}) {{")
        lines += body_lines(f, o, [f"argv[{i}]" for i in range(len(o.args))])
        lines.append("}")
        lines.append("")
    lines.append(f"PyObject *w_{f.name}(PyObject *, PyObject *args) {{")
    lines.append("  rt::CallScope scope;")
    lines.append(f"  PyObject *argv[{max(most, 1)}] = {{}};")
    lines.append(f"  Py_ssize_t argc = rt::unpackArguments(args, {cstr(f.name)}, 0, {most}, argv);")
    lines.append("  if (argc >= 0) {")
    for k, o in enumerate(f.overloads):
        checks = [f"argc == {len(o.args)}"] + [a.check(f"argv[{i}]") for i, a in enumerate(o.args)]
        lines.append(f"    if ({' && '.join(checks)}) return w_{f.name}__{k}(argc, argv);")
    if f.nomatch:
        lines.append(f"    {f.nomatch}")
    lines.append("  }")
    prototypes = "".join(f"    {o.prototype}\n" for o in f.overloads)
    lines.append(f"  return rt::overloadError({cstr(f.name)}, {cstr(prototypes)});")
    lines.append("}")
    return lines


def class_source(cls, includes):
    out = ["// Generated from the wrapper descriptions; do not edit.",
           '#include "runtime/call_protocol.h"']
    out += [f'#include "{i}"' for i in includes]
    out += ["", "#include <memory>", "#include <optional>", "", "namespace tarn::wrappers {", ""]
    for f in cls.functions:
        src = function_source(f)
        if src:
            out += src + [""]
    out.append("}  // namespace tarn::wrappers")
    return "\n".join(out) + "\n"


def table_flag(f):
    if f.forced_flag:
        return f.forced_flag
    if f.custom == "init":
        return "METH_VARARGS"
    return "METH_O" if f.custom else f.flag


def type_extents(classes):
    """rt::typeExtent: the size of each class's native object, and whether it is plain data."""
    out = ["namespace tarn::rt {", "", "TypeExtent typeExtent(size_t typeIndex) {", "  switch (typeIndex) {",
           "    case T_size_t:", "      return {sizeof(size_t), true};"]
    for cls in classes:
        if cls.plain:
            out.append(f"    static_assert(std::is_trivially_copyable_v<{cls.native}>);")
        out += [f"    case {cls.T}:", f"      return {{sizeof({cls.native}), {'true' if cls.plain else 'false'}}};"]
    out += ["    default:", "      return {0, false};", "  }", "}", "", "}  // namespace tarn::rt", ""]
    return out


def method_table(functions, classes, includes):
    out = ["// Generated from the wrapper descriptions; do not edit.",
           '#include "wrappers/method_table.h"', "", '#include "runtime/call_protocol.h"',
           '#include "runtime/wrapped_object.h"']
    out += [f'#include "{i}"' for i in includes]
    out += ["", "#include <memory>", "#include <type_traits>", ""]
    out += type_extents(classes)
    out += ["namespace tarn::wrappers {", ""]
    for f in functions:
        if f.custom != "init":
            out.append(f"PyObject *w_{f.name}(PyObject *, PyObject *);")
    out += ["", "namespace {", "", "PyMethodDef gMethods[] = {"]
    for f in functions:
        fn = "rt::initProxyInstance" if f.custom == "init" else f"w_{f.name}"
        flag = table_flag(f)
        doc = "nullptr" if f.doc is None else cstr(f.doc)
        out.append(f"    {{{cstr(f.name)}, reinterpret_cast<PyCFunction>({fn}), {flag}, {doc}}},")
    out += ["    {nullptr, nullptr, 0, nullptr}};", "", "}  // namespace", "",
            "PyMethodDef *methodTable() { return gMethods; }", "", "}  // namespace tarn::wrappers"]
    return "\n".join(out) + "\n"
