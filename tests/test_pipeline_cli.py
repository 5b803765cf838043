"""Pipelines against the same steps called one by one, their descriptions in
TOML and JSON, many files on several threads, and the command line end to
end on the sample camera files."""

import json
import os
import pathlib
import pickle
import pty
import subprocess
import sys

import numpy as np
import pytest

from conftest import PACKAGE_PARENT, ROOT, tool_environment

sys.path.insert(0, str(ROOT / "scripts"))
import make_samples  # noqa: E402


@pytest.fixture(scope="module")
def samples(tmp_path_factory):
    folder = tmp_path_factory.mktemp("samples")
    make_samples.main(folder)
    manifest = json.loads((folder / "manifest.json").read_text())
    return folder, manifest


@pytest.fixture(scope="module")
def p(t):
    from tarn_lux import pipeline
    return pipeline


def bayer_sample(p, samples):
    folder, manifest = samples
    entry = next(e for e in manifest["files"] if e["format"] == "BayerRG12p")
    return p.read_image(folder / entry["file"], entry["format"], (entry["width"], entry["height"])), entry


def full_steps(p):
    return [p.HotPixels(3), p.Convert("RGB12", "hq"),
            p.ColorMatrix(((1.1, -0.05, -0.05), (-0.05, 1.1, -0.05), (-0.05, -0.05, 1.1)), saturation=1.2),
            p.Gamma(2.2), p.EdgeEnhancement(), p.Convert("RGB8"), p.Mirror(updown=True), p.Rotate(90),
            p.Scale(0.5, algorithm="area"), p.Crop(2, 3, 50, 40)]


def test_a_pipeline_equals_its_steps_called_one_by_one(p, samples):
    raw, _ = bayer_sample(p, samples)
    steps = full_steps(p)
    expected = raw
    for step in steps:
        expected = step.apply(expected)
    result = p.Pipeline(steps).apply(raw)
    assert np.array_equal(result.image.to_numpy(), expected.to_numpy())
    again = p.Pipeline(full_steps(p))(raw)  # fresh processors, same settings
    assert np.array_equal(again.to_numpy(), expected.to_numpy())


def test_measurements_leave_the_image_alone(p, samples):
    raw, _ = bayer_sample(p, samples)
    result = p.Pipeline([p.Convert("Mono8"), p.Sharpness("sobel"), p.Histogram()]).apply(raw)
    assert result.measurements["sharpness"] > 0
    histogram = result.measurements["histogram"]
    assert len(histogram) == 1 and sum(histogram[0]) == raw.Width() * raw.Height()


@pytest.mark.parametrize("ending", [".toml", ".json"])
def test_descriptions_round_trip(p, tmp_path, ending):
    pipeline = p.Pipeline(full_steps(p) + [p.Binning(2, mode="sum"), p.Gain(1.5, 1.1, 1.0, 0.9),
                                           p.Sharpness("tenengrad")])
    path = tmp_path / ("steps" + ending)
    pipeline.save(path)
    assert p.Pipeline.from_file(path) == pipeline
    assert pickle.loads(pickle.dumps(pipeline)) == pipeline


def test_bad_descriptions_say_what_is_wrong(p, tmp_path):
    with pytest.raises(ValueError, match="unknown step kind 'blur'"):
        p.Pipeline([{"kind": "blur"}])
    with pytest.raises(ValueError, match="step 'gamma'"):
        p.Pipeline([{"kind": "gamma", "strength": 2}])
    with pytest.raises(ValueError, match="list 'step'"):
        p.Pipeline.from_dict({"steps": 3})


def test_many_files_on_threads_give_the_same_bytes_in_order(p, samples, tmp_path):
    folder, manifest = samples
    sequence = manifest["sequence"]
    frames = [folder / name for name in sequence["files"]] + [folder / "missing.raw"]
    size = (sequence["width"], sequence["height"])
    pipeline = p.Pipeline([p.HotPixels(3), p.Convert("RGB8", "fast"), p.Gamma(2.2)])
    one = pipeline.run(frames, out=tmp_path / "one", workers=1, raw="BayerRG12p", size=size)
    two = pipeline.run(frames, out=tmp_path / "two", workers=2, raw="BayerRG12p", size=size)
    assert [r.input for r in two] == frames
    assert [r.ok for r in two] == [True] * (len(frames) - 1) + [False]
    assert "missing.raw" in two[-1].error
    for a, b in zip(one[:-1], two[:-1]):
        assert pathlib.Path(a.output).read_bytes() == pathlib.Path(b.output).read_bytes()
    again = pipeline.run(frames[:1], out=tmp_path / "one", raw="BayerRG12p", size=size)
    assert not again[0].ok and "exists" in again[0].error
    assert pipeline.run(frames[:1], out=tmp_path / "one", raw="BayerRG12p", size=size, overwrite=True)[0].ok


# --- the command line ---------------------------------------------------------------------

def cli(*args, cwd=None):
    environment = dict(os.environ, PYTHONPATH=str(PACKAGE_PARENT))
    return subprocess.run([sys.executable, "-m", "tarn_lux", *map(str, args)], capture_output=True, text=True,
                          env=environment, cwd=cwd, timeout=300)


def test_every_command_on_the_samples(samples, tmp_path):
    folder, manifest = samples
    entry = next(e for e in manifest["files"] if e["format"] == "BayerRG12p")
    raw = folder / entry["file"]
    size = "%dx%d" % (entry["width"], entry["height"])
    png = tmp_path / "photo.png"

    done = cli("convert", raw, png, "--raw", "BayerRG12p", "--size", size, "--to", "RGB8", "--mode", "hq")
    assert done.returncode == 0, done.stderr
    done = cli("info", png, raw, "--raw", "BayerRG12p", "--size", size)
    assert done.returncode == 1  # the PNG is no raw file of that size: reported, the rest goes on
    done = cli("info", png)
    assert done.returncode == 0 and "RGB8" in done.stdout and "R min" in done.stdout
    # Packed frames are unpacked for their statistics; numpy unpacks them independently.
    groups = np.frombuffer(raw.read_bytes(), np.uint8).reshape(-1, 3).astype(np.uint16)
    values = np.stack([groups[:, 0] | (groups[:, 1] & 0x0F) << 8, groups[:, 1] >> 4 | groups[:, 2] << 4], 1)
    done = cli("info", raw, "--raw", "BayerRG12p", "--size", size)
    assert done.returncode == 0, done.stderr
    assert "%s BayerRG12p, 12 bits per channel; value min %d max %d mean %.2f" % (
        size, values.min(), values.max(), values.mean()) in done.stdout

    sequence = manifest["sequence"]
    frames = [folder / name for name in sequence["files"]]
    ssize = "%dx%d" % (sequence["width"], sequence["height"])
    done = cli("process", *frames, "--raw", "BayerRG12p", "--size", ssize, "--out", tmp_path / "out",
               "--demosaic", "hq", "--hotpixels", "3", "--gamma", "2.2", "--format", "jpg", "--quality", "90",
               "--workers", "2")
    assert done.returncode == 0, done.stderr
    assert len(list((tmp_path / "out").glob("*.jpg"))) == len(frames)
    assert "%" not in done.stderr  # no progress bar when the output is piped

    done = cli("video", *frames, "--raw", "BayerRG12p", "--size", ssize, "--to", "RGB8", "--out",
               tmp_path / "clip.avi", "--fps", "10")
    assert done.returncode == 0, done.stderr
    assert "%d frames written, 0 dropped" % len(frames) in done.stdout
    probe = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                            "stream=codec_name,width,height,nb_read_frames,r_frame_rate", "-of", "csv=p=0",
                            str(tmp_path / "clip.avi")], capture_output=True, text=True, env=tool_environment())
    assert probe.stdout.strip() == "mjpeg,%d,%d,10/1,%d" % (sequence["width"], sequence["height"], len(frames))

    done = cli("histogram", png, "--plot", tmp_path / "histogram.png")
    assert done.returncode == 0 and (tmp_path / "histogram.png").stat().st_size > 0
    done = cli("sharpness", *frames, "--raw", "BayerRG12p", "--size", ssize, "--plot", tmp_path / "focus.png")
    assert done.returncode == 0, done.stderr
    assert "sharpest: %s" % (folder / sequence["sharpest"]) in done.stdout


def test_errors_are_one_line_with_their_exit_status(samples, tmp_path):
    corrupt = tmp_path / "corrupt.png"
    corrupt.write_bytes(b"\x89PNG\r\n\x1a\n" + b"\0" * 40)
    for args in (("info", tmp_path / "missing.png"), ("info", corrupt), ("convert", corrupt, tmp_path / "x.png")):
        done = cli(*args)
        assert done.returncode == 1
        assert "Traceback" not in done.stderr and len(done.stderr.strip().splitlines()) == 1
    for args in (("frobnicate",), ("convert", "a.png"), ("process", "a.png", "--out", "o", "--format", "gif")):
        done = cli(*args)
        assert done.returncode == 2 and "usage:" in done.stderr
    assert cli("--help").returncode == 0 and "examples:" in cli("--help").stdout
    for command in ("info", "convert", "process", "video", "histogram", "sharpness"):
        done = cli(command, "--help")
        assert done.returncode == 0 and done.stdout.startswith("usage: python3 -m tarn_lux %s" % command)


def test_a_progress_bar_on_a_terminal(samples, tmp_path):
    folder, manifest = samples
    sequence = manifest["sequence"]
    frames = [str(folder / name) for name in sequence["files"]]
    ssize = "%dx%d" % (sequence["width"], sequence["height"])
    environment = dict(os.environ, PYTHONPATH=str(PACKAGE_PARENT))
    pid, fd = pty.fork()
    if pid == 0:  # the child: the command line on a terminal
        os.execve(sys.executable, [sys.executable, "-m", "tarn_lux", "sharpness", *frames, "--raw", "BayerRG12p",
                                   "--size", ssize], environment)
    output = b""
    while True:
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        output += chunk
    os.waitpid(pid, 0)
    assert b"100%" in output


def test_packed_frames_are_unpacked_once_for_the_processors(p, samples):
    raw, entry = bayer_sample(p, samples)
    unpacked = p.Convert("BayerRG12").apply(raw)
    assert unpacked.PixelFormat().Name() == "BayerRG12"
    for step in (p.HotPixels(3), p.Binning(2), p.Gain(1.5), p.Mirror(), p.Scale(0.5)):
        assert np.array_equal(step.apply(raw).to_numpy(), step.apply(unpacked).to_numpy()), step
    assert p.Sharpness("sobel").measure(raw) == p.Sharpness("sobel").measure(unpacked)
    assert p.Crop(0, 0, 16, 8).apply(raw).PixelFormat().Name() == "BayerRG12p"


def test_the_hot_pixels_of_the_samples_are_corrected(p, samples):
    raw, entry = bayer_sample(p, samples)
    before = p.Convert("BayerRG12").apply(raw).to_numpy().astype(np.int32)
    height, width = before.shape
    strong = []  # hot pixels far above every same-colour neighbour
    for x, y in entry["hot_pixels"]:
        if 2 <= x < width - 2 and 2 <= y < height - 2:
            neighbours = np.delete(before[y - 2:y + 3:2, x - 2:x + 3:2].ravel(), 4)
            if before[y, x] > neighbours.max() + 1000:
                strong.append((x, y, neighbours.max()))
    assert len(strong) > 20
    changed = []
    for level in (1, 3, 5):
        after = p.HotPixels(level).apply(raw).to_numpy().astype(np.int32)
        changed.append(np.count_nonzero(before != after))
        if level >= 3:
            assert [(x, y) for x, y, top in strong if after[y, x] > top + 64] == []
    assert changed == sorted(changed)  # a higher sensitivity corrects more
    assert changed[1] < before.size // 100  # the rest of the frame keeps its values
