"""Reference leaks: every function of the module called many times, on the
paths that succeed and on those that fail, leaves the interpreter's count of
allocated blocks and its arguments' reference counts where they were."""

import gc
import os
import sys
import tempfile

import numpy as np
import pytest

from conftest import ROOT

sys.path.insert(0, str(ROOT / "tests" / "hostile"))
import sweep  # noqa: E402


# Fewer under the sanitizers, which slow every call tenfold.
CALLS = 1_000 if "asan" in os.environ.get("LD_PRELOAD", "") else 10_000
SKIPPED_KINDS = {"register", "init"}
# Functions that keep what they are given (the vector grows, a chain gets
# longer) are called on fresh objects in a loop of their own below.
GROWING = ("_append", "_push_back", "_insert", "_assign", "_resize", "_reserve", "___setitem__", "___setslice__",
           "_extend")


SCRATCH = tempfile.mkdtemp(prefix="tarn_lux_leaks_")


def sample(m, t, kind, fresh):
    what = kind[0]
    if what == "object":
        return fresh(kind[1])
    # Strings are paths for the file functions: they write into a scratch folder.
    return {"int": 1, "float": 0.5, "str": os.path.join(SCRATCH, "Mono8"), "buffer": bytearray(64), "format": m.PixelFormatName_Mono8,
            "slice": slice(0, 1), "sequence": [1], "iterator": None, "class": None, "any": 3}[what]


def maker(m, t):
    made = {
        "Image": lambda: m.Image_CreateFromSize(m.PixelFormatName_Mono8, 8, 4),
        "PixelFormat": lambda: t.PixelFormat(m.PixelFormatName_RGB8),
        "SwigPyIterator": lambda: m.VectorInt32_begin(t.VectorInt32([1, 2, 3])),
    }

    def fresh(cls):
        if cls in made:
            return made[cls]()
        proxy = getattr(t, cls, None)
        try:
            return proxy() if proxy else None
        except Exception:  # noqa: BLE001 - classes without a default constructor
            return None
    return fresh


def calls_of_every_family(m, t):
    fresh = maker(m, t)
    for name, sig in sorted(sweep.signatures().items()):
        # get_allocator hands out an object of a type without destructor:
        # leaking it (with a notice) is the documented behaviour.
        if name.endswith("_get_allocator"):
            continue
        if sig["kind"] in SKIPPED_KINDS or name.endswith(("_swigregister", "_swiginit")) or name.startswith("delete_"):
            continue
        for form in sig["forms"]:
            args = [sample(m, t, kind, fresh) for kind in form]
            yield name, args, name.endswith(GROWING)
        yield name, [object()] * 7, False  # a failure: too many arguments of no use


def blocks_after(call, count):
    for _ in range(count):
        try:
            call()
        except Exception:  # noqa: BLE001 - failure paths are measured as well
            pass
    gc.collect()
    return sys.getallocatedblocks()


def test_every_function_leaves_reference_counts_flat(m, t):
    leaks = []
    for name, args, growing in calls_of_every_family(m, t):
        function = getattr(m, name)
        if growing:
            def call(function=function, args=args):
                function(*[type(a)() if isinstance(a, (t.VectorInt32,)) else a for a in args])
        else:
            def call(function=function, args=args):
                function(*args)
        # Small ints, strings and None are shared by the whole interpreter.
        watched = [a for a in args if not isinstance(a, (int, float, str, type(None)))]
        counts = [sys.getrefcount(a) for a in watched]
        base = blocks_after(call, 50)
        grown = blocks_after(call, CALLS if not growing else CALLS // 10) - base
        after = [sys.getrefcount(a) for a in watched]
        if grown > 20 or after != counts:
            leaks.append(f"{name}{tuple(type(a).__name__ for a in args)}: {grown} blocks, refs {counts} -> {after}")
    assert leaks == []


def test_numpy_views_of_images_do_not_leak(m):
    image = m.Image_CreateFromSize(m.PixelFormatName_RGB8, 16, 8)
    base = blocks_after(lambda: np.asarray(m.Image_get_numpy_3D(image)).sum(), 100)
    assert blocks_after(lambda: np.asarray(m.Image_get_numpy_3D(image)).sum(), CALLS) - base < 20
