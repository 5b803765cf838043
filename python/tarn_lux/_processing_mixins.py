"""Pythonic extras of the correctors, the transformer's results and the measurements."""

import numpy as _np


class _KeywordSettings:
    """Lets a generated class take its settings as keywords (``Gain(master=1.5)``).

    Each keyword calls the matching setter after construction; a single number
    as the only positional argument stands for the ``_POSITIONAL`` keyword.
    """

    _KEYWORDS = {}
    _POSITIONAL = None

    def __init_subclass__(cls, **kwargs):
        super().__init_subclass__(**kwargs)
        generated = cls.__dict__.get("__init__")
        if generated is None:
            return

        def __init__(self, *args, **settings):
            if (cls._POSITIONAL and len(args) == 1 and isinstance(args[0], (int, float))
                    and not isinstance(args[0], bool)):
                settings = dict(settings, **{cls._POSITIONAL: args[0]})
                args = ()
            generated(self, *args)
            for key, value in settings.items():
                if key not in cls._KEYWORDS:
                    raise TypeError("%s() got an unexpected keyword argument '%s'" % (cls.__name__, key))
                getattr(self, cls._KEYWORDS[key])(value)

        __init__.__doc__ = generated.__doc__
        cls.__init__ = __init__


class GammaCorrectorMixin(_KeywordSettings):
    _KEYWORDS = {"gamma": "SetGammaCorrectionValue"}
    _POSITIONAL = "gamma"

    def __repr__(self):
        return "<GammaCorrector gamma=%g>" % self.GammaCorrectionValue()


class GainMixin(_KeywordSettings):
    _KEYWORDS = {"master": "SetMasterGainValue", "red": "SetRedGainValue", "green": "SetGreenGainValue",
                 "blue": "SetBlueGainValue"}
    _POSITIONAL = "master"

    def __repr__(self):
        return "<Gain master=%g red=%g green=%g blue=%g>" % (
            self.MasterGainValue(), self.RedGainValue(), self.GreenGainValue(), self.BlueGainValue())


def _factors(value):
    """A ColorCorrectionFactors from one, or from a 3 x 3 nested sequence."""
    from . import _proxies
    if isinstance(value, _proxies.ColorCorrectionFactors):
        return value
    rows = _np.asarray(value, dtype=float)
    if rows.shape != (3, 3):
        raise ValueError("expected a ColorCorrectionFactors or a 3 x 3 matrix, got shape %s" % (rows.shape,))
    return _proxies.ColorCorrectionFactors(*(float(v) for v in rows.ravel()))


class ColorCorrectorMixin(_KeywordSettings):
    _KEYWORDS = {"saturation": "SetSaturation", "factors": "_set_factors"}

    def _set_factors(self, value):
        self.SetColorCorrectionFactors(_factors(value))

    def __repr__(self):
        return "<ColorCorrector saturation=%g %r>" % (self.Saturation(), self.ColorCorrectionFactors())


class ColorCorrectionFactorsMixin:
    _FIELDS = ("factorRR", "factorGR", "factorBR", "factorRG", "factorGG", "factorBG", "factorRB", "factorGB",
               "factorBB")

    def to_numpy(self):
        """The matrix as a 3 x 3 float array, row by row."""
        return _np.array([getattr(self, name) for name in self._FIELDS], dtype=_np.float32).reshape(3, 3)

    def __repr__(self):
        rows = self.to_numpy().tolist()
        return "<ColorCorrectionFactors [%s]>" % ",".join(
            "[%s]" % ",".join("%g" % v for v in row) for row in rows)


class HistogramMixin:
    def to_numpy(self):
        """The bins as an array of shape (channels, bins), uint64."""
        return _np.array([list(channel.Bins) for channel in self.Channels()], dtype=_np.uint64)

    def __repr__(self):
        try:
            channels = self.Channels()
            bins = len(channels[0].Bins) if len(channels) else 0
            return "<Histogram %s %d\u00d7%d>" % (self.PixelFormat().Name(), len(channels), bins)
        except Exception:  # noqa: BLE001 - a deleted histogram still prints
            return "<Histogram (invalid)>"


class PixelLineMixin:
    def __init_subclass__(cls, **kwargs):
        # PixelRow and PixelColumn are generated with the plain repr; theirs is the line's.
        super().__init_subclass__(**kwargs)
        if getattr(cls.__dict__.get("__repr__"), "__name__", "") == "_swig_repr":
            del cls.__repr__

    def to_numpy(self):
        """The values as an array of shape (channels, length), uint32."""
        return _np.array([list(channel.Values) for channel in self.Channels()], dtype=_np.uint32)

    def __repr__(self):
        try:
            kind = "row" if self.Orientation() == 0 else "column"
            return "<%s %s %d, %d values>" % (type(self).__name__, kind, self.Offset(), len(self.to_numpy()[0]))
        except Exception:  # noqa: BLE001
            return "<%s (invalid)>" % type(self).__name__
