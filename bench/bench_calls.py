"""Nanoseconds per call of the wrapper protocol beside plain Python operations.

usage: /usr/bin/python3 bench/bench_calls.py [BUILD_DIR]
"""

import pathlib
import sys
import timeit

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build") / "python"))

import tarn_lux  # noqa: E402
from tarn_lux import _tarn_lux_python_interface as m  # noqa: E402

REPEAT, NUMBER = 7, 200_000


def best_ns(statement, namespace):
    times = timeit.repeat(statement, globals=namespace, repeat=REPEAT, number=NUMBER)
    return min(times) / NUMBER * 1e9


class Plain:
    def __init__(self):
        self.width = 3


def main():
    size = tarn_lux.Size2D.New(3, 4)
    namespace = {"m": m, "size": size, "items": [1, 2, 3], "plain": Plain(), "fmt": m.PixelFormatName_Mono8,
                 "get": m.Size2D_width_get, "set": m.Size2D_width_set, "rect": m.new_Rect2D,
                 "eq": m.PixelFormat___eq__, "pf": tarn_lux.PixelFormat(m.PixelFormatName_Mono8)}
    baseline = best_ns("len(items)", namespace)
    rows = [
        ("len(list) (reference)", baseline),
        ("pure-Python attribute read (reference)", best_ns("plain.width", namespace)),
        ("Size2D_width_get (METH_O getter)", best_ns("get(size)", namespace)),
        ("Size2D_width_set (setter)", best_ns("set(size, 5)", namespace)),
        ("new_Rect2D(1, 2, 3, 4) (overloaded constructor)", best_ns("rect(1, 2, 3, 4)", namespace)),
        ("PixelFormat___eq__(pf, name) (implicit PixelFormat)", best_ns("eq(pf, fmt)", namespace)),
    ]
    print("| call | ns/call | ratio to len(list) |")
    print("|---|---:|---:|")
    for name, ns in rows:
        print(f"| {name} | {ns:.1f} | {ns / baseline:.2f} |")


if __name__ == "__main__":
    main()
