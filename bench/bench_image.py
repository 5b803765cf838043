"""Image work on 5 MP frames: ours against OpenCV, with a plain copy as the
bandwidth limit.  Prints a Markdown table (median ms, MP/s, ratio).

usage: /usr/bin/python3 bench/bench_image.py [BUILD_DIR]

Each thread setting runs in its own process, because our pool takes its size
(TARN_LUX_THREADS) when it starts.
"""

import os
import pathlib
import subprocess
import statistics
import sys
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build") / "python"))

import cv2  # noqa: E402
import tarn_lux  # noqa: E402
from tarn_lux import _tarn_lux_python_interface as m  # noqa: E402

WIDTH, HEIGHT = 2592, 1944  # 5 MP
MIN_RUNS, MAX_RUNS, MIN_SECONDS = 15, 400, 0.8


def median_ms(*functions, min_runs=MIN_RUNS, min_seconds=MIN_SECONDS):
    """Median times of the functions, called in turn (so that both sides of a
    comparison see the same machine load), at least MIN_RUNS times each and
    for MIN_SECONDS in all: fast cases get many samples."""
    for function in functions:
        function()
    times = [[] for _ in functions]
    begun = time.perf_counter()
    while len(times[0]) < MAX_RUNS and (len(times[0]) < min_runs or time.perf_counter() - begun < min_seconds):
        for function, samples in zip(functions, times):
            start = time.perf_counter()
            function()
            samples.append((time.perf_counter() - start) * 1e3)
    return [statistics.median(samples) for samples in times]


def print_table(title, cases, extra_columns=()):
    """Times each case, (name, ours, reference or None, *extra column texts),
    and prints one Markdown table row for it."""
    megapixels = WIDTH * HEIGHT / 1e6
    print(f"\n### {title}\n")
    print("| case | ours ms | MP/s | reference ms | ours/reference speed |" + "".join(f" {c} |" for c in extra_columns))
    print("|---|---:|---:|---:|---:|" + "---:|" * len(extra_columns))
    for name, ours, reference, *extras in cases:
        if reference is None:
            (ours_ms,) = median_ms(ours)
            timing = f"| {name} | {ours_ms:.2f} | {megapixels / ours_ms * 1e3:.0f} | | |"
        else:
            ours_ms, reference_ms = median_ms(ours, reference)
            timing = (f"| {name} | {ours_ms:.2f} | {megapixels / ours_ms * 1e3:.0f} | {reference_ms:.2f} | "
                      f"{reference_ms / ours_ms:.2f}x |")
        print(timing + "".join(f" {extra} |" for extra in extras))


def main():
    rng = np.random.default_rng(1)
    rgb = rng.integers(0, 256, (HEIGHT, WIDTH, 3), dtype=np.uint8)
    mono12 = rng.integers(0, 4096, (HEIGHT, WIDTH), dtype=np.uint16)
    bayer = rng.integers(0, 256, (HEIGHT, WIDTH), dtype=np.uint8)
    image_rgb = tarn_lux.Image.from_numpy(rgb)
    image_mono12 = tarn_lux.Image.from_numpy(mono12)
    image_bayer = tarn_lux.Image.from_numpy(bayer, m.PixelFormatName_BayerRG8)
    bayer12 = rng.integers(0, 4096, (HEIGHT, WIDTH), dtype=np.uint16)
    image_bayer12 = tarn_lux.Image.from_numpy(bayer12, m.PixelFormatName_BayerRG12)
    half = tarn_lux.Size2D.New(WIDTH // 2, HEIGHT // 2)
    up = tarn_lux.Size2D.New(WIDTH * 3 // 2, HEIGHT * 3 // 2)
    destination = np.empty_like(rgb)

    cases = [("plain copy of an RGB8 frame (bandwidth)", lambda: np.copyto(destination, rgb), None)]
    cases.append(("crop 1024x1024 to numpy", lambda: image_rgb.Crop(tarn_lux.Point2D.New(100, 100),
                                                                      tarn_lux.Size2D.New(1024, 1024)).to_numpy(),
                  lambda: rgb[100:1124, 100:1124].copy()))
    for name in ("linear", "area", "cubic"):
        flag = getattr(cv2, "INTER_" + name.upper())
        algorithm = getattr(m, "InterpolationAlgorithm_" + name)
        for label, size in (("half", half), ("1.5x", up)):
            cases.append((f"scale {name} to {label}",
                          lambda s=size, a=algorithm: image_rgb.Scale(s, a),
                          lambda s=size, f=flag: cv2.resize(rgb, (s.width, s.height), interpolation=f)))
    cases.append(("RGB8 -> BGRa8", lambda: image_rgb.ConvertTo(m.PixelFormatName_BGRa8),
                  lambda: cv2.cvtColor(rgb, cv2.COLOR_RGB2BGRA)))
    cases.append(("Mono12 -> Mono8", lambda: image_mono12.ConvertTo(m.PixelFormatName_Mono8),
                  lambda: (mono12 >> 4).astype(np.uint8)))
    cases.append(("BayerRG8 -> RGB8 bilinear", lambda: image_bayer.ConvertTo(m.PixelFormatName_RGB8),
                  lambda: cv2.cvtColor(bayer, cv2.COLOR_BayerBG2RGB)))
    # Beyond the cases above: luma, 12-bit mosaics, gray from a mosaic.
    cases.append(("RGB8 -> Mono8", lambda: image_rgb.ConvertTo(m.PixelFormatName_Mono8),
                  lambda: cv2.cvtColor(rgb, cv2.COLOR_RGB2GRAY)))
    cases.append(("BayerRG12 -> RGB12 bilinear", lambda: image_bayer12.ConvertTo(m.PixelFormatName_RGB12),
                  lambda: cv2.cvtColor(bayer12, cv2.COLOR_BayerBG2RGB)))
    cases.append(("BayerRG8 -> Mono8", lambda: image_bayer.ConvertTo(m.PixelFormatName_Mono8),
                  lambda: cv2.cvtColor(bayer, cv2.COLOR_BayerBG2GRAY)))

    print_table(f"ours and OpenCV with {thread_label()}", cases)


def thread_label():
    """Sets OpenCV to the thread count ours runs with and names it."""
    threads = int(os.environ.get("TARN_LUX_THREADS", "0"))
    if threads:
        cv2.setNumThreads(threads)
    return f"{threads} thread(s)" if threads else "default threads"


def run_each_thread_setting(main, script):
    """Runs `main` here when this process is one setting's child, else `script`
    once with one thread and once with the default, each in its own process."""
    if "TARN_LUX_THREADS" in os.environ or "TARN_LUX_BENCH_CHILD" in os.environ:
        main()
        return
    for setting in ("1", "0"):
        environment = dict(os.environ, TARN_LUX_THREADS=setting)
        if setting == "0":
            del environment["TARN_LUX_THREADS"]
            environment["TARN_LUX_BENCH_CHILD"] = "1"
        subprocess.run([sys.executable, script, *sys.argv[1:]], env=environment, check=True)


if __name__ == "__main__":
    run_each_thread_setting(main, __file__)
