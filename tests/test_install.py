"""cmake --install puts a working package outside the build tree: Debian's
interpreter imports it from the prefix alone and the command line runs."""

import os
import pathlib
import subprocess

import numpy as np
import pytest

from conftest import BUILD, tool_environment

PYTHON_DIR = pathlib.Path("lib/python3/dist-packages")


@pytest.fixture(scope="module")
def prefix(tmp_path_factory):
    if not (BUILD / "CMakeCache.txt").exists():
        pytest.skip("no configured build tree at %s" % BUILD)
    target = tmp_path_factory.mktemp("prefix")
    subprocess.run(["cmake", "--install", str(BUILD), "--prefix", str(target)], check=True, capture_output=True,
                   env=tool_environment())
    return target


def run_installed(prefix, *args, cwd):
    # Nothing of the build tree or the sources on the path: only the prefix.
    environment = {key: value for key, value in os.environ.items()
                   if key not in ("PYTHONPATH", "LD_LIBRARY_PATH", "PYTHONHOME")}
    environment["PYTHONPATH"] = str(prefix / PYTHON_DIR)
    return subprocess.run(["/usr/bin/python3", *args], capture_output=True, text=True, env=environment, cwd=cwd,
                          timeout=300)


def test_the_installed_tree_holds_package_extension_library_and_stubs(prefix):
    package = prefix / PYTHON_DIR / "tarn_lux"
    for name in ("__init__.py", "__main__.py", "cli.py", "pipeline.py", "_proxies.py", "_proxies.pyi", "py.typed",
                 "liborx_tarn_lux.so"):
        assert (package / name).is_file(), name
    extension = next(package.glob("_tarn_lux_python_interface*.so"))
    dynamic = subprocess.run(["readelf", "-d", str(extension)], capture_output=True, text=True,
                             env=tool_environment()).stdout
    assert "[$ORIGIN]" in dynamic and str(BUILD) not in dynamic
    assert (prefix / "include" / "orx_tarn_lux.h").is_file()


def test_the_command_line_runs_from_the_prefix(prefix, tmp_path):
    frame = (np.arange(48 * 64, dtype=np.uint32) % 251).astype(np.uint8).reshape(48, 64)
    raw = tmp_path / "frame.raw"
    raw.write_bytes(frame.tobytes())
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    done = run_installed(prefix, "-m", "tarn_lux", "info", str(raw), "--raw", "Mono8", "--size", "64x48",
                         cwd=elsewhere)
    assert done.returncode == 0, done.stderr
    assert "64x48 Mono8" in done.stdout
    assert "min 0 max 250 mean %.2f" % frame.mean() in done.stdout

    where = run_installed(prefix, "-c", "import tarn_lux, sys; print(tarn_lux._lib.__file__); "
                          "print(open('/proc/self/maps').read())", cwd=elsewhere)
    module, maps = where.stdout.split("\n", 1)
    assert module.startswith(str(prefix))
    loaded = {line.split()[-1] for line in maps.splitlines() if "liborx_tarn_lux" in line}
    assert loaded == {str(prefix / PYTHON_DIR / "tarn_lux" / "liborx_tarn_lux.so")}

