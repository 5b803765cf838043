"""Pixel format conversion on 5 MP frames: ours against OpenCV and numpy in
the same run, each demosaicing mode with its PSNR beside it. Prints Markdown
tables (median ms, MP/s, ratio), one per thread count (1 and 2).

usage: /usr/bin/python3 bench/bench_convert.py [BUILD_DIR]

PSNR: mean over scikit-image's astronaut, chelsea, coffee and rocket,
mosaicked RGGB, over R, G and B jointly, 8-bit peak, 4-pixel border left out.
"""

import os
import subprocess
import sys

import numpy as np

from bench_image import HEIGHT, ROOT, WIDTH, print_table

sys.path.insert(0, str(ROOT / "tests"))

import cv2  # noqa: E402  (after bench_image has put the build on the path)
import skimage.data  # noqa: E402
import tarn_lux  # noqa: E402
from mosaic_photos import PHOTOS, psnr, rggb  # noqa: E402
from tarn_lux import _tarn_lux_python_interface as m  # noqa: E402

MODES = ("Classic", "Fast", "HighQuality")
OPENCV_DEMOSAIC = {"bilinear": cv2.COLOR_BayerBG2RGB, "EA": cv2.COLOR_BayerBG2RGB_EA, "VNG": cv2.COLOR_BayerBG2RGB_VNG}


def photo_psnr():
    """Mean PSNR of each of our modes and each OpenCV method."""
    scores = {}
    converter = tarn_lux.ImageConverter()
    for name in PHOTOS:
        rgb = getattr(skimage.data, name)()
        mosaic = rggb(rgb)
        image = tarn_lux.Image.from_numpy(mosaic, m.PixelFormatName_BayerRG8)
        for mode in MODES:
            converter.SetConversionMode(getattr(m, "ConversionMode_" + mode))
            scores.setdefault(mode, []).append(psnr(converter.Convert(image, m.PixelFormatName_RGB8).to_numpy(), rgb))
        for method, code in OPENCV_DEMOSAIC.items():
            scores.setdefault(method, []).append(psnr(cv2.cvtColor(mosaic, code), rgb))
    return {key: float(np.mean(values)) for key, values in scores.items()}


def unpack12p(packed):
    """Mono12p as numpy unpacks it: three bytes hold two pixels."""
    triples = packed.reshape(-1, 3).astype(np.uint16)
    out = np.empty((triples.shape[0], 2), np.uint16)
    out[:, 0] = triples[:, 0] | (triples[:, 1] & 0x0F) << 8
    out[:, 1] = triples[:, 1] >> 4 | triples[:, 2] << 4
    return out.reshape(HEIGHT, WIDTH)


def unpack10g40_to_8(packed):
    """Mono10g40ORX to 8 bits: the first four bytes of each group are the high bits."""
    return np.ascontiguousarray(packed.reshape(-1, 5)[:, :4]).reshape(HEIGHT, WIDTH)


def converter_in(mode):
    converter = tarn_lux.ImageConverter()
    converter.SetConversionMode(getattr(m, "ConversionMode_" + mode))
    return converter


def cases():
    rng = np.random.default_rng(1)
    # A photo-like mosaic: a scaled-up photo, so that edges and flat areas both occur.
    rgb = cv2.resize(skimage.data.astronaut(), (WIDTH, HEIGHT), interpolation=cv2.INTER_LINEAR)
    bayer = rggb(rgb)
    bayer12 = bayer.astype(np.uint16) << 4
    image_rgb = tarn_lux.Image.from_numpy(rgb)
    image_bayer = tarn_lux.Image.from_numpy(bayer, m.PixelFormatName_BayerRG8)
    image_bayer12 = tarn_lux.Image.from_numpy(bayer12, m.PixelFormatName_BayerRG12)
    mono12 = rng.integers(0, 4096, (HEIGHT, WIDTH), dtype=np.uint16)
    image_mono12p = tarn_lux.Image.from_numpy(mono12).ConvertTo(m.PixelFormatName_Mono12p)
    packed12 = np.frombuffer(bytes(image_mono12p.DataView()), np.uint8)
    image_mono10g40 = tarn_lux.Image.from_numpy(mono12 >> 2, m.PixelFormatName_Mono10).ConvertTo(
        m.PixelFormatName_Mono10g40ORX)
    packed10g40 = np.frombuffer(bytes(image_mono10g40.DataView()), np.uint8)
    nv12 = cv2.cvtColor(rgb, cv2.COLOR_RGB2YUV_I420)  # I420 and NV12 cost OpenCV the same
    image_nv12 = tarn_lux.Image.from_numpy(rgb).ConvertTo(m.PixelFormatName_YUV420_8_YY_UV_SemiplanarORX)
    nv12_bytes = np.frombuffer(bytes(image_nv12.DataView()), np.uint8).reshape(-1, WIDTH)
    destination = np.empty_like(rgb)
    scores = photo_psnr()

    rows = [("plain copy of an RGB8 frame (bandwidth)", lambda: np.copyto(destination, rgb), None, "", "")]
    hq = converter_in("HighQuality")
    for target, code in (("RGB8", cv2.COLOR_BayerBG2RGB), ("BGRa8", cv2.COLOR_BayerBG2BGRA)):
        for mode in MODES:
            converter = converter_in(mode)
            name = getattr(m, "PixelFormatName_" + target)
            rows.append((f"BayerRG8 -> {target} {mode} vs bilinear",
                         lambda c=converter, n=name: c.Convert(image_bayer, n),
                         lambda k=code: cv2.cvtColor(bayer, k), f"{scores[mode]:.2f}", f"{scores['bilinear']:.2f}"))
        rows.append((f"BayerRG8 -> {target} HighQuality vs EA", lambda n=name: hq.Convert(image_bayer, n),
                     lambda: cv2.cvtColor(bayer, cv2.COLOR_BayerBG2RGB_EA), f"{scores['HighQuality']:.2f}",
                     f"{scores['EA']:.2f}"))
    rows.append(("BayerRG8 -> RGB8 HighQuality vs VNG", lambda: hq.Convert(image_bayer, m.PixelFormatName_RGB8),
                 lambda: cv2.cvtColor(bayer, cv2.COLOR_BayerBG2RGB_VNG), f"{scores['HighQuality']:.2f}",
                 f"{scores['VNG']:.2f}"))
    fast = converter_in("Fast")
    rows.append(("BayerRG12 -> RGB8 Fast", lambda: fast.Convert(image_bayer12, m.PixelFormatName_RGB8),
                 lambda: (cv2.cvtColor(bayer12, cv2.COLOR_BayerBG2RGB) >> 4).astype(np.uint8), "", ""))
    classic = converter_in("Classic")
    for mode, converter in (("Classic", classic), ("Fast", fast)):
        rows.append((f"BayerRG8 -> Mono8 {mode}", lambda c=converter: c.Convert(image_bayer, m.PixelFormatName_Mono8),
                     lambda: cv2.cvtColor(bayer, cv2.COLOR_BayerBG2GRAY), "", ""))
    rows.append(("Mono12p -> Mono8 vs numpy", lambda: fast.Convert(image_mono12p, m.PixelFormatName_Mono8),
                 lambda: (unpack12p(packed12) >> 4).astype(np.uint8), "", ""))
    rows.append(("Mono12p -> Mono12 vs numpy", lambda: fast.Convert(image_mono12p, m.PixelFormatName_Mono12),
                 lambda: unpack12p(packed12), "", ""))
    rows.append(("Mono10g40 -> Mono8 vs numpy", lambda: fast.Convert(image_mono10g40, m.PixelFormatName_Mono8),
                 lambda: unpack10g40_to_8(packed10g40), "", ""))
    rows.append(("RGB8 -> Mono8", lambda: fast.Convert(image_rgb, m.PixelFormatName_Mono8),
                 lambda: cv2.cvtColor(rgb, cv2.COLOR_RGB2GRAY), "", ""))
    rows.append(("YUV420 UV -> RGB8", lambda: fast.Convert(image_nv12, m.PixelFormatName_RGB8),
                 lambda: cv2.cvtColor(nv12_bytes, cv2.COLOR_YUV2RGB_NV12), "", ""))
    rows.append(("RGB8 -> YUV420 UV (OpenCV: I420)",
                 lambda: fast.Convert(image_rgb, m.PixelFormatName_YUV420_8_YY_UV_SemiplanarORX),
                 lambda: cv2.cvtColor(rgb, cv2.COLOR_RGB2YUV_I420), "", ""))
    pooled = tarn_lux.ImageConverter(m.PixelFormatName_BayerRG8, m.PixelFormatName_RGB8, WIDTH, HEIGHT, 2)
    pooled.SetConversionMode(m.ConversionMode_Classic)
    rows.append(("pre-allocated BayerRG8 -> RGB8 Classic, repeated", lambda: pooled.Convert(
        image_bayer, m.PixelFormatName_RGB8), lambda: cv2.cvtColor(bayer, cv2.COLOR_BayerBG2RGB), "", ""))
    del nv12
    return rows


def main():
    threads = int(os.environ["TARN_LUX_THREADS"])
    cv2.setNumThreads(threads)
    print_table(f"ours and the reference with {threads} thread(s)", cases(), ("PSNR ours", "PSNR reference"))

if __name__ == "__main__":
    if "TARN_LUX_THREADS" in os.environ:
        main()
    else:
        # Our pool takes its size when it starts: one process per setting.
        for setting in ("1", "2"):
            subprocess.run([sys.executable, __file__, *sys.argv[1:]], env=dict(os.environ, TARN_LUX_THREADS=setting),
                           check=True)
