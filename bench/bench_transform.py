"""Mirrors, turns, corrections and histograms on 5 MP RGB8 and Mono8 frames:
ours against OpenCV and against a plain copy of the frame (the bandwidth
limit). Prints a Markdown table per thread count.

usage: /usr/bin/python3 bench/bench_transform.py [BUILD_DIR]

Each thread setting (1 and 2) runs in its own process, because our pool takes
its size (TARN_LUX_THREADS) when it starts; OpenCV gets the same count.
"""

import os
import subprocess
import sys

import numpy as np

from bench_image import HEIGHT, WIDTH, median_ms

import cv2  # noqa: E402  (after bench_image has put the build on sys.path)
import tarn_lux  # noqa: E402
from tarn_lux import _tarn_lux_python_interface as m  # noqa: E402

LUMA = np.array([0.299, 0.587, 0.114])
MATRIX = np.array([[1.6, -0.3, -0.3], [-0.2, 1.4, -0.2], [0.05, -0.45, 1.4]])
SATURATION = 1.3
GAMMA = 2.2


def combined_matrix():
    """The colour matrix followed by the saturation around luma, as one matrix
    (what OpenCV's transform needs to do the same work)."""
    saturation = SATURATION * np.eye(3) + (1 - SATURATION) * np.tile(LUMA, (3, 1))
    return (saturation @ MATRIX).astype(np.float32)


def cases_for(name, array):
    """(case, ours, OpenCV or None) for one frame."""
    image = tarn_lux.Image.from_numpy(array)
    changing = tarn_lux.Image.from_numpy(array)
    transformer = tarn_lux.ImageTransformer()
    destination = np.empty_like(array)
    cases = [(f"{name} plain copy", lambda: np.copyto(destination, array), None)]
    for label, ours, flag in (("mirror up-down", transformer.MirrorUpDown, 0),
                              ("mirror left-right", transformer.MirrorLeftRight, 1),
                              ("mirror both", transformer.MirrorUpDownLeftRight, -1)):
        cases.append((f"{name} {label}", lambda f=ours: f(image), lambda f=flag: cv2.flip(array, f)))
    for angle, rotation in ((90, cv2.ROTATE_90_COUNTERCLOCKWISE), (180, cv2.ROTATE_180),
                            (270, cv2.ROTATE_90_CLOCKWISE)):
        cases.append((f"{name} rotate {angle}", lambda a=angle: transformer.Rotate(image, a),
                      lambda r=rotation: cv2.rotate(array, r)))
    for label, ours in (("mirror up-down in place", transformer.MirrorUpDownInPlace),
                        ("mirror left-right in place", transformer.MirrorLeftRightInPlace),
                        ("mirror both in place", transformer.MirrorUpDownLeftRightInPlace)):
        cases.append((f"{name} {label}", lambda f=ours: f(changing), None))
    for angle in (90, 180):
        cases.append((f"{name} rotate {angle} in place", lambda a=angle: transformer.RotateInPlace(changing, a), None))

    gain = tarn_lux.Gain(master=1.5)
    cases.append((f"{name} gain 1.5 (OpenCV convertScaleAbs)", lambda: gain.Process(image),
                  lambda: cv2.convertScaleAbs(array, alpha=1.5)))
    gamma = tarn_lux.GammaCorrector(GAMMA)
    table = np.clip(np.floor(255 * (np.arange(256) / 255) ** (1 / GAMMA) + 0.5), 0, 255).astype(np.uint8)
    cases.append((f"{name} gamma 2.2 (OpenCV LUT)", lambda: gamma.Process(image), lambda: cv2.LUT(array, table)))
    if array.ndim == 3:
        colour = tarn_lux.ColorCorrector(factors=MATRIX, saturation=SATURATION)
        matrix = combined_matrix()
        cases.append((f"{name} colour matrix + saturation (OpenCV transform)", lambda: colour.Process(image),
                      lambda: cv2.transform(array, matrix)))
    channels = 1 if array.ndim == 2 else array.shape[2]
    cases.append((f"{name} histogram (OpenCV calcHist)", lambda: tarn_lux.Histogram(image),
                  lambda: [cv2.calcHist([array], [c], None, [256], [0, 256]) for c in range(channels)]))
    return cases


def main():
    threads = int(os.environ["TARN_LUX_THREADS"])
    cv2.setNumThreads(threads)
    rng = np.random.default_rng(3)
    frames = [("RGB8", rng.integers(0, 256, (HEIGHT, WIDTH, 3), dtype=np.uint8)),
              ("Mono8", rng.integers(0, 256, (HEIGHT, WIDTH), dtype=np.uint8))]
    megapixels = WIDTH * HEIGHT / 1e6
    print(f"\n### {WIDTH}x{HEIGHT}, {threads} thread(s), ours and OpenCV\n")
    print("| case | ours ms | MP/s | share of copy bandwidth | OpenCV ms | ours/OpenCV speed |")
    print("|---|---:|---:|---:|---:|---:|")
    for name, array in frames:
        copy_ms = None
        for label, ours, reference in cases_for(name, array):
            if reference is None:
                (ours_ms,) = median_ms(ours)
                reference_text = " | "
            else:
                ours_ms, reference_ms = median_ms(ours, reference)
                reference_text = f"{reference_ms:.2f} | {reference_ms / ours_ms:.2f}x"
            copy_ms = copy_ms or ours_ms
            print(f"| {label} | {ours_ms:.2f} | {megapixels / ours_ms * 1e3:.0f} | {copy_ms / ours_ms:.0%} | "
                  f"{reference_text} |")


if __name__ == "__main__":
    if "TARN_LUX_THREADS" in os.environ:
        main()
    else:
        for setting in ("1", "2"):
            subprocess.run([sys.executable, __file__, *sys.argv[1:]], env=dict(os.environ, TARN_LUX_THREADS=setting),
                           check=True)
