"""The main job's chain over many 5 MP BayerRG12p frames: our pipeline with 1
and 2 workers against the same chain written with OpenCV and numpy.

The chain: hot-pixel correction on the raw mosaic, demosaicing, a colour
matrix with saturation, gamma 2.2 down to 8 bits, a JPEG file (quality 90).
The reference unpacks the 12p stream with numpy, corrects hot pixels per
colour plane (a pixel above all eight same-colour neighbours is cut to their
maximum: cv2.dilate with a ring), demosaics with cvtColor (bilinear on the
12-bit data; VNG, which OpenCV offers for 8-bit data only, after a shift to 8
bits), applies the matrix with cv2.transform, gamma with a lookup table
(numpy on 12 bits, cv2.LUT on 8) and writes with cv2.imwrite.

Prints Markdown tables: frames per second with the ratio to OpenCV bilinear,
and the share of time per step.

usage: /usr/bin/python3 bench/bench_pipeline.py [--build DIR] [--frames N] [--distinct K]
"""

import argparse
import concurrent.futures
import pathlib
import sys
import tempfile
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "scripts"))
from make_samples import pack12p  # noqa: E402
WIDTH, HEIGHT = 2592, 1944  # 5 MP
QUALITY = 90
GAMMA = 2.2
MATRIX = ((1.15, -0.1, -0.05), (-0.05, 1.1, -0.05), (-0.05, -0.1, 1.15))
SATURATION = 1.1
LUMA = (0.299, 0.587, 0.114)


# --- test frames ------------------------------------------------------------------------

def make_frames(count, rng):
    """Packed BayerRG12p frames of a smooth scene with noise and hot pixels."""
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float32)
    frames = []
    for index in range(count):
        phase = index * 0.7
        scene = 0.5 + 0.35 * np.sin(x / 97.0 + phase) * np.cos(y / 61.0 - phase)
        values = scene * 3000 + rng.normal(0, 20, scene.shape)
        values.ravel()[rng.choice(values.size, 200, replace=False)] = 4095
        frames.append(pack12p(np.clip(values, 0, 4095).astype(np.uint16)))
    return frames


def unpack12p(data):
    groups = np.frombuffer(data, np.uint8).reshape(-1, 3).astype(np.uint16)
    out = np.empty((groups.shape[0], 2), np.uint16)
    out[:, 0] = groups[:, 0] | ((groups[:, 1] & 0x0F) << 8)
    out[:, 1] = (groups[:, 1] >> 4) | (groups[:, 2] << 4)
    return out.reshape(HEIGHT, WIDTH)


# --- the two chains ---------------------------------------------------------------------------

def ours(build):
    sys.path.insert(0, str(pathlib.Path(build) / "python"))
    import tarn_lux  # noqa: F401
    from tarn_lux import pipeline as p
    return p.Pipeline([p.HotPixels(3), p.Convert("RGB12", "hq"), p.ColorMatrix(MATRIX, SATURATION), p.Gamma(GAMMA),
                       p.Convert("RGB8")])


class Reference:
    """The chain with OpenCV and numpy; `demosaic` is "bilinear" or "vng"."""

    def __init__(self, demosaic):
        import cv2
        self.cv2, self.demosaic = cv2, demosaic
        self.ring = np.ones((3, 3), np.uint8)
        self.ring[1, 1] = 0
        # Saturation around luma is linear too: one matrix does both. The
        # frames are demosaiced straight to BGR (what imwrite takes), so the
        # matrix is reordered for BGR in and out.
        luma = np.tile(np.array(LUMA), (3, 1))
        rgb = (luma + SATURATION * (np.eye(3) - luma)) @ np.array(MATRIX)
        self.matrix = rgb[::-1, ::-1].astype(np.float32).copy()
        # Every 16-bit value has an entry: the matrix may push values above 4095.
        levels = np.minimum(np.arange(65536), 4095) / 4095.0
        self.lut16 = np.clip(np.rint(levels ** (1 / GAMMA) * 255), 0, 255).astype(np.uint8)
        self.lut8 = np.clip(np.rint((np.arange(256) / 255.0) ** (1 / GAMMA) * 255), 0, 255).astype(np.uint8)

    def run(self, data, path, timings):
        cv2 = self.cv2
        clock = _Clock(timings)
        raw = unpack12p(data)
        clock("unpack")
        planes = [raw[r::2, c::2] for r in (0, 1) for c in (0, 1)]
        for plane in planes:
            np.minimum(plane, cv2.dilate(plane, self.ring), out=plane)
        clock("hot pixels")
        if self.demosaic == "vng":
            bgr = cv2.cvtColor((raw >> 4).astype(np.uint8), cv2.COLOR_BayerBG2BGR_VNG)
        else:
            bgr = cv2.cvtColor(raw, cv2.COLOR_BayerBG2BGR)  # GenICam RG is OpenCV's BG
        clock("demosaic")
        corrected = cv2.transform(bgr, self.matrix)
        clock("colour matrix")
        if self.demosaic == "vng":
            out = cv2.LUT(corrected, self.lut8)
        else:
            out = self.lut16[corrected]
        clock("gamma to 8 bits")
        cv2.imwrite(str(path), out, [cv2.IMWRITE_JPEG_QUALITY, QUALITY])
        clock("write")


class _Clock:
    def __init__(self, timings):
        self.timings, self.last = timings, time.perf_counter()

    def __call__(self, step):
        now = time.perf_counter()
        self.timings[step] = self.timings.get(step, 0.0) + now - self.last
        self.last = now


# --- measuring ----------------------------------------------------------------------------------

def run_ours(pipeline, images, folder, workers):
    timings = {}
    started = time.perf_counter()
    results = pipeline.run(images, out=folder, format="jpg", quality=QUALITY, workers=workers, overwrite=True,
                           timings=timings)
    elapsed = time.perf_counter() - started
    failed = [r.error for r in results if not r.ok]
    if failed:
        raise SystemExit("our pipeline failed: %s" % failed[0])
    return elapsed, timings


def run_reference(reference, frames, count, folder, workers):
    timings = {}

    def one(index):
        local = {}
        reference.run(frames[index % len(frames)], folder / ("frame%06d.jpg" % index), local)
        return local

    started = time.perf_counter()
    with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
        for local in pool.map(one, range(count)):
            for step, seconds in local.items():
                timings[step] = timings.get(step, 0.0) + seconds
    return time.perf_counter() - started, timings


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=str(ROOT / "build"))
    parser.add_argument("--frames", type=int, default=100)
    parser.add_argument("--distinct", type=int, default=4, help="different frames made (they repeat)")
    args = parser.parse_args()

    pipeline = ours(args.build)
    import tarn_lux
    frames = make_frames(args.distinct, np.random.default_rng(7))
    # Our input: images made once from the packed bytes (the library copies them).
    images = [tarn_lux.Image.CreateFromSizeAndPythonBuffer("BayerRG12p", bytearray(frame), WIDTH, HEIGHT)
              for frame in frames]
    inputs = [images[i % len(images)] for i in range(args.frames)]

    rows, shares = [], {}
    with tempfile.TemporaryDirectory() as temporary:
        folder = pathlib.Path(temporary)
        # The first round warms caches, page tables and the library's pools.
        run_ours(pipeline, inputs[:4], folder, 1)
        cases = [("tarn_lux pipeline (HQ demosaic)", 1, lambda: run_ours(pipeline, inputs, folder, 1)),
                 ("tarn_lux pipeline (HQ demosaic)", 2, lambda: run_ours(pipeline, inputs, folder, 2))]
        for demosaic in ("bilinear", "vng"):
            reference = Reference(demosaic)
            for workers in (1, 2):
                cases.append(("OpenCV + numpy (%s)" % demosaic, workers,
                              lambda r=reference, w=workers: run_reference(r, frames, args.frames, folder, w)))
        for name, workers, run in cases:
            elapsed, timings = run()
            rows.append((name, workers, args.frames / elapsed, elapsed / args.frames * 1e3))
            if workers == 1:
                shares[name] = timings
            print("  %s, %d worker(s): %.2f frames/s" % (name, workers, args.frames / elapsed), file=sys.stderr)

    base = next(r for r in rows if r[0].startswith("OpenCV + numpy (bilinear)") and r[1] == 1)[2]
    print("%d frames of %dx%d BayerRG12p (%d distinct), JPEG quality %d\n" % (args.frames, WIDTH, HEIGHT,
                                                                              args.distinct, QUALITY))
    print("| chain | workers | frames/s | ms/frame | ratio to OpenCV bilinear, 1 worker |")
    print("|---|---:|---:|---:|---:|")
    for name, workers, fps, ms in rows:
        print("| %s | %d | %.2f | %.1f | %.2f |" % (name, workers, fps, ms, fps / base))
    print("\nShare of time per step (1 worker):\n")
    for name, timings in shares.items():
        total = sum(timings.values())
        print("- %s: " % name + ", ".join("%s %.0f%%" % (step, 100 * t / total) for step, t in timings.items()))


if __name__ == "__main__":
    main()
