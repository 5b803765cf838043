"""Objects a hostile caller passes: proxies with odd or code-running "this"
attributes, sequences and indices that run code, classes that refuse to
become proxies.

The sweep (sweep.py) writes every step as a line of Python that uses these
helpers, so that a finding replays from its log alone.
"""

import gc


def _quietly(action):
    try:
        action()
    except Exception:  # noqa: BLE001 - hostile code may fail in any way
        pass


class Proxy:
    """A proxy of no registered class whose "this" is whatever it was given:
    a wrapped object, another proxy, an int, None, itself."""

    def __init__(self, this):
        self.this = this


def cycle(length=2):
    """Proxies whose "this" attributes name each other in a ring."""
    ring = [Proxy(None) for _ in range(length)]
    for here, there in zip(ring, ring[1:] + ring[:1]):
        here.this = there
    return ring[0]


def chain(target, depth):
    """`target` behind `depth` proxies."""
    for _ in range(depth):
        target = Proxy(target)
    return target


class RunsCode:
    """A proxy whose "this" runs `action` first, then answers the target's
    wrapped object (or the target itself)."""

    def __init__(self, target, action):
        self._target = target
        self._action = action

    @property
    def this(self):
        _quietly(self._action)
        return getattr(self._target, "this", self._target)


class Fresh:
    """A proxy whose "this" is a wrapped object made anew on every lookup,
    owned by nothing but the lookup."""

    def __init__(self, make):
        self._make = make

    @property
    def this(self):
        made = self._make()
        return getattr(made, "this", made)


class Raises:
    """A proxy whose "this" lookup raises."""

    @property
    def this(self):
        raise RuntimeError("no this today")


class Sequence:
    """A sequence whose length and items are the caller's, and whose item
    lookups run `action` at position `at`."""

    def __init__(self, items, action=None, at=0, length=None):
        self._items = list(items)
        self._action = action
        self._at = at
        self._length = len(self._items) if length is None else length

    def __len__(self):
        return self._length

    def __getitem__(self, index):
        if index == self._at and self._action is not None:
            _quietly(self._action)
        return self._items[index]


class Index:
    """An integer-like object whose __index__ runs `action`."""

    def __init__(self, value, action):
        self._value = value
        self._action = action

    def __index__(self):
        _quietly(self._action)
        return self._value


class IntWithCode(int):
    """An int subclass that runs code when compared or hashed."""

    def __eq__(self, other):
        gc.collect()
        return int.__eq__(self, other)

    __hash__ = int.__hash__


class RefusingNew:
    """A proxy class whose instances cannot be made."""

    def __new__(cls, *args, **kwargs):
        raise RuntimeError("no instances")


class RefusingThis:
    """A proxy class whose instances refuse a "this" attribute."""

    def __setattr__(self, name, value):
        raise AttributeError("read-only")


class StealingThis:
    """A proxy class that keeps every "this" it is given somewhere else too."""

    kept = []

    def __setattr__(self, name, value):
        StealingThis.kept.append(value)
        object.__setattr__(self, name, value)

    def __init__(self, *args):
        pass


class Action:
    """A named action for the logs; calls `function` with `args`."""

    def __init__(self, function, *args):
        self._function = function
        self._args = args

    def __call__(self):
        return self._function(*self._args)
