"""Image files on 5 MP frames: writing and reading PNG, JPEG (quality 75 and
95) and BMP, ours against OpenCV (imencode/imdecode plus the file I/O) and
Pillow, in one run on the same photo-like data. Prints Markdown tables with
median times, file sizes and the speed ratios (reference time / our time),
and BMP's bandwidth beside a plain copy of the frame.

usage: /usr/bin/python3 bench/bench_files.py [BUILD_DIR]

Each thread setting runs in its own process, because our pool takes its size
(TARN_LUX_THREADS) when it starts. OpenCV and Pillow encode and decode these
files on one thread whatever they are told.
"""

import os
import pathlib
import sys
import tempfile

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build") / "python"))

import cv2  # noqa: E402
import skimage.data  # noqa: E402
from PIL import Image as PILImage  # noqa: E402

import tarn_lux  # noqa: E402
import bench_image  # noqa: E402
from tarn_lux import _tarn_lux_python_interface as m  # noqa: E402

WIDTH, HEIGHT = 2592, 1944  # 5 MP


def median_ms(*functions):
    """Slow cases (a PNG write takes a fifth of a second) need fewer runs."""
    return bench_image.median_ms(*functions, min_runs=5, min_seconds=1.0)


def camera_frame():
    """A photo enlarged to 5 MP with a little sensor-like noise: smooth areas,
    edges and the grain that decides how well lossless formats compress."""
    photo = cv2.resize(skimage.data.astronaut(), (WIDTH, HEIGHT), interpolation=cv2.INTER_CUBIC)
    noise = np.random.default_rng(1).normal(0, 1.5, photo.shape)
    return np.clip(photo + noise, 0, 255).astype(np.uint8)


def jpeg_quality(quality):
    parameter = tarn_lux.ImageWriterJPEGParameter()
    parameter.Quality = quality
    return parameter


def cases_for(label, array, folder):
    """(name, ours, OpenCV, Pillow, our file, OpenCV's file, Pillow's file) per case."""
    image = tarn_lux.Image.from_numpy(array)
    bgr = cv2.cvtColor(array, cv2.COLOR_RGB2BGR) if array.ndim == 3 else array
    pil = PILImage.fromarray(array)
    ours_file = lambda ending: str(folder / f"ours_{label}.{ending}")  # noqa: E731
    cv_file = lambda ending: str(folder / f"cv2_{label}.{ending}")  # noqa: E731
    pil_file = lambda ending: str(folder / f"pil_{label}.{ending}")  # noqa: E731

    def cv_write(ending, *params):
        def write():
            ok, encoded = cv2.imencode("." + ending, bgr, list(params))
            encoded.tofile(cv_file(ending))
        return write

    def cv_read(ending):
        return lambda: cv2.imdecode(np.fromfile(cv_file(ending), np.uint8), cv2.IMREAD_UNCHANGED)

    def ours_read(ending):
        return lambda: m.ImageReader_Read(ours_file(ending))

    def pil_read(ending):
        return lambda: np.asarray(PILImage.open(pil_file(ending)))

    cases = [
        (f"{label} PNG write", lambda: m.ImageWriter_WriteAsPNG(ours_file("png"), image), cv_write("png"),
         lambda: pil.save(pil_file("png")), "png"),
        (f"{label} PNG read", ours_read("png"), cv_read("png"), pil_read("png"), "png"),
    ]
    for quality in (75, 95):
        ending = f"q{quality}.jpg"
        parameter = jpeg_quality(quality)
        cases += [
            (f"{label} JPEG q{quality} write",
             lambda e=ending, p=parameter: m.ImageWriter_WriteAsJPG(ours_file(e), image, p),
             lambda e=ending, q=quality: (lambda ok_buf: ok_buf[1].tofile(cv_file(e)))(
                 cv2.imencode(".jpg", bgr, [cv2.IMWRITE_JPEG_QUALITY, q])),
             lambda e=ending, q=quality: pil.save(pil_file(e), format="JPEG", quality=q), ending),
            (f"{label} JPEG q{quality} read", ours_read(ending), cv_read(ending), pil_read(ending), ending),
        ]
    cases += [
        (f"{label} BMP write", lambda: m.ImageWriter_WriteAsBMP(ours_file("bmp"), image), cv_write("bmp"),
         lambda: pil.save(pil_file("bmp")), "bmp"),
        (f"{label} BMP read", ours_read("bmp"), cv_read("bmp"), pil_read("bmp"), "bmp"),
    ]
    return [(name, ours, cv, pil_, ours_file(e), cv_file(e), pil_file(e)) for name, ours, cv, pil_, e in cases]


def psnr(path, original):
    decoded = cv2.imread(path, cv2.IMREAD_UNCHANGED)
    if decoded.ndim == 3:
        decoded = cv2.cvtColor(decoded, cv2.COLOR_BGR2RGB)
    mse = np.mean((decoded.astype(np.float64) - original) ** 2)
    return 10 * np.log10(255.0 ** 2 / mse)


def main():
    threads = int(os.environ.get("TARN_LUX_THREADS", "0"))
    label = f"{threads} thread" if threads else "default threads (2 here)"
    rgb = camera_frame()
    mono = cv2.cvtColor(rgb, cv2.COLOR_RGB2GRAY)
    frame_bytes = rgb.nbytes
    copy_target = np.empty_like(rgb)
    (copy_ms,) = median_ms(lambda: np.copyto(copy_target, rgb))

    print(f"\n### Image files, 5 MP ({WIDTH}x{HEIGHT}), ours with {label}\n")
    print("| case | ours ms | ours KB | OpenCV ms | OpenCV KB | OpenCV/ours | Pillow ms | Pillow KB | Pillow/ours |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    with tempfile.TemporaryDirectory() as folder:
        folder = pathlib.Path(folder)
        bmp_rates = []
        for label_, array in (("RGB8", rgb), ("Mono8", mono)):
            for name, ours, cv, pil, ours_path, cv_path, pil_path in cases_for(label_, array, folder):
                ours_ms, cv_ms, pil_ms = median_ms(ours, cv, pil)
                sizes = [os.path.getsize(p) / 1024 for p in (ours_path, cv_path, pil_path)]
                print(f"| {name} | {ours_ms:.1f} | {sizes[0]:.0f} | {cv_ms:.1f} | {sizes[1]:.0f} | "
                      f"{cv_ms / ours_ms:.2f}x | {pil_ms:.1f} | {sizes[2]:.0f} | {pil_ms / ours_ms:.2f}x |")
                if "BMP" in name:
                    bmp_rates.append((name, array.nbytes / ours_ms / 1e6))
            for quality in (75, 95):
                ours_psnr = psnr(str(folder / f"ours_{label_}.q{quality}.jpg"), array)
                cv_psnr = psnr(str(folder / f"cv2_{label_}.q{quality}.jpg"), array)
                print(f"| {label_} JPEG q{quality} PSNR dB | {ours_psnr:.2f} | | {cv_psnr:.2f} | | | | | |")
    print(f"\nPlain copy of the RGB8 frame: {copy_ms:.2f} ms, {frame_bytes / copy_ms / 1e6:.1f} GB/s "
          "(read + write of the frame)")
    for name, rate in bmp_rates:
        print(f"{name}: {rate:.2f} GB/s of pixels, {rate / (frame_bytes / copy_ms / 1e6) * 100:.0f} % of the copy")


if __name__ == "__main__":
    bench_image.run_each_thread_setting(main, __file__)
