"""Wrapped objects, registration and the shared type registry."""

import gc
import os
import shutil
import subprocess
import sys

import pytest

from conftest import PACKAGE_PARENT


def test_ownership_flag_follows_own_disown_acquire(t):
    w = t.Size2D().this
    assert w.own() is True
    assert w.own(0) is True
    assert w.own() is False
    w.acquire()
    assert w.own() is True
    w.disown()
    assert w.own() is False
    w.acquire()


def test_representation_names_display_type_and_wrapper_address(t):
    w = t.Size2D().this
    assert repr(w) == "<Swig Object of type 'tarn::lux::Size2D *' at 0x%x>" % id(w)
    assert str(w) == repr(w)
    # The display name is the last spelling of the pretty name.
    assert "'tarn::lux::Range< int > *'" in repr(t.RangeInt32(0, 5, 1).this)


def test_comparison_by_pointer_and_no_hash(m, t):
    s = t.Size2D()
    bare = m.Size2D_New(1, 2)
    same = m.new_Size2D()
    assert s.this == s.this
    assert not (s.this != s.this)
    assert s.this != same
    with pytest.raises(TypeError):
        s.this < s.this  # noqa: B015
    with pytest.raises(TypeError):
        hash(s.this)
    assert int(s.this) != 0
    assert (s.this == 3) is False
    del bare


def test_chain_append_next(m, t):
    first = m.new_Size2D()
    second = m.new_Point2D()
    assert first.next() is None
    first.append(second)
    assert first.next() is second
    assert repr(first).endswith(repr(second))
    with pytest.raises(TypeError, match="^Attempt to append a non SwigPyObject$"):
        first.append(3)
    # A Point2D parameter finds the second object of the chain.
    assert m.Point2D_x_get(first) == 0


def test_delete_then_drop_deletes_once(m):
    s = m.Size2D_New(3, 4)
    m.delete_Size2D(s)
    assert s.this.own() is False
    del s
    gc.collect()
    assert m.delete_Size2D(None) is None


def test_constructor_returns_bare_owning_object_and_swiginit_attaches_it(m, t):
    bare = m.new_Size2D()
    assert type(bare).__name__ == "SwigPyObject" and bare.own()
    proxy = t.Size2D.__new__(t.Size2D)
    m.Size2D_swiginit(proxy, bare)
    assert proxy.this is bare
    with pytest.raises(TypeError, match=r"^swiginit expected 2 arguments, got 1$"):
        m.Size2D_swiginit(proxy)
    with pytest.raises(TypeError, match="^Attempt to append a non SwigPyObject$"):
        m.Size2D_swiginit(proxy, 5)


def test_swigregister_accepts_one_element_tuple_only(m, t):
    assert m.Size2D_swigregister((t.Size2D,)) is None
    with pytest.raises(TypeError, match=r"^swigregister expected 1 arguments, got 2$"):
        m.Size2D_swigregister((t.Size2D, t.Size2D))


def test_results_are_proxy_instances_owning_their_objects(m, t):
    size = m.Size2D_New(5, 6)
    assert isinstance(size, t.Size2D)
    assert size.this.own()
    rect = t.Rect2D(1, 2, 3, 4)
    corner = rect.topLeft()
    corner.x = 100
    assert rect.left() == 1


def test_missing_destructor_reports_leak_on_stdout():
    code = ("import tarn_lux._tarn_lux_python_interface as m\n"
            "class P: pass\n"
            "m.Size2D_swigregister(P)\n"
            "x = m.Size2D_New(1, 2)\n"
            "del x\n")
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60,
                          env=dict(os.environ, PYTHONPATH=str(PACKAGE_PARENT)))
    assert "swig/python detected a memory leak of type 'tarn::lux::Size2D *', no destructor found." in done.stdout


def test_second_module_copy_joins_the_shared_type_list(tmp_path):
    copy = tmp_path / "copy"
    copy.mkdir()
    for item in (PACKAGE_PARENT / "tarn_lux").iterdir():
        if item.suffix == ".so":
            shutil.copy(item, copy / item.name)
    code = (
        "import sys, importlib.util\n"
        f"sys.path.insert(0, {str(PACKAGE_PARENT)!r})\n"
        "import tarn_lux\n"
        "from tarn_lux import _tarn_lux_python_interface as first\n"
        "found = importlib.util.spec_from_file_location('_tarn_lux_python_interface',\n"
        f"    {str(copy / '_tarn_lux_python_interface.so')!r})\n"
        "second = importlib.util.module_from_spec(found)\n"
        "found.loader.exec_module(second)\n"
        "s = first.Size2D_New(7, 8)\n"
        "print(second.Size2D_width_get(s), type(second.Size2D_New(1, 1)).__name__)\n"
        "print(hasattr(sys.modules['swig_runtime_data4'], 'type_pointer_capsule'))\n")
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    # The second copy recognises the first's objects and shares its registered proxy classes.
    assert done.stdout.split() == ["7", "Size2D", "True"], done.stderr


def test_exceptions_are_python_exceptions_with_hierarchy(m, t):
    assert issubclass(t.Exception, Exception)
    assert issubclass(t.TimeoutException, t.Exception)
    error = t.TimeoutException("x")
    assert str(error) == "x"
    native = m.new_TimeoutException("y")
    assert native.own()
    assert not hasattr(m, "new_BufferTooSmallException")
