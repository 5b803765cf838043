"""Binning, decimation, hot pixels, edge enhancement and sharpness on 5 MP
frames against OpenCV and numpy, with a plain copy as the bandwidth limit.
Prints a Markdown table per thread setting (median ms, MP/s, ratio).

usage: /usr/bin/python3 bench/bench_sensor.py [BUILD_DIR]
"""

import pathlib
import sys

import numpy as np

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))

from bench_image import HEIGHT, WIDTH, print_table, run_each_thread_setting, thread_label  # noqa: E402
import cv2  # noqa: E402
import tarn_lux  # noqa: E402
from tarn_lux import _tarn_lux_python_interface as m  # noqa: E402

HOT_THRESHOLD = 20  # DN: what our default level arrives at for noise of 2 DN


def noisy_mosaic(rng):
    """A smooth 5 MP RGGB scene with Gaussian noise of 2 DN and 1000 hot pixels."""
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH]
    scene = 90 + 60 * np.sin(x / 150.0) * np.cos(y / 110.0) + rng.normal(0, 2, (HEIGHT, WIDTH))
    frame = np.clip(scene, 0, 255).astype(np.uint8)
    spots = rng.choice(frame.size, 1000, replace=False)
    frame.flat[spots] = np.minimum(frame.flat[spots].astype(int) + rng.integers(40, 201, 1000), 255)
    return frame


def median_detection(frame):
    """Reference: per colour site, hot where the sample exceeds the 3 x 3 median of its site by the threshold."""
    found = []
    for i in range(2):
        for j in range(2):
            plane = np.ascontiguousarray(frame[i::2, j::2])
            ys, xs = np.nonzero(cv2.subtract(plane, cv2.medianBlur(plane, 3)) > HOT_THRESHOLD)
            found.append((ys * 2 + i, xs * 2 + j))
    return found


def median_correction(frame):
    corrected = frame.copy()
    for i in range(2):
        for j in range(2):
            plane = np.ascontiguousarray(frame[i::2, j::2])
            median = cv2.medianBlur(plane, 3)
            hot = cv2.subtract(plane, median) > HOT_THRESHOLD
            corrected[i::2, j::2] = np.where(hot, median, plane)
    return corrected


def sobel_magnitude(gray):
    gx = cv2.Sobel(gray, cv2.CV_32F, 1, 0)
    gy = cv2.Sobel(gray, cv2.CV_32F, 0, 1)
    return float(cv2.magnitude(gx, gy).mean())


def laplacian_variance(gray):
    return float(cv2.Laplacian(gray, cv2.CV_16S).var())


def main():
    rng = np.random.default_rng(1)
    mono = rng.integers(0, 256, (HEIGHT, WIDTH), dtype=np.uint8)
    rgb = rng.integers(0, 256, (HEIGHT, WIDTH, 3), dtype=np.uint8)
    image_mono, image_rgb = tarn_lux.Image.from_numpy(mono), tarn_lux.Image.from_numpy(rgb)
    mosaic = noisy_mosaic(rng)
    image_mosaic = tarn_lux.Image.from_numpy(mosaic, m.PixelFormatName_BayerRG8)
    half = (WIDTH // 2, HEIGHT // 2)
    third = (WIDTH // 3, HEIGHT // 3)
    copy_target = np.empty_like(rgb)
    quarter = np.empty((HEIGHT // 2, WIDTH // 2, 3), np.uint8)

    cases = [("plain copy of an RGB8 frame (bandwidth)", lambda: np.copyto(copy_target, rgb), None)]
    for label, array, image in (("Mono8", mono, image_mono), ("RGB8", rgb, image_rgb)):
        average, total, three = tarn_lux.Binning(2, 2), tarn_lux.Binning(2, 2, mode="sum"), tarn_lux.Binning(3, 3)
        cases.append((f"binning 2x2 average {label} (vs INTER_AREA)", lambda b=average, i=image: b.Process(i),
                      lambda a=array: cv2.resize(a, half, interpolation=cv2.INTER_AREA)))
        cases.append((f"binning 2x2 sum {label} (vs INTER_AREA)", lambda b=total, i=image: b.Process(i),
                      lambda a=array: cv2.resize(a, half, interpolation=cv2.INTER_AREA)))
        cases.append((f"binning 3x3 average {label} (vs INTER_AREA)", lambda b=three, i=image: b.Process(i),
                      lambda a=array: cv2.resize(a, third, interpolation=cv2.INTER_AREA)))
        decimation = tarn_lux.Decimation(2, 2)
        cases.append((f"decimation 2x2 {label} (vs numpy slicing)", lambda d=decimation, i=image: d.Process(i),
                      lambda a=array: np.ascontiguousarray(a[::2, ::2])))
    cases.append(("decimation 2x2 RGB8 (vs copy of its output)", lambda: tarn_lux.Decimation(2, 2).Process(image_rgb),
                  lambda: np.copyto(quarter, rgb[:HEIGHT // 2, :WIDTH // 2])))
    corrector = tarn_lux.HotpixelCorrection()
    cases.append(("hot pixels: detect, BayerRG8 (vs per-site medianBlur)", lambda: corrector.Detect(image_mosaic),
                  lambda: median_detection(mosaic)))
    cases.append(("hot pixels: adaptive correction, BayerRG8 (vs medianBlur)",
                  lambda: corrector.CorrectAdaptive(image_mosaic), lambda: median_correction(mosaic)))
    edge = tarn_lux.EdgeEnhancement()
    for label, array, image in (("Mono8", mono, image_mono), ("RGB8", rgb, image_rgb)):
        cases.append((f"edge enhancement {label} (vs GaussianBlur + addWeighted)", lambda i=image: edge.Process(i),
                      lambda a=array: cv2.addWeighted(a, 2.0, cv2.GaussianBlur(a, (3, 3), 0), -1.0, 0)))
    for algorithm, name in enumerate(("Tenengrad", "MeanScore", "HistogramVariance", "Sobel")):
        sharpness = tarn_lux.Sharpness(algorithm)
        reference = laplacian_variance if name in ("MeanScore", "HistogramVariance") else sobel_magnitude
        cases.append((f"sharpness {name} Mono8 (vs {reference.__name__.replace('_', ' ')})",
                      lambda s=sharpness: s.Measure(image_mono), lambda r=reference: r(mono)))
    print_table(f"ours and the references with {thread_label()}", cases)


if __name__ == "__main__":
    run_each_thread_setting(main, __file__)
