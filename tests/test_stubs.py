"""The type stubs: the built ones are what the generator makes of today's
descriptions, they agree with the module at run time (stubtest), and a type
checker reading them accepts right calls and catches wrong ones."""

import subprocess
import sys
import textwrap

import pytest

from conftest import PACKAGE_PARENT, ROOT, tool_environment

STUBS = ["__init__.pyi", "_enums.pyi", "_proxies.pyi", "_tarn_lux_python_interface.pyi"]
PACKAGE = PACKAGE_PARENT / "tarn_lux"
MYPY_CONFIG = ROOT / "tests" / "mypy.ini"

pytest.importorskip("mypy", reason="the Debian package mypy checks the stubs")


def checker_environment():
    return tool_environment(PYTHONPATH=str(PACKAGE_PARENT), MYPYPATH=str(PACKAGE_PARENT))


def test_the_built_stubs_are_what_the_descriptions_make_today(tmp_path):
    subprocess.run([sys.executable, str(ROOT / "tools" / "wrapgen" / "generate.py"),
                    str(ROOT / "python_interface" / "wrappers"), str(tmp_path / "cpp"), str(tmp_path / "_proxies.py")],
                   check=True, env=tool_environment())
    for name in STUBS:
        fresh = (tmp_path / name).read_text()
        assert fresh.startswith("# Type stubs generated"), name
        assert (PACKAGE / name).read_text() == fresh, "%s is stale: rebuild" % name
    assert (PACKAGE / "py.typed").exists()


def test_stubs_agree_with_the_module_at_run_time(tmp_path):
    # The proxy methods take (self, *args) at run time so that the flat
    # functions word every argument error; the stubs state the native forms
    # instead. That difference is the only one allowed.
    allowlist = tmp_path / "allowlist"
    allowlist.write_text("tarn_lux.__main__\ntarn_lux.liborx_tarn_lux\n")
    done = subprocess.run([sys.executable, "-m", "mypy.stubtest", "tarn_lux", "--concise", "--ignore-positional-only",
                           "--mypy-config-file", str(MYPY_CONFIG), "--allowlist", str(allowlist)],
                          capture_output=True, text=True, env=checker_environment(), cwd=tmp_path, timeout=900)
    problems = [line for line in done.stdout.splitlines()
                if line.strip() and 'stub does not have *args argument "args"' not in line]
    assert not problems, "\n".join(problems[:40]) + done.stderr[-2000:]
    assert "error: not checking stubs" not in done.stdout + done.stderr


def mypy(tmp_path, source):
    path = tmp_path / "user.py"
    path.write_text(textwrap.dedent(source))
    done = subprocess.run([sys.executable, "-m", "mypy", "--config-file", str(MYPY_CONFIG), "--no-error-summary",
                           "--show-error-codes", str(path)],
                          capture_output=True, text=True, env=checker_environment(), cwd=tmp_path, timeout=900)
    return done.stdout


def test_a_type_checker_accepts_right_calls_and_catches_wrong_ones(tmp_path):
    right = mypy(tmp_path, """
        import numpy as np
        import tarn_lux
        from tarn_lux import _tarn_lux_python_interface as flat

        image = tarn_lux.Image.CreateFromSize("BayerRG8", 64, 48)
        width: int = image.Width() + image.Height()
        rgb: tarn_lux.Image = image.ConvertTo(tarn_lux.PixelFormatName.RGB8, tarn_lux.ConversionMode.HighQuality)
        half: tarn_lux.Image = rgb.Scale(tarn_lux.ScaleFactor(0.5, 0.5), tarn_lux.InterpolationAlgorithm_area)
        part = rgb.Crop(tarn_lux.Point2D(1, 2), tarn_lux.Size2D(8, 8))
        name: str = part.PixelFormat().Name()
        big: bool = tarn_lux.PixelFormat("Mono12").IsPacked()
        count: int = flat.Image_Width(image)
        also: tarn_lux.Image = flat.Image_ConvertTo(image, tarn_lux.PixelFormatName.Mono8)
        pipeline = tarn_lux.Pipeline([])
        array = np.zeros((4, 4), np.uint8)
    """)
    assert right == ""
    wrong = mypy(tmp_path, """
        import tarn_lux

        image = tarn_lux.Image.CreateFromSize("BayerRG8", 64, 48)
        image.Width(3)
        text: str = image.Height()
        image.Crop("the middle")
        tarn_lux.Image.CreateFromSize("BayerRG8", "wide", 48)
        tarn_lux.PixelFormatName.NoSuchFormat
    """).splitlines()
    wrong = [line for line in wrong if ": error:" in line]
    assert [line.split(":")[1] for line in wrong] == ["5", "6", "7", "8", "9"], "\n".join(wrong)
    assert "Too many arguments" in wrong[0] and "incompatible type" in wrong[3].lower()
    assert "No overload variant" in wrong[2] and "NoSuchFormat" in wrong[4]
