"""Processing pipelines: an ordered list of steps applied to images, arrays
or files, one frame or thousands.

A step holds one library object (a converter, a gain, a hot-pixel corrector
...) made once and reused for every frame, so a pipeline over a recording
allocates its processors once. Steps that measure (sharpness, histogram)
leave the image as it is and record their result.

    >>> p = Pipeline([Convert("RGB8", mode="hq"), Gamma(2.2), Scale(0.5)])
    >>> result = p.apply("frame.png")            # or an Image, or a numpy array
    >>> p.run(["a.png", "b.png"], out="out/", workers=2)

Pipelines also come from a small TOML or JSON file:

    [[step]]
    kind = "convert"
    to = "RGB8"
    mode = "hq"

    [[step]]
    kind = "gamma"
    value = 2.2

`Pipeline.run` works through many files on a pool of threads: the library
releases the interpreter lock while it works, so threads scale with cores.
Results come back in input order; a file that fails is reported with its
reason and the others go on; existing outputs are kept unless
``overwrite=True``.
"""

import collections as _collections
import concurrent.futures as _futures
import json as _json
import os as _os
import pathlib as _pathlib
import threading as _threading
import time as _time

import numpy as _np

from . import _tarn_lux_python_interface as _lib
from ._enums import PixelFormatName
from ._image_io import _as_image, _format_name, _image_class, _parse_size, read_image, unpack, write_image
from ._pickling import carry_timestamp

__all__ = ["Pipeline", "Step", "Convert", "HotPixels", "Binning", "Decimation", "Gain", "ColorMatrix", "Gamma",
           "EdgeEnhancement", "Scale", "Crop", "Mirror", "Rotate", "Sharpness", "Histogram", "ItemResult",
           "read_image", "write_image", "unpack", "STEP_KINDS"]

_MODES = {"fast": _lib.ConversionMode_Fast, "hq": _lib.ConversionMode_HighQuality,
          "highquality": _lib.ConversionMode_HighQuality, "classic": _lib.ConversionMode_Classic}
_INTERPOLATIONS = {"nearest": 0, "linear": 1, "cubic": 2, "area": 3, "lanczos4": 4, "linear_exact": 5,
                   "nearest_exact": 6}
_ANGLES = {90: 90, -270: 90, 270: 270, -90: 270, 180: 180, -180: 180}
_SHARPNESS = {"tenengrad": 0, "meanscore": 1, "histogramvariance": 2, "sobel": 3}


def _mode_value(mode):
    if isinstance(mode, str):
        try:
            return _MODES[mode.lower().replace("_", "").replace("-", "")]
        except KeyError:
            raise ValueError("unknown conversion mode %r (fast, hq or classic)" % mode) from None
    return int(mode)


# --- steps --------------------------------------------------------------------------------

class Step:
    """One stage of a pipeline. Subclasses name their `kind` and settings;
    `apply` takes an image and returns the image for the next step.

    The processors work on unpacked data, so a step given a packed frame
    (BayerRG12p, Mono10g40ORX, ...) first unpacks it to the format of the same
    pattern and bit depth in 16-bit words (BayerRG12, Mono10); only `Convert`
    and `Crop` take packed frames as they are.
    """

    kind = ""
    measures = False  # True: `measure` records a result and the image passes on unchanged
    takes_packed = False
    _unpacker = None

    def apply(self, image):
        """The image for the next step (a new Image; the input is left as it is)."""
        return self._apply(self._unpacked(image))

    def measure(self, image):
        """What a measuring step finds in the image (recorded under its kind)."""
        return self._measure(self._unpacked(image))

    def _apply(self, image):
        return image  # measuring steps pass the image on

    def _measure(self, image):
        raise NotImplementedError

    def _unpacked(self, image):
        if self.takes_packed:
            return image
        if self._unpacker is None:
            self._unpacker = _lib.new_ImageConverter()
        return unpack(image, self._unpacker)

    def settings(self):
        """The keyword arguments that make an equal step."""
        return {}

    @property
    def label(self):
        """A short name for reports and timings."""
        return self.kind

    def to_dict(self):
        """The step's description: its kind and settings (TOML/JSON-ready)."""
        return {"kind": self.kind, **self.settings()}

    def __repr__(self):
        values = ", ".join("%s=%r" % item for item in self.settings().items())
        return "%s(%s)" % (type(self).__name__, values)

    def __eq__(self, other):
        return type(self) is type(other) and self.settings() == other.settings()

    # Steps keep a library object each; copies for other pipelines are made
    # from the settings.
    def __reduce__(self):
        return (_step_from_dict, (self.to_dict(),))


class _Processor(Step):
    """A step around one library processor, made once and reused."""


class Convert(_Processor):
    """Pixel-format conversion and demosaicing, with a reused converter."""

    kind = "convert"
    takes_packed = True

    def __init__(self, to="RGB8", mode="fast"):
        super().__init__()
        self.to = _format_name(to)
        self.mode = mode if isinstance(mode, str) else {1: "fast", 2: "hq", 3: "classic"}.get(int(mode), mode)
        self._converter = _lib.new_ImageConverter()
        _lib.ImageConverter_SetConversionMode(self._converter, _mode_value(mode))

    def _apply(self, image):
        target = PixelFormatName[self.to]
        if _lib.PixelFormat_PixelFormatName(_lib.Image_PixelFormat(image)) == target:
            return image
        return _lib.ImageConverter_Convert(self._converter, image, target)

    def settings(self):
        return {"to": self.to, "mode": self.mode}

    @property
    def label(self):
        return "convert to %s (%s)" % (self.to, self.mode)


class HotPixels(_Processor):
    """Detects and corrects hot pixels in one pass (mono and Bayer)."""

    kind = "hotpixels"

    def __init__(self, sensitivity=3, gain_percent=None):
        super().__init__()
        self.sensitivity = int(sensitivity)
        self.gain_percent = gain_percent
        self._corrector = _lib.new_HotpixelCorrection()
        _lib.HotpixelCorrection_SetSensitivity(self._corrector, self.sensitivity)
        if gain_percent is not None:
            _lib.HotpixelCorrection_SetGainFactorPercent(self._corrector, int(gain_percent))

    def _apply(self, image):
        return _lib.HotpixelCorrection_CorrectAdaptive(self._corrector, image)

    def settings(self):
        out = {"sensitivity": self.sensitivity}
        if self.gain_percent is not None:
            out["gain_percent"] = self.gain_percent
        return out


class Binning(_Processor):
    """Bins x by y pixels (per colour site on Bayer), averaging or summing."""

    kind = "binning"

    def __init__(self, x=2, y=None, mode="average"):
        super().__init__()
        self.x, self.y, self.mode = int(x), int(y if y is not None else x), mode
        self._binning = _lib.new_Binning()
        _lib.Binning_SetBinningX(self._binning, self.x)
        _lib.Binning_SetBinningY(self._binning, self.y)
        modes = {"average": _lib.Binning_BinningMode_Average, "sum": _lib.Binning_BinningMode_Sum}
        if mode not in modes:
            raise ValueError("unknown binning mode %r (average or sum)" % (mode,))
        _lib.Binning_SetMode(self._binning, modes[mode])

    def _apply(self, image):
        return _lib.Binning_Process(self._binning, image)

    def settings(self):
        return {"x": self.x, "y": self.y, "mode": self.mode}


class Decimation(_Processor):
    """Keeps every x-th column and y-th row (per colour site on Bayer)."""

    kind = "decimation"

    def __init__(self, x=2, y=None):
        super().__init__()
        self.x, self.y = int(x), int(y if y is not None else x)
        self._decimation = _lib.new_Decimation()
        _lib.Decimation_SetDecimationX(self._decimation, self.x)
        _lib.Decimation_SetDecimationY(self._decimation, self.y)

    def _apply(self, image):
        return _lib.Decimation_Process(self._decimation, image)

    def settings(self):
        return {"x": self.x, "y": self.y}


class Gain(_Processor):
    """Master and per-channel gains, clamped at the format's maximum."""

    kind = "gain"

    def __init__(self, master=1.0, red=1.0, green=1.0, blue=1.0):
        super().__init__()
        self.master, self.red, self.green, self.blue = float(master), float(red), float(green), float(blue)
        self._gain = _lib.new_Gain()
        _lib.Gain_SetMasterGainValue(self._gain, self.master)
        _lib.Gain_SetRedGainValue(self._gain, self.red)
        _lib.Gain_SetGreenGainValue(self._gain, self.green)
        _lib.Gain_SetBlueGainValue(self._gain, self.blue)

    def _apply(self, image):
        return _lib.Gain_Process(self._gain, image)

    def settings(self):
        return {"master": self.master, "red": self.red, "green": self.green, "blue": self.blue}


class ColorMatrix(_Processor):
    """A 3x3 colour matrix (rows give R', G', B' from R, G, B) and a
    saturation around each pixel's luma."""

    kind = "colormatrix"
    IDENTITY = ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0))

    def __init__(self, matrix=IDENTITY, saturation=1.0):
        super().__init__()
        rows = [[float(v) for v in row] for row in matrix]
        if len(rows) != 3 or any(len(row) != 3 for row in rows):
            raise ValueError("a colour matrix has 3 rows of 3 numbers")
        self.matrix, self.saturation = rows, float(saturation)
        self._corrector = _lib.new_ColorCorrector()
        # The record's field order: facRR, facGR, facBR (R' from R, G, B), then G', then B'.
        factors = _lib.new_ColorCorrectionFactors(*[v for row in rows for v in row])
        _lib.ColorCorrector_SetColorCorrectionFactors(self._corrector, factors)
        _lib.ColorCorrector_SetSaturation(self._corrector, self.saturation)

    def _apply(self, image):
        return _lib.ColorCorrector_Process(self._corrector, image)

    def settings(self):
        return {"matrix": self.matrix, "saturation": self.saturation}


class Gamma(_Processor):
    """Gamma correction: out = in ** (1 / value) on the normalised range."""

    kind = "gamma"

    def __init__(self, value=2.2):
        super().__init__()
        self.value = float(value)
        self._corrector = _lib.new_GammaCorrector()
        _lib.GammaCorrector_SetGammaCorrectionValue(self._corrector, self.value)

    def _apply(self, image):
        return _lib.GammaCorrector_Process(self._corrector, image)

    def settings(self):
        return {"value": self.value}


class EdgeEnhancement(_Processor):
    """Unsharp masking with an integer factor."""

    kind = "edges"

    def __init__(self, factor=None):
        super().__init__()
        self._enhancement = _lib.new_EdgeEnhancement()
        if factor is None:
            factor = _lib.EdgeEnhancement_DefaultFactor(self._enhancement)
        self.factor = int(factor)
        _lib.EdgeEnhancement_SetFactor(self._enhancement, self.factor)

    def _apply(self, image):
        return _lib.EdgeEnhancement_Process(self._enhancement, image)

    def settings(self):
        return {"factor": self.factor}


class Scale(Step):
    """Scales by a factor (``Scale(0.5)``) or to a size (``Scale(size=(640, 480))``)."""

    kind = "scale"

    def __init__(self, factor=None, size=None, algorithm="linear"):
        if (factor is None) == (size is None):
            raise ValueError("scale by a factor or to a size, not both")
        self.factor = None if factor is None else float(factor)
        self.size = None if size is None else list(_parse_size(size))
        if algorithm not in _INTERPOLATIONS:
            raise ValueError("unknown interpolation %r (%s)" % (algorithm, ", ".join(_INTERPOLATIONS)))
        self.algorithm = algorithm

    def _apply(self, image):
        from . import ScaleFactor, Size2D
        target = Size2D(*self.size) if self.size else ScaleFactor(self.factor, self.factor)
        return _lib.Image_Scale(image, target, _INTERPOLATIONS[self.algorithm])

    def settings(self):
        out = {"factor": self.factor} if self.factor is not None else {"size": self.size}
        out["algorithm"] = self.algorithm
        return out


class Crop(Step):
    """Keeps the region (x, y, width, height)."""

    kind = "crop"
    takes_packed = True

    def __init__(self, x=0, y=0, width=None, height=None):
        if width is None or height is None:
            raise ValueError("a crop needs its width and height")
        self.x, self.y, self.width, self.height = int(x), int(y), int(width), int(height)

    def _apply(self, image):
        from . import Point2D, Size2D
        return _lib.Image_Crop(image, Point2D(self.x, self.y), Size2D(self.width, self.height))

    def settings(self):
        return {"x": self.x, "y": self.y, "width": self.width, "height": self.height}


class Mirror(_Processor):
    """Mirrors up-down, left-right or both."""

    kind = "mirror"

    def __init__(self, updown=False, leftright=True):
        super().__init__()
        self.updown, self.leftright = bool(updown), bool(leftright)
        self._transformer = _lib.new_ImageTransformer()

    def _apply(self, image):
        if self.updown and self.leftright:
            return _lib.ImageTransformer_MirrorUpDownLeftRight(self._transformer, image)
        if self.updown:
            return _lib.ImageTransformer_MirrorUpDown(self._transformer, image)
        if self.leftright:
            return _lib.ImageTransformer_MirrorLeftRight(self._transformer, image)
        return image

    def settings(self):
        return {"updown": self.updown, "leftright": self.leftright}


class Rotate(_Processor):
    """Rotates by 90 (counter-clockwise), 270 (= -90, clockwise) or 180 degrees."""

    kind = "rotate"

    def __init__(self, angle=90):
        super().__init__()
        if int(angle) not in _ANGLES:
            raise ValueError("rotation angle %r is not 90, 180 or 270 (-90)" % (angle,))
        self.angle = int(angle)
        self._transformer = _lib.new_ImageTransformer()

    def _apply(self, image):
        return _lib.ImageTransformer_Rotate(self._transformer, image, _ANGLES[self.angle])

    def settings(self):
        return {"angle": self.angle}


class Sharpness(_Processor):
    """Measures sharpness (recorded as ``sharpness``); the image passes on."""

    kind = "sharpness"
    measures = True

    def __init__(self, algorithm="tenengrad"):
        super().__init__()
        key = str(algorithm).lower()
        if key not in _SHARPNESS:
            raise ValueError("unknown sharpness algorithm %r (%s)" % (algorithm, ", ".join(_SHARPNESS)))
        self.algorithm = key
        self._sharpness = _lib.new_Sharpness()
        _lib.Sharpness_SetAlgorithm(self._sharpness, _SHARPNESS[key])

    def _measure(self, image):
        return _lib.Sharpness_Measure(self._sharpness, image)

    def settings(self):
        return {"algorithm": self.algorithm}


class Histogram(Step):
    """Counts the pixel values per channel (recorded as ``histogram``: a list
    of per-channel bin lists); the image passes on."""

    kind = "histogram"
    measures = True

    def _measure(self, image):
        """The bin counts of each channel, as lists of ints."""
        channels = _lib.Histogram_Channels(_lib.new_Histogram(image))
        return [list(_lib.HistogramChannel_Bins_get(channel)) for channel in channels]


_STEP_CLASSES: "tuple[type[Step], ...]" = (Convert, HotPixels, Binning, Decimation, Gain, ColorMatrix, Gamma,
                                            EdgeEnhancement, Scale, Crop, Mirror, Rotate, Sharpness, Histogram)
STEP_KINDS = {cls.kind: cls for cls in _STEP_CLASSES}


def _step_from_dict(entry):
    entry = dict(entry)
    kind = entry.pop("kind", None)
    if kind not in STEP_KINDS:
        raise ValueError("unknown step kind %r (%s)" % (kind, ", ".join(sorted(STEP_KINDS))))
    try:
        return STEP_KINDS[kind](**entry)
    except TypeError as error:
        raise ValueError("step %r: %s" % (kind, error)) from None


# --- the pipeline -------------------------------------------------------------------------

class ItemResult:
    """What became of one input: its output path (or image), the
    measurements, the time taken, or the reason it failed."""

    __slots__ = ("input", "output", "measurements", "seconds", "error", "image")

    def __init__(self, input, output=None, measurements=None, seconds=0.0, error=None, image=None):
        self.input, self.output, self.measurements = input, output, measurements or {}
        self.seconds, self.error, self.image = seconds, error, image

    @property
    def ok(self):
        """Whether the input was processed (and written) without error."""
        return self.error is None

    def __repr__(self):
        state = "failed: %s" % self.error if self.error else "-> %s" % (self.output,)
        return "<ItemResult %s %s>" % (self.input, state)


class Pipeline:
    """An ordered list of steps (see the module's documentation)."""

    def __init__(self, steps=()):
        self.steps = [step if isinstance(step, Step) else _step_from_dict(step) for step in steps]
        self._spares = []  # copies of the steps for worker threads
        self._spares_lock = _threading.Lock()

    def __repr__(self):
        return "Pipeline([%s])" % ", ".join(repr(step) for step in self.steps)

    def __len__(self):
        return len(self.steps)

    def __eq__(self, other):
        return isinstance(other, Pipeline) and self.steps == other.steps

    def __reduce__(self):
        return (Pipeline, ([step.to_dict() for step in self.steps],))

    # --- descriptions ---

    def to_dict(self):
        """The pipeline's description: {"step": [step descriptions]}."""
        return {"step": [step.to_dict() for step in self.steps]}

    @classmethod
    def from_dict(cls, description):
        """A pipeline from a description as `to_dict` makes it ("steps" is
        taken as well); unknown kinds or settings raise ValueError."""
        steps = description.get("step", description.get("steps"))
        if not isinstance(steps, list):
            raise ValueError("a pipeline description has a list 'step' of steps")
        return cls(steps)

    @classmethod
    def from_file(cls, path):
        """Reads a pipeline from a .toml or .json file."""
        path = _pathlib.Path(path)
        text = path.read_bytes()
        if path.suffix.lower() == ".toml":
            import tomllib
            return cls.from_dict(tomllib.loads(text.decode("utf-8")))
        return cls.from_dict(_json.loads(text))

    def save(self, path):
        """Writes the pipeline as .json or .toml (by ending)."""
        path = _pathlib.Path(path)
        if path.suffix.lower() == ".toml":
            path.write_text(_to_toml(self.to_dict()))
        else:
            path.write_text(_json.dumps(self.to_dict(), indent=2) + "\n")

    # --- one frame ---

    def apply(self, item, steps=None, timings=None):
        """Runs the steps on an Image, a numpy array or a file; returns an
        ItemResult whose ``image`` is the processed image and whose
        ``measurements`` hold what the measuring steps found. ``timings`` (a
        dict) adds up the seconds of each step under its label."""
        start = _time.perf_counter()
        image = _as_image(item)
        measurements = {}
        for step in steps or self.steps:
            begun = _time.perf_counter()
            if step.measures:
                measurements[step.kind] = step.measure(image)
            else:
                image = carry_timestamp(image, step.apply(image))
            if timings is not None:
                timings[step.label] = timings.get(step.label, 0.0) + _time.perf_counter() - begun
        return ItemResult(item, image=image, measurements=measurements, seconds=_time.perf_counter() - start)

    def __call__(self, item):
        return self.apply(item).image

    # --- many files ---

    def _borrow(self):
        with self._spares_lock:
            if self._spares:
                return self._spares.pop()
        return [_step_from_dict(step.to_dict()) for step in self.steps]

    def _give_back(self, steps):
        with self._spares_lock:
            self._spares.append(steps)

    def run(self, inputs, out=None, workers=1, format="png", quality=None, overwrite=False, progress=False,
            raw=None, size=None, timings=None, client=None, batch_size=None, retries=None):
        """Processes every input (paths, Images or arrays) and returns one
        ItemResult per input, in input order. With ``out`` (a folder) each
        result is written there as ``<stem>.<format>``; an existing file is an
        error for that item unless ``overwrite``. ``workers`` threads share the
        work, each with its own copy of the steps. ``timings`` (a dict) adds
        up the seconds spent per step kind, and in writing, over all items.

        With ``client`` (a Dask ``distributed.Client``) the inputs go to the
        cluster in tasks of ``batch_size`` inputs (by default a few tasks per
        worker thread, at most 8 inputs each); ``retries`` is passed on to
        Dask for tasks that fail as a whole. Workers read the input files and
        write the outputs themselves, so both paths must mean the same files
        on every worker; see docs/cluster.md. ``progress`` is False, True or
        "auto" (a tqdm bar), or with a client also "dask" (Dask's own bar)
        or a callable given (done, total) as tasks finish."""
        inputs = list(inputs)
        folder = None if out is None else _pathlib.Path(out)
        if folder is not None:
            folder.mkdir(parents=True, exist_ok=True)
        format = format.lower().lstrip(".")
        if format not in ("png", "jpg", "jpeg", "bmp", "raw"):
            raise ValueError("unknown output format %r (png, jpg, bmp or raw)" % format)
        job = _Job(folder, format, quality, overwrite, raw, size, None)
        if client is not None:
            from . import _cluster
            return _cluster.run(self, inputs, client, job, batch_size, retries, progress, timings)
        lock = _threading.Lock()

        def one(index, item):
            steps = self._borrow()
            try:
                result, local = _process(self, steps, index, item, job, timings is not None)
            finally:
                self._give_back(steps)
            if local:
                with lock:
                    _add_timings(timings, local)
            return result

        bar = _progress(len(inputs), progress)
        results = [None] * len(inputs)
        try:
            if workers <= 1:
                for index, item in enumerate(inputs):
                    results[index] = one(index, item)
                    bar.update(1)
            else:
                with _futures.ThreadPoolExecutor(max_workers=workers) as pool:
                    pending = {pool.submit(one, index, item): index for index, item in enumerate(inputs)}
                    for done in _futures.as_completed(pending):
                        results[pending[done]] = done.result()
                        bar.update(1)
        finally:
            bar.close()
        return results


# What a run does with each item besides the steps. `tag` set: outputs are
# written under a temporary name holding the tag and then renamed, so that a
# task run again after its worker was lost replaces what the lost attempt
# left, whole; the existence checks were made before the run.
_Job = _collections.namedtuple("_Job", "folder format quality overwrite raw size tag")


def output_path(folder, index, item, format):
    """Where a run writes input number `index`: the file's stem, or frameNNNNNN for images and arrays."""
    stem = _pathlib.Path(_os.fspath(item)).stem if not _is_image_like(item) else "frame%06d" % index
    return folder / ("%s.%s" % (stem, format))


def exists_message(target):
    return "%s exists (overwrite=True replaces it)" % target


def _process(pipeline, steps, index, item, job, timed):
    """One input through `steps`, written when the job has a folder: the
    ItemResult (failures included, with their reason) and the seconds per
    step, or None when not `timed`."""
    started = _time.perf_counter()
    local = {} if timed else None
    try:
        source = read_image(item, job.raw, job.size) if job.raw is not None and not _is_image_like(item) else item
        result = pipeline.apply(source, steps, local)
        result.input = item
        if job.folder is not None:
            target = output_path(job.folder, index, item, job.format)
            begun = _time.perf_counter()
            if job.tag is None:
                if target.exists() and not job.overwrite:
                    raise FileExistsError(exists_message(target))
                write_image(target, result.image, job.quality)
            else:
                temporary = target.with_name(".%s.%s%s" % (target.stem, job.tag, target.suffix))
                write_image(temporary, result.image, job.quality)
                _os.replace(temporary, target)
            if local is not None:
                local["write"] = _time.perf_counter() - begun
            result.output = str(target)
            result.image = None
        return result, local
    except Exception as error:  # noqa: BLE001 - each item's failure is reported, the rest goes on
        return ItemResult(item, error="%s: %s" % (type(error).__name__, error),
                          seconds=_time.perf_counter() - started), None


def _add_timings(total, part):
    for key, value in part.items():
        total[key] = total.get(key, 0.0) + value


def _is_image_like(item):
    return isinstance(item, (_np.ndarray, _image_class()))


class _NoProgress:
    def update(self, n):
        pass

    def close(self):
        pass


def _progress(total, wanted):
    """A tqdm bar on standard error when asked for: True always, "auto" only
    when standard error is a terminal; never for a single item."""
    if not wanted or total <= 1:
        return _NoProgress()
    try:
        from tqdm import tqdm
    except ImportError:
        return _NoProgress()
    import sys
    if wanted == "auto" and not sys.stderr.isatty():
        return _NoProgress()
    return tqdm(total=total, unit="frame", file=sys.stderr)


def _to_toml(description):
    def value(v):
        if isinstance(v, bool):
            return "true" if v else "false"
        if isinstance(v, (int, float)):
            return repr(v)
        if isinstance(v, str):
            return _json.dumps(v)
        if isinstance(v, (list, tuple)):
            return "[" + ", ".join(value(x) for x in v) + "]"
        raise ValueError("cannot write %r to TOML" % (v,))
    lines = []
    for step in description["step"]:
        lines.append("[[step]]")
        lines += ["%s = %s" % (key, value(v)) for key, v in step.items() if v is not None]
        lines.append("")
    return "\n".join(lines)
