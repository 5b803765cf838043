"""Friendlier constructors, reprs and helpers for the processors close to the
sensor. Each class is the generated proxy class with keyword settings added;
everything else behaves exactly as the native methods."""

from . import _proxies

__all__ = ["Binning", "Decimation", "HotpixelCorrection", "EdgeEnhancement", "Sharpness"]

_BINNING_MODES = {"average": 0, "sum": 1}
_SHARPNESS_ALGORITHMS = {"tenengrad": 0, "meanscore": 1, "mean_score": 1, "histogramvariance": 2,
                         "histogram_variance": 2, "sobel": 3}


def _lookup(table, value, what):
    if isinstance(value, str):
        try:
            return table[value.lower()]
        except KeyError:
            raise ValueError("unknown %s %r; expected one of %s" % (what, value, ", ".join(sorted(table)))) from None
    return value


def _factors(cls, args):
    """(x, y) from Binning(2) or Binning(2, 3), or None for the native forms."""
    if 1 <= len(args) <= 2 and all(isinstance(a, int) and not isinstance(a, bool) for a in args):
        return (args[0], args[-1])
    return None


class Binning(_proxies.Binning):
    """Combines blocks of pixels by averaging or summing them.

    ``Binning(2, 2, mode="sum")`` sets the factors in x and y (one factor sets
    both) and the mode ("average" or "sum", or a Binning_BinningMode constant).
    """

    def __init__(self, *args, mode=None):
        factors = _factors(self, args)
        super().__init__(*(() if factors else args))
        if factors:
            self.SetBinningX(factors[0])
            self.SetBinningY(factors[1])
        if mode is not None:
            self.SetMode(_lookup(_BINNING_MODES, mode, "binning mode"))

    def __repr__(self):
        mode = {0: "average", 1: "sum"}.get(self.Mode(), self.Mode())
        return "<Binning %dx%d %s>" % (self.BinningX(), self.BinningY(), mode)


class Decimation(_proxies.Decimation):
    """Keeps every n-th pixel; ``Decimation(2)`` or ``Decimation(2, 3)`` sets the factors."""

    def __init__(self, *args):
        factors = _factors(self, args)
        super().__init__(*(() if factors else args))
        if factors:
            self.SetDecimationX(factors[0])
            self.SetDecimationY(factors[1])

    def __repr__(self):
        return "<Decimation %dx%d>" % (self.DecimationX(), self.DecimationY())


class HotpixelCorrection(_proxies.HotpixelCorrection):
    """Detects and corrects hot pixels; ``HotpixelCorrection(sensitivity=4, gain_percent=200)``."""

    def __init__(self, *args, sensitivity=None, gain_percent=None):
        super().__init__(*args)
        if sensitivity is not None:
            self.SetSensitivity(sensitivity)
        if gain_percent is not None:
            self.SetGainFactorPercent(gain_percent)

    def __repr__(self):
        return "<HotpixelCorrection sensitivity %d, gain %d%%>" % (self.Sensitivity(), self.GainFactorPercent())


class EdgeEnhancement(_proxies.EdgeEnhancement):
    """Sharpens edges by unsharp masking; ``EdgeEnhancement(factor=8)``."""

    def __init__(self, *args, factor=None):
        super().__init__(*args)
        if factor is not None:
            self.SetFactor(factor)

    def __repr__(self):
        return "<EdgeEnhancement factor %d>" % self.Factor()


def _roi(value):
    if isinstance(value, _proxies.SharpnessROI):
        return value
    if isinstance(value, _proxies.Rect2D):
        return _proxies.SharpnessROI(value, 1, 1, 66)
    x, y, width, height = value
    return _proxies.SharpnessROI(_proxies.Rect2D(x, y, width, height), 1, 1, 66)


class Sharpness(_proxies.Sharpness):
    """Measures relative sharpness; ``Sharpness("sobel").measure(image, rois=[(x, y, w, h), ...])``."""

    def __init__(self, *args, algorithm=None):
        if len(args) == 1 and isinstance(args[0], (str, int)) and not isinstance(args[0], bool):
            algorithm, args = args[0], ()
        super().__init__(*args)
        if algorithm is not None:
            self.SetAlgorithm(_lookup(_SHARPNESS_ALGORITHMS, algorithm, "sharpness algorithm"))

    def measure(self, image, rois=None):
        """Measures `image`. With `rois` (Rect2D, SharpnessROI or (x, y, width, height) items) those
        regions are set first and stay set; an empty list measures the whole image again."""
        if rois is not None:
            self.SetROIs(_proxies.SharpnessROIList([_roi(r) for r in rois]))
        return self.Measure(image)

    def __repr__(self):
        names = {0: "Tenengrad", 1: "MeanScore", 2: "HistogramVariance", 3: "Sobel"}
        return "<Sharpness %s, %d ROIs>" % (names.get(self.Algorithm(), self.Algorithm()), len(self.GetROIs()))
