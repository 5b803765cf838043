"""Module entry: constants, the method table and the numpy import checks."""

import os
import subprocess
import sys
import textwrap

import pytest

from conftest import PACKAGE_PARENT, REFERENCE


def reference_rows(name):
    lines = (REFERENCE / name).read_text().splitlines()[1:]
    return [line.split("\t") for line in lines if line]


def test_constants_have_reference_values_in_installation_order(m):
    rows = reference_rows("constants.tsv")
    assert len(rows) == 97
    for name, value in rows:
        assert getattr(m, name) == int(value), name
        assert type(getattr(m, name)) is int
    installed = [key for key in vars(m) if key in {name for name, _ in rows}]
    assert installed == [name for name, _ in rows]


def calling_convention(function):
    """Infers a builtin's flag from the interpreter's own count errors."""
    try:
        function(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12)
    except TypeError as error:
        text = str(error)
        if "takes no arguments" in text:
            return "METH_NOARGS"
        if "takes exactly one argument" in text:
            return "METH_O"
        return "METH_VARARGS"
    except Exception:  # noqa: BLE001 - anything else means the tuple reached the wrapper
        return "METH_VARARGS"
    return "METH_VARARGS"


def test_method_table_entries_have_reference_flags(m):
    checked = 0
    for name, flag, _cls in reference_rows("method_table.tsv"):
        if hasattr(m, name):
            assert calling_convention(getattr(m, name)) == flag, name
            checked += 1
    assert checked >= 165


def test_method_table_has_no_unknown_entries(m):
    expected = {name for name, _, _ in reference_rows("method_table.tsv")}
    builtins = {name for name, value in vars(m).items() if type(value).__name__ == "builtin_function_or_method"}
    assert builtins - expected == set()


def test_method_table_coverage(m):
    missing = sorted(name for name, _, _ in reference_rows("method_table.tsv") if not hasattr(m, name))
    if missing:
        pytest.skip(f"{len(missing)} method-table entries still to come, e.g. {missing[:5]}")


def test_documented_docstrings_are_stored_literally(m):
    assert m.RangeUInt8_Minimum.__doc__ == "\nGet the minimum value for the range\n\n:rtype: unsigned char\n:return: the minimum value.\n"
    assert m.RangeDouble_InRange.__doc__ == ("\nCheck if the value is in range\n\n:type value: float\n:param value: The value "
                                            "to check.\n\n:rtype: boolean\n:return: true if in range, false otherwise.\n")
    assert m.Size2D_width_get.__doc__ == " Width of size"
    assert m.Rect2D_size.__doc__ == " Returns the size of the rectancle"
    assert m.new_Size2D.__doc__ is None


def test_noargs_constructor_refuses_an_argument(m):
    with pytest.raises(TypeError, match="takes no arguments"):
        m.new_Size2D(1)


FAKE_NUMPY = """
import ctypes, sys, types
mode = sys.argv[1]
core = types.ModuleType("numpy.core")
umath = types.ModuleType("numpy.core._multiarray_umath")
numpy = types.ModuleType("numpy")
numpy.core = core
core._multiarray_umath = umath
sys.modules.update({"numpy": numpy, "numpy.core": core, "numpy.core._multiarray_umath": umath})
if mode == "abi":
    version = ctypes.CFUNCTYPE(ctypes.c_uint)(lambda: 0x2000000)
    table = (ctypes.c_void_p * 256)()
    table[0] = ctypes.cast(version, ctypes.c_void_p).value
    new = ctypes.pythonapi.PyCapsule_New
    new.restype = ctypes.py_object
    new.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p]
    umath._ARRAY_API = new(ctypes.cast(table, ctypes.c_void_p), None, None)
elif mode == "notcapsule":
    umath._ARRAY_API = 42
sys.path.insert(0, sys.argv[2])
import importlib
try:
    importlib.import_module("_tarn_lux_python_interface")
except ImportError as error:
    print("IMPORT-ERROR:", error)
"""


@pytest.mark.parametrize("mode, reason", [
    ("abi", "module compiled against ABI version 0x1000009 but this version of numpy is 0x2000000"),
    ("notcapsule", "_ARRAY_API is not PyCapsule object"),
    ("missing", "_ARRAY_API not found"),
])
def test_numpy_import_failures_print_reason_and_fail_import(tmp_path, mode, reason):
    script = tmp_path / "fake.py"
    script.write_text(textwrap.dedent(FAKE_NUMPY))
    done = subprocess.run([sys.executable, str(script), mode, str(PACKAGE_PARENT / "tarn_lux")],
                          capture_output=True, text=True, timeout=60)
    assert "IMPORT-ERROR: numpy.core.multiarray failed to import" in done.stdout
    assert reason in done.stderr


def test_module_imports_top_level_from_its_folder():
    code = "import _tarn_lux_python_interface as m; print(m.SHARED_PTR_DISOWN)"
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60,
                          env={**os.environ, "PYTHONPATH": str(PACKAGE_PARENT / "tarn_lux")})
    assert done.stdout.strip() == "0", done.stderr
