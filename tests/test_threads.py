"""Several Python threads share images, converters of pixel formats and
containers while others delete them. The lock is released around the long
calls (conversion, scaling, cropping, cloning), so the deleting threads run in
the middle of them. Nothing may crash; every failure must be one of the typed
exceptions the module raises."""

import random
import threading

import numpy as np
import pytest

SECONDS = 3.0
EXPECTED = (ValueError, TypeError, RuntimeError, IndexError, OverflowError, StopIteration)


def hammer(m, t, shared, seed, stop, failures):
    rng = random.Random(seed)
    steps = [
        lambda: m.Image_ConvertTo(rng.choice(shared["images"]), m.PixelFormatName_RGB8),
        lambda: m.Image_ConvertTo(rng.choice(shared["images"]), m.PixelFormatName_Mono8,
                                  m.ConversionMode_HighQuality),
        lambda: m.Image_Scale(rng.choice(shared["images"]), t.Size2D(37, 29)),
        lambda: m.Image_Crop(rng.choice(shared["images"]), t.Point2D(1, 1), t.Size2D(8, 8)),
        lambda: m.Image_Clone(rng.choice(shared["images"])),
        lambda: np.asarray(m.Image_get_numpy_1D(rng.choice(shared["images"]))).sum(),
        lambda: m.delete_Image(rng.choice(shared["images"])),
        lambda: shared["images"].__setitem__(rng.randrange(len(shared["images"])), make_image(m, rng)),
        lambda: m.VectorInt32_append(shared["vector"], rng.randrange(100)),
        lambda: m.VectorInt32_pop(shared["vector"]),
        lambda: list(shared["vector"]),
        lambda: m.VectorInt32___getitem__(shared["vector"], slice(0, rng.randrange(10))),
        lambda: m.SwigPyIterator_next(shared["iterator"]),
        lambda: shared.__setitem__("iterator", m.VectorInt32_begin(shared["vector"])),
        lambda: m.VectorPoint2D_push_back(shared["points"], t.Point2D(rng.randrange(9), 1)),
        lambda: m.VectorPoint2D_clear(shared["points"]),
        lambda: m.Point2D_x_get(m.VectorPoint2D___getitem__(shared["points"], 0)),
    ]
    while not stop.is_set():
        try:
            rng.choice(steps)()
        except EXPECTED + (t.Exception,):
            pass
        except Exception as error:  # noqa: BLE001 - the test reports any other kind
            failures.append(repr(error))


def make_image(m, rng):
    name = rng.choice([m.PixelFormatName_BayerRG8, m.PixelFormatName_Mono12, m.PixelFormatName_RGB8,
                       m.PixelFormatName_BGRa8, m.PixelFormatName_Mono10p])
    return m.Image_CreateFromSize(name, rng.choice([64, 96, 257]), rng.choice([48, 99]))


@pytest.mark.parametrize("threads", [4])
def test_threads_sharing_and_deleting_objects(m, t, threads):
    rng = random.Random(1)
    shared = {"images": [make_image(m, rng) for _ in range(6)], "vector": t.VectorInt32(list(range(20))),
              "points": t.VectorPoint2D([t.Point2D(1, 2)])}
    shared["iterator"] = m.VectorInt32_begin(shared["vector"])
    stop, failures = threading.Event(), []
    workers = [threading.Thread(target=hammer, args=(m, t, shared, seed, stop, failures)) for seed in range(threads)]
    for worker in workers:
        worker.start()
    stop.wait(SECONDS)
    stop.set()
    for worker in workers:
        worker.join(30)
    assert not any(worker.is_alive() for worker in workers)
    assert failures == []
