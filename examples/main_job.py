"""The main job: tarn_lux on camera data.

Reads the sample sensor files (12-bit RGGB mosaics with noise and hot pixels,
made by scripts/make_samples.py from scikit-image's photos), and for each:

  1. demosaics it in each of the three conversion modes and reports the PSNR
     of each against the original photo;
  2. runs the full pipeline: hot-pixel correction, high-quality demosaicing,
     a colour matrix with saturation, gamma, saved as PNG and JPEG;

then writes the focus-sweep frames as an MJPEG AVI and finds the sharpest.
Prints what it did and how long each step took.

    /usr/bin/python3 examples/main_job.py [--build DIR] [--samples DIR] [--out DIR]
"""

import argparse
import json
import pathlib
import sys
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parent.parent


def finish_steps(p):
    """Colour matrix with saturation, gamma, 8 bits: after demosaicing. `p` is tarn_lux.pipeline."""
    return [p.ColorMatrix(((1.15, -0.1, -0.05), (-0.05, 1.1, -0.05), (-0.05, -0.1, 1.15)), saturation=1.1),
            p.Gamma(2.2), p.Convert("RGB8")]


def full_pipeline(p):
    """The main job's pipeline over one raw frame (tests and benchmarks run it too)."""
    return p.Pipeline([p.HotPixels(3), p.Convert("RGB12", "hq")] + finish_steps(p))


def psnr(a, b):
    error = np.mean((a.astype(np.float64) - b.astype(np.float64)) ** 2)
    return float("inf") if error == 0 else 10 * np.log10(255.0 ** 2 / error)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=str(ROOT / "build"))
    parser.add_argument("--samples", default=str(ROOT / "samples"))
    parser.add_argument("--out", default=str(ROOT / "main-job-output"))
    args = parser.parse_args()
    sys.path.insert(0, str(pathlib.Path(args.build) / "python"))
    import tarn_lux as tl
    from tarn_lux import pipeline as p
    from PIL import Image as PILImage

    samples, out = pathlib.Path(args.samples), pathlib.Path(args.out)
    if not (samples / "manifest.json").exists():
        sys.path.insert(0, str(ROOT / "scripts"))
        import make_samples
        make_samples.main(samples)
    manifest = json.loads((samples / "manifest.json").read_text())
    out.mkdir(parents=True, exist_ok=True)

    finish = finish_steps(p)
    full = full_pipeline(p)
    modes = ("classic", "fast", "hq")
    print("tarn_lux main job: %d sample frames, pipeline %r\n" % (len(manifest["files"]), full))

    print("| sample | size | " + " | ".join("PSNR %s dB" % mode for mode in modes) + " | pipeline ms | files |")
    print("|---|---|" + "---:|" * len(modes) + "---:|---|")
    for entry in manifest["files"]:
        if not entry["format"].startswith("Bayer"):
            continue
        path = samples / entry["file"]
        raw = p.read_image(path, entry["format"], (entry["width"], entry["height"]))
        original = np.asarray(PILImage.open(samples / entry["original"]).convert("RGB"))
        scores = []
        for mode in modes:
            # Demosaicing alone on the linear data, brought to display values
            # as the original photo has them.
            check = p.Pipeline([p.Convert("RGB12", mode), p.Gamma(2.2), p.Convert("RGB8")])
            scores.append(psnr(check(raw).to_numpy(), original))
        started = time.perf_counter()
        result = full(raw)
        elapsed = (time.perf_counter() - started) * 1e3
        stem = out / path.stem
        p.write_image(stem.with_suffix(".png"), result)
        p.write_image(stem.with_suffix(".jpg"), result, quality=90)
        print("| %s | %dx%d | %s | %.1f | %s.png, .jpg |" % (entry["file"], entry["width"], entry["height"],
                                                          " | ".join("%.2f" % s for s in scores), elapsed,
                                                          stem.name))

    sequence = manifest["sequence"]
    frames = [samples / name for name in sequence["files"]]
    size = (sequence["width"], sequence["height"])
    timings = {}
    started = time.perf_counter()
    processed = p.Pipeline([p.HotPixels(3), p.Convert("RGB12", "fast"), p.Sharpness("tenengrad")] + finish)
    results = [processed.apply(p.read_image(frame, sequence["format"], size), timings=timings) for frame in frames]
    video = out / "sequence.avi"
    encoded, dropped = tl.write_video([result.image for result in results], video, fps=5, quality=90)
    elapsed = time.perf_counter() - started
    sharpest = max(range(len(results)), key=lambda i: results[i].measurements["sharpness"])
    print("\n%d sequence frames processed, %d encoded to %s (%d dropped) in %.2f s; the sharpest is %s (expected %s)"
          % (len(frames), encoded, video, dropped, elapsed, frames[sharpest].name, sequence["sharpest"]))
    total = sum(timings.values())
    print("time per step: " + ", ".join("%s %.0f%%" % (kind, 100 * t / total) for kind, t in timings.items()))
    print("outputs in %s" % out)


if __name__ == "__main__":
    main()
