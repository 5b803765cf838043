"""The exception classes of the object layer."""

from dsl import constructor, lifecycle
from model import Class, String

NAMES = ["OutOfRangeException", "BufferTooSmallException", "InvalidArgumentException",
         "ImageFormatNotSupportedException", "ImageFormatInterpretationException", "IOException", "BusyException",
         "NotPermittedException", "TimeoutException", "InvalidHandleException"]
NOT_CONSTRUCTIBLE = {"BufferTooSmallException", "InvalidHandleException"}


def describe(m):
    base = Class("Exception", "tarn::lux::Exception", module=m)
    base.is_exception = True
    constructor(base, [String()], "new tarn::lux::Exception($0)", nothrow=True)
    lifecycle(base)
    for name in NAMES:
        cls = Class(name, f"tarn::lux::{name}", module=m, bases=[base])
        cls.is_exception = True
        constructible = name not in NOT_CONSTRUCTIBLE
        if constructible:
            constructor(cls, [String()], f"new tarn::lux::{name}($0)", nothrow=True)
        lifecycle(cls, init=constructible)
