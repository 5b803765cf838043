"""The command line: ``python3 -m tarn_lux COMMAND ...``.

Every command prints one line per problem and exits with status 1 on bad
input (a missing or corrupt file, an unsupported format), 2 on a usage
error; a progress bar runs on the terminal for commands that work through
more than one file or frame.
"""

import argparse
import contextlib
import os
import pathlib
import sys
import time

import numpy as np

EXAMPLES = """\
examples:
  python3 -m tarn_lux info photo.png frame.raw --raw BayerRG12p --size 2592x1944
  python3 -m tarn_lux convert frame.raw out.png --raw BayerRG12p --size 2592x1944 --to RGB8 --mode hq
  python3 -m tarn_lux process frames/*.raw --raw BayerRG12p --size 2592x1944 --out out/ \\
          --demosaic hq --hotpixels 3 --gamma 2.2 --format jpg --quality 90 --workers 2
  python3 -m tarn_lux process in/*.png --out out/ --pipeline steps.toml
  python3 -m tarn_lux process /shared/in/*.raw --raw BayerRG12p --size 2592x1944 --demosaic hq \\
          --out /shared/out/ --scheduler tcp://scheduler:8786          (or --local-cluster 2)
  python3 -m tarn_lux video frames/*.png --out clip.avi --fps 25 --quality 85
  python3 -m tarn_lux histogram photo.png --plot histogram.png
  python3 -m tarn_lux sharpness focus/*.png --algorithm sobel --plot focus.png
"""


class UsageError(Exception):
    """Bad options: exit status 2."""


def _read(path, args):
    from .pipeline import read_image
    return read_image(path, getattr(args, "raw", None), getattr(args, "size", None))


def _progress(iterable, total, args, unit="file"):
    if total <= 1 or not sys.stderr.isatty() or getattr(args, "quiet", False):
        return iterable
    try:
        from tqdm import tqdm
    except ImportError:
        return iterable
    return tqdm(iterable, total=total, unit=unit, file=sys.stderr)


# --- commands -----------------------------------------------------------------------------

def command_info(args):
    """`info FILE...`: format, size, bit depth and per-channel min/max/mean of each file."""
    from .pipeline import unpack
    failures = 0
    for path in _progress(args.files, len(args.files), args):
        try:
            image = _read(path, args)
        except Exception as error:  # noqa: BLE001 - reported per file
            print("%s: %s" % (path, _reason(error)), file=sys.stderr)
            failures += 1
            continue
        fmt = image.PixelFormat()
        line = "%s: %dx%d %s, %d bits per channel" % (path, image.Width(), image.Height(), fmt.Name(),
                                                       fmt.NumSignificantBitsPerChannel())
        try:
            array = unpack(image).to_numpy()
        except Exception:  # noqa: BLE001 - YUV formats have no array form
            array = None
        if array is not None:
            channels = array.reshape(array.shape[0], array.shape[1], -1)
            stats = ["%s min %d max %d mean %.2f" % (name, channels[..., c].min(), channels[..., c].max(),
                                                     channels[..., c].mean())
                     for c, name in enumerate(_channel_names(fmt.Name(), channels.shape[2]))]
            line += "; " + ", ".join(stats)
        print(line)
    return 1 if failures else 0


def _channel_names(name, count):
    for prefix in ("RGBa", "BGRa", "RGB", "BGR"):
        if name.startswith(prefix):
            return list(prefix.upper())[:count]
    return ["value"] if count == 1 else ["c%d" % i for i in range(count)]


def command_convert(args):
    """`convert IN OUT`: one image to another pixel format (demosaicing in the given mode) and file type."""
    from .pipeline import Convert, write_image
    image = _read(args.input, args)
    converted = Convert(args.to, args.mode).apply(image)
    write_image(args.output, converted, args.quality)
    print("%s -> %s (%s, %dx%d)" % (args.input, args.output, args.to, converted.Width(), converted.Height()))
    return 0


def _pipeline_from(args):
    from . import pipeline as p
    if args.pipeline:
        return p.Pipeline.from_file(args.pipeline)
    steps = []
    if args.hotpixels:
        steps.append(p.HotPixels(args.hotpixels))
    if args.binning:
        steps.append(p.Binning(args.binning))
    if args.demosaic or args.to:
        steps.append(p.Convert(args.to or "RGB8", args.demosaic or "fast"))
    if args.gain:
        steps.append(p.Gain(master=args.gain))
    if args.saturation is not None:
        steps.append(p.ColorMatrix(saturation=args.saturation))
    if args.gamma:
        steps.append(p.Gamma(args.gamma))
    if args.sharpen is not None:
        steps.append(p.EdgeEnhancement(args.sharpen))
    if args.scale:
        steps.append(p.Scale(args.scale))
    if args.rotate:
        steps.append(p.Rotate(args.rotate))
    if args.mirror:
        steps.append(p.Mirror(updown="v" in args.mirror, leftright="h" in args.mirror))
    return p.Pipeline(steps)


def command_process(args):
    """`process IN... --out DIR`: a pipeline (from options or a file) over many files on worker threads."""
    pipeline = _pipeline_from(args)
    started = time.perf_counter()
    with _dask_client(args) as client:
        results = pipeline.run(args.files, out=args.out, workers=args.workers, format=args.format,
                               quality=args.quality, overwrite=args.overwrite, raw=args.raw, size=args.size,
                               progress="auto" if not args.quiet else False, client=client)
    elapsed = time.perf_counter() - started
    failed = [r for r in results if not r.ok]
    for result in failed:
        print("%s: %s" % (result.input, result.error), file=sys.stderr)
    print("%d of %d files written to %s in %.2f s (%s)" % (len(results) - len(failed), len(results), args.out,
                                                         elapsed, pipeline))
    return 1 if failed else 0


@contextlib.contextmanager
def _dask_client(args):
    """A Dask client for --scheduler or --local-cluster, closed afterwards; None without them."""
    if args.scheduler is None and args.local_cluster is None:
        yield None
        return
    if args.scheduler is not None and args.local_cluster is not None:
        raise UsageError("--scheduler and --local-cluster exclude each other")
    if args.local_cluster is not None and args.local_cluster < 1:
        raise UsageError("--local-cluster needs at least 1 worker process, not %d" % args.local_cluster)
    import logging
    try:
        from distributed import Client, LocalCluster
    except ImportError:
        raise UsageError("--scheduler and --local-cluster need Dask's distributed package "
                         "(Debian: python3-distributed)") from None
    if args.scheduler is not None:
        with Client(args.scheduler, timeout=30) as client:
            yield client
        return
    # One thread per process: the library spreads each frame over the cores itself.
    with LocalCluster(n_workers=args.local_cluster, threads_per_worker=1, processes=True, dashboard_address=None,
                      silence_logs=logging.ERROR) as cluster, Client(cluster) as client:
        yield client


def command_video(args):
    """`video IN... --out FILE.avi`: the frames as an MJPEG AVI video."""
    from . import write_video
    from .pipeline import Convert
    convert = Convert(args.to) if args.to else None

    def frames():
        for path in args.files:
            image = _read(path, args)
            yield convert.apply(image) if convert else image

    encoded, dropped = write_video(frames(), args.out, fps=args.fps or 25.0, quality=args.quality,
                                   progress=sys.stderr.isatty() and not args.quiet and len(args.files) > 1)
    print("%s: %d frames written, %d dropped" % (args.out, encoded, dropped))
    return 1 if dropped else 0


def command_histogram(args):
    """`histogram FILE`: per-channel counts, optionally drawn with matplotlib."""
    from .pipeline import Histogram
    image = _read(args.file, args)
    bins = Histogram().measure(image)
    names = _channel_names(image.PixelFormat().Name(), len(bins))
    for name, values in zip(names, bins):
        values = np.asarray(values)
        total = values.sum()
        mean = float((np.arange(len(values)) * values).sum() / total) if total else 0.0
        print("%s: %d bins, %d pixels, mean %.2f, %d at the top value" % (name, len(values), total, mean,
                                                                          values[-1]))
    if args.plot:
        plt = _pyplot()
        figure, axes = plt.subplots(figsize=(8, 4))
        for name, values in zip(names, bins):
            axes.plot(values, label=name, color={"R": "red", "G": "green", "B": "blue"}.get(name, "black"))
        axes.set_xlabel("value")
        axes.set_ylabel("pixels")
        axes.set_title(os.path.basename(args.file))
        axes.legend()
        figure.tight_layout()
        figure.savefig(args.plot)
        print("plot written to %s" % args.plot)
    return 0


def command_sharpness(args):
    """`sharpness FILE...`: the sharpness of each file and the sharpest one (a focus curve)."""
    from .pipeline import Sharpness
    meter = Sharpness(args.algorithm)
    values, failures = [], 0
    for path in _progress(args.files, len(args.files), args):
        try:
            value = meter.measure(_read(path, args))
        except Exception as error:  # noqa: BLE001 - reported per file
            print("%s: %s" % (path, _reason(error)), file=sys.stderr)
            failures += 1
            continue
        values.append((path, value))
        print("%s: %.6g" % (path, value))
    if values:
        best = max(values, key=lambda pair: pair[1])
        print("sharpest: %s (%.6g)" % best)
    if args.plot and values:
        plt = _pyplot()
        figure, axes = plt.subplots(figsize=(8, 4))
        axes.plot(range(len(values)), [v for _, v in values], marker="o")
        axes.set_xticks(range(len(values)))
        axes.set_xticklabels([pathlib.Path(p).name for p, _ in values], rotation=45, ha="right", fontsize=7)
        axes.set_ylabel("sharpness (%s)" % args.algorithm)
        axes.set_title("focus curve")
        figure.tight_layout()
        figure.savefig(args.plot)
        print("plot written to %s" % args.plot)
    return 1 if failures else 0


def _pyplot():
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    return plt


# --- the parser ----------------------------------------------------------------------------

def _add_raw(parser):
    parser.add_argument("--raw", metavar="FORMAT", help="read headerless raw files of this pixel format "
                        "(e.g. BayerRG12p, Mono10g40ORX)")
    parser.add_argument("--size", metavar="WxH", help="the frame size of headerless raw files")


def build_parser():
    """The argparse parser of every command."""
    parser = argparse.ArgumentParser(prog="python3 -m tarn_lux", description="Camera-image processing.",
                                     epilog=EXAMPLES, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("-q", "--quiet", action="store_true", help="no progress bars")
    commands = parser.add_subparsers(dest="command", metavar="COMMAND")
    commands.required = True

    info = commands.add_parser("info", help="format, size and per-channel statistics of image files")
    info.add_argument("files", nargs="+", metavar="FILE")
    _add_raw(info)
    info.set_defaults(run=command_info)

    convert = commands.add_parser("convert", help="convert one image to another pixel format or file type")
    convert.add_argument("input", metavar="IN")
    convert.add_argument("output", metavar="OUT")
    convert.add_argument("--to", default="RGB8", help="output pixel format (default RGB8)")
    convert.add_argument("--mode", default="fast", choices=["fast", "hq", "classic"], help="demosaicing mode")
    convert.add_argument("--quality", type=int, help="JPEG quality or PNG compression effort (0-100)")
    _add_raw(convert)
    convert.set_defaults(run=command_convert)

    process = commands.add_parser("process", help="run processing steps over many files")
    process.add_argument("files", nargs="+", metavar="IN")
    process.add_argument("--out", required=True, metavar="DIR", help="output folder")
    process.add_argument("--pipeline", metavar="FILE", help="steps from a .toml or .json file")
    process.add_argument("--hotpixels", type=int, metavar="LEVEL", help="correct hot pixels (sensitivity 1-5)")
    process.add_argument("--binning", type=int, metavar="N", help="bin N x N pixels")
    process.add_argument("--demosaic", choices=["fast", "hq", "classic"], help="demosaic Bayer input")
    process.add_argument("--to", metavar="FORMAT", help="convert to this pixel format")
    process.add_argument("--gain", type=float, help="master gain")
    process.add_argument("--saturation", type=float, help="colour saturation (1 keeps it)")
    process.add_argument("--gamma", type=float, help="gamma correction value")
    process.add_argument("--sharpen", type=int, metavar="FACTOR", help="edge enhancement factor")
    process.add_argument("--scale", type=float, metavar="FACTOR", help="scale by a factor")
    process.add_argument("--rotate", type=int, choices=[90, 180, 270, -90], help="rotate (counter-clockwise)")
    process.add_argument("--mirror", choices=["h", "v", "hv"], help="mirror left-right (h), up-down (v) or both")
    process.add_argument("--format", default="png", choices=["png", "jpg", "bmp", "raw"], help="output file type")
    process.add_argument("--quality", type=int, help="JPEG quality or PNG compression effort (0-100)")
    process.add_argument("--workers", type=int, default=1, help="threads working at once")
    process.add_argument("--overwrite", action="store_true", help="replace existing outputs")
    process.add_argument("--scheduler", metavar="ADDRESS", help="run on the Dask cluster of this scheduler "
                         "(tcp://host:8786); inputs and --out must be the same paths on every worker")
    process.add_argument("--local-cluster", type=int, metavar="N", help="run on a Dask cluster of N worker "
                         "processes started on this machine")
    _add_raw(process)
    process.set_defaults(run=command_process)

    video = commands.add_parser("video", help="write image files as an MJPEG AVI video")
    video.add_argument("files", nargs="+", metavar="IN")
    video.add_argument("--out", required=True, metavar="FILE.avi")
    video.add_argument("--fps", type=float, help="frame rate")
    video.add_argument("--quality", type=int, help="JPEG quality of the frames (0-100)")
    video.add_argument("--to", metavar="FORMAT", help="convert frames first (e.g. RGB8 for Bayer input)")
    _add_raw(video)
    video.set_defaults(run=command_video)

    histogram = commands.add_parser("histogram", help="per-channel histogram of an image")
    histogram.add_argument("file", metavar="FILE")
    histogram.add_argument("--plot", metavar="OUT.png", help="draw the histogram")
    _add_raw(histogram)
    histogram.set_defaults(run=command_histogram)

    sharpness = commands.add_parser("sharpness", help="sharpness of images (a focus curve over a series)")
    sharpness.add_argument("files", nargs="+", metavar="FILE")
    sharpness.add_argument("--algorithm", default="tenengrad",
                           choices=["tenengrad", "meanscore", "histogramvariance", "sobel"])
    sharpness.add_argument("--plot", metavar="OUT.png", help="draw the focus curve")
    _add_raw(sharpness)
    sharpness.set_defaults(run=command_sharpness)
    return parser


def _reason(error):
    text = str(error)
    marker = "Error-Description: "
    if marker in text:
        text = text.split(marker, 1)[1].rstrip("]")
    return text or type(error).__name__


def main(argv=None):
    """Runs the command line; returns the exit status (0, 1 for bad input; usage errors exit with 2)."""
    parser = build_parser()
    args = parser.parse_args(argv)
    try:
        return args.run(args)
    except UsageError as error:
        parser.error(str(error))
    except KeyboardInterrupt:
        return 130
    except Exception as error:  # noqa: BLE001 - one line, no traceback, for every bad input
        print("error: %s" % _reason(error), file=sys.stderr)
        return 1
