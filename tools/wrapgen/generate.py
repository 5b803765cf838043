"""Reads the wrapper descriptions and writes the wrapper sources, the method
table and the proxy classes.

usage: generate.py DESCRIPTION_DIR CPP_OUT_DIR PROXY_OUT_FILE [--list | --outputs]

The type stubs are written next to the proxy file.
"""

import importlib.util
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import emit_cpp  # noqa: E402
import emit_python  # noqa: E402
import emit_stubs  # noqa: E402
from model import Module  # noqa: E402

UMBRELLA = "library/object_layer.h"


def load(description_dir):
    module = Module()
    module.headers = []  # object-layer headers the description files name in HEADERS
    order_file = os.path.join(description_dir, "ORDER")
    with open(order_file) as stream:
        names = [line.strip() for line in stream if line.strip() and not line.startswith("#")]
    # Files ORDER does not name follow in alphabetical order.
    names += sorted(entry[:-3] for entry in os.listdir(description_dir)
                    if entry.endswith(".py") and entry[:-3] not in names)
    mixins = {}
    for name in names:
        path = os.path.join(description_dir, name + ".py")
        found = importlib.util.spec_from_file_location("wrapdesc_" + name, path)
        description = importlib.util.module_from_spec(found)
        found.loader.exec_module(description)
        description.describe(module)
        mixins.update(getattr(description, "MIXINS", {}))
        module.headers += [h for h in getattr(description, "HEADERS", []) if h not in module.headers]
    for cls in module.classes:
        module.classes_by_name[cls.name] = cls
    return module, mixins


def write_if_changed(path, text):
    if os.path.exists(path):
        with open(path) as stream:
            if stream.read() == text:
                return
    with open(path, "w") as stream:
        stream.write(text)


def main(argv):
    description_dir, cpp_dir, proxy_file = argv[1:4]
    module, mixins = load(description_dir)
    functions = list(module.functions())
    if "--outputs" in argv:
        names = [cls.name for cls in module.classes + [module.free]] + ["method_table"]
        stub_dir = os.path.dirname(proxy_file)
        print(";".join([os.path.join(cpp_dir, "wrappers", f"{n}.cpp") for n in names] + [proxy_file] +
                       [os.path.join(stub_dir, name) for name in emit_stubs.stubs(module, mixins, description_dir)]))
        return
    if "--list" in argv:
        for f in functions:
            print(f"{f.name}\t{emit_cpp.table_flag(f)}\t{f.cls.name}")
        return
    os.makedirs(os.path.join(cpp_dir, "wrappers"), exist_ok=True)
    for cls in module.classes + [module.free]:
        write_if_changed(os.path.join(cpp_dir, "wrappers", f"{cls.name}.cpp"), 
                         emit_cpp.class_source(cls, [UMBRELLA] + module.headers))
    write_if_changed(os.path.join(cpp_dir, "wrappers", "method_table.cpp"),
                     emit_cpp.method_table(functions, module.classes, [UMBRELLA] + module.headers))
    os.makedirs(os.path.dirname(proxy_file), exist_ok=True)
    write_if_changed(proxy_file, emit_python.proxy_module(module, mixins))
    for name, text in emit_stubs.stubs(module, mixins, description_dir).items():
        write_if_changed(os.path.join(os.path.dirname(proxy_file), name), text)


if __name__ == "__main__":
    main(sys.argv)
