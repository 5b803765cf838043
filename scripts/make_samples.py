"""Makes the sample camera files from the photos that scikit-image ships:
each photo mosaicked as an RGGB sensor would see it (12 bits, with shot and
read noise and a few hot pixels), stored as headerless BayerRG12p files, the
grey version as Mono10p, and a short sequence of frames of one scene whose
focus sweeps from blurred to sharp and back.

    /usr/bin/python3 scripts/make_samples.py [OUT_DIR]      (default: samples/)

Every file is written next to a `manifest.json` that names its pixel format
and size, and the original photos are kept as 8-bit PNGs for comparisons.
Nothing is downloaded; the same seed gives the same files.
"""

import json
import pathlib
import sys

import numpy as np
from PIL import Image as PILImage
from skimage import data, filters

PHOTOS = ("astronaut", "chelsea", "coffee")
FULL_SCALE = 4095
HOT_PIXELS = 40
SEQUENCE = 8


def pack12p(values):
    """GenICam 12p: pixel pairs in three bytes, least significant bits first."""
    flat = values.astype(np.uint16).ravel()
    if flat.size % 2:
        flat = np.append(flat, 0)
    a, b = flat[0::2], flat[1::2]
    out = np.empty((a.size, 3), np.uint8)
    out[:, 0] = a & 0xFF
    out[:, 1] = (a >> 8) | ((b & 0x0F) << 4)
    out[:, 2] = b >> 4
    return out.tobytes()


def pack10p(values):
    """GenICam 10p: four pixels in five bytes, least significant bits first."""
    flat = values.astype(np.uint64).ravel()
    padding = (-flat.size) % 4
    flat = np.append(flat, np.zeros(padding, np.uint64))
    groups = flat.reshape(-1, 4)
    word = groups[:, 0] | (groups[:, 1] << 10) | (groups[:, 2] << 20) | (groups[:, 3] << 30)
    out = np.empty((groups.shape[0], 5), np.uint8)
    for i in range(5):
        out[:, i] = (word >> (8 * i)) & 0xFF
    return out.tobytes()


def mosaic_rggb(rgb):
    """The one colour sample an RGGB sensor keeps at each site."""
    height, width = rgb.shape[:2]
    out = np.empty((height, width), rgb.dtype)
    out[0::2, 0::2] = rgb[0::2, 0::2, 0]
    out[0::2, 1::2] = rgb[0::2, 1::2, 1]
    out[1::2, 0::2] = rgb[1::2, 0::2, 1]
    out[1::2, 1::2] = rgb[1::2, 1::2, 2]
    return out


def sensor(linear, rng, full_scale):
    """Shot noise, read noise and hot pixels on a linear signal in [0, 1]."""
    electrons = linear * full_scale
    noisy = rng.poisson(np.maximum(electrons, 0) * 0.25) / 0.25 + rng.normal(0, 2.0, linear.shape)
    hot = rng.choice(noisy.size, HOT_PIXELS, replace=False)
    noisy.ravel()[hot] += rng.uniform(0.3, 0.9, HOT_PIXELS) * full_scale
    return np.clip(np.rint(noisy), 0, full_scale).astype(np.uint16), np.sort(hot)


def even_crop(photo):
    return photo[: photo.shape[0] // 2 * 2, : photo.shape[1] // 2 * 2]


def main(out):
    out.mkdir(parents=True, exist_ok=True)
    rng = np.random.default_rng(2026)
    manifest = {"files": []}

    for name in PHOTOS:
        photo = even_crop(getattr(data, name)())
        height, width = photo.shape[:2]
        PILImage.fromarray(photo).save(out / f"{name}_original.png")
        linear = (photo / 255.0) ** 2.2  # the sensor sees light, not display values
        raw, hot = sensor(mosaic_rggb(linear), rng, FULL_SCALE)
        (out / f"{name}_BayerRG12p.raw").write_bytes(pack12p(raw))
        manifest["files"].append({"file": f"{name}_BayerRG12p.raw", "format": "BayerRG12p", "width": width,
                                  "height": height, "original": f"{name}_original.png",
                                  "hot_pixels": [[int(i % width), int(i // width)] for i in hot]})
        grey = linear @ np.array([0.299, 0.587, 0.114])
        mono, _ = sensor(grey, rng, 1023)
        (out / f"{name}_Mono10p.raw").write_bytes(pack10p(mono))
        manifest["files"].append({"file": f"{name}_Mono10p.raw", "format": "Mono10p", "width": width,
                                  "height": height})

    # A focus sweep: the sharpest frame is the middle one.
    scene = even_crop(data.coffee()) / 255.0
    sequence = []
    for index in range(SEQUENCE):
        sigma = abs(index - SEQUENCE // 2) * 1.5
        frame = filters.gaussian(scene, sigma=sigma, channel_axis=-1) if sigma else scene
        raw, _ = sensor(mosaic_rggb(frame ** 2.2), rng, FULL_SCALE)
        file = f"sequence_{index:02d}_BayerRG12p.raw"
        (out / file).write_bytes(pack12p(raw))
        sequence.append(file)
    manifest["sequence"] = {"files": sequence, "format": "BayerRG12p", "width": scene.shape[1],
                            "height": scene.shape[0], "sharpest": sequence[SEQUENCE // 2]}
    (out / "manifest.json").write_text(json.dumps(manifest, indent=1) + "\n")
    print(f"samples written to {out}: {len(manifest['files'])} photos and {SEQUENCE} sequence frames")


if __name__ == "__main__":
    main(pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / "samples"))
