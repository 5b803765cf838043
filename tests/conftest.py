"""Puts the built package on sys.path: <build>/python, where <build> comes
from TARN_LUX_BUILD_DIR (default: build/ at the top of the repository)."""

import os
import pathlib
import sys

import pytest

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = pathlib.Path(os.environ.get("TARN_LUX_BUILD_DIR", ROOT / "build"))
if not BUILD.is_absolute():
    BUILD = ROOT / BUILD
PACKAGE_PARENT = BUILD / "python"
REFERENCE = next((path for path in (ROOT.parent / "shared" / "reference", pathlib.Path("/work/shared/reference"))
                  if path.is_dir()), ROOT.parent / "shared" / "reference")
sys.path.insert(0, str(PACKAGE_PARENT))


@pytest.fixture(scope="session")
def m():
    """The flat extension module."""
    import tarn_lux  # noqa: F401  (registers the proxy classes)
    from tarn_lux import _tarn_lux_python_interface
    return _tarn_lux_python_interface


@pytest.fixture(scope="session")
def t():
    """The proxy package users import."""
    import tarn_lux
    return tarn_lux


# A sanitized run preloads the sanitizer runtimes into the interpreter; tools
# started from tests (cmake, mypy, ffprobe) would inherit them and have their
# own memory judged.
SANITIZER_VARIABLES = ("LD_PRELOAD", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "PYTHONMALLOC")


def tool_environment(**extra):
    """The environment for outside tools: this one without the sanitizer settings, plus `extra`."""
    environment = {key: value for key, value in os.environ.items() if key not in SANITIZER_VARIABLES}
    environment.update(extra)
    return environment
